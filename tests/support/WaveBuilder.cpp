#include "WaveBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <numbers>

namespace tarnwick::test {

namespace {

int bytesPerSample(SampleEncoding encoding)
{
    switch (encoding) {
    case SampleEncoding::unsigned8:
        return 1;
    case SampleEncoding::signed16:
        return 2;
    case SampleEncoding::signed24:
        return 3;
    case SampleEncoding::signed32:
    case SampleEncoding::float32:
        return 4;
    }
    return 0;
}

void appendLittleEndian(WaveBytes& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFU));
    }
}

void appendSample(WaveBytes& out, SampleEncoding encoding, float value)
{
    const double clamped = std::clamp(static_cast<double>(value), -1.0, 1.0);
    switch (encoding) {
    case SampleEncoding::unsigned8:
        appendLittleEndian(
            out, static_cast<std::uint32_t>(std::lround(128.0 + clamped * 127.0)), 1);
        return;
    case SampleEncoding::signed16:
        appendLittleEndian(out, static_cast<std::uint32_t>(std::lround(clamped * 32767.0)), 2);
        return;
    case SampleEncoding::signed24:
        appendLittleEndian(out, static_cast<std::uint32_t>(std::lround(clamped * 8388607.0)), 3);
        return;
    case SampleEncoding::signed32:
        appendLittleEndian(
            out, static_cast<std::uint32_t>(std::llround(clamped * 2147483647.0)), 4);
        return;
    case SampleEncoding::float32: {
        const auto single = static_cast<float>(clamped);
        std::uint32_t bits = 0;
        std::memcpy(&bits, &single, sizeof bits);
        appendLittleEndian(out, bits, 4);
        return;
    }
    }
}

} // namespace

WaveHeader WaveHeader::of(const WaveLayout& layout)
{
    const int sampleBytes = bytesPerSample(layout.encoding);
    const auto tag = static_cast<std::uint16_t>(layout.encoding == SampleEncoding::float32 ? 3 : 1);
    WaveHeader header;
    header.formatTag = layout.extensible ? std::uint16_t { 0xFFFE } : tag;
    header.subFormat = tag;
    header.channels = static_cast<std::uint16_t>(layout.channels);
    header.sampleRate = static_cast<std::uint32_t>(layout.sampleRate);
    header.blockAlign = static_cast<std::uint16_t>(sampleBytes * layout.channels);
    header.bitsPerSample = static_cast<std::uint16_t>(sampleBytes * 8);
    return header;
}

WaveBytes WaveBuilder::craft(const WaveHeader& header, const WaveBytes& sampleBytes)
{
    const bool extensible = header.formatTag == 0xFFFE;
    const std::uint32_t fmtBytes = extensible ? 40 : 16;
    const auto dataBytes = static_cast<std::uint32_t>(sampleBytes.size());

    WaveBytes out;
    out.append("RIFF");
    appendLittleEndian(out, 4 + 8 + fmtBytes + 8 + dataBytes, 4);
    out.append("WAVEfmt ");
    appendLittleEndian(out, header.fmtSize.value_or(fmtBytes), 4);
    appendLittleEndian(out, header.formatTag, 2);
    appendLittleEndian(out, header.channels, 2);
    appendLittleEndian(out, header.sampleRate, 4);
    appendLittleEndian(out, header.sampleRate * header.blockAlign, 4);
    appendLittleEndian(out, header.blockAlign, 2);
    appendLittleEndian(out, header.bitsPerSample, 2);
    if (extensible) {
        appendLittleEndian(out, 22, 2); // extension size
        appendLittleEndian(out, header.bitsPerSample, 2); // valid bits
        appendLittleEndian(out, header.channels == 2 ? 3 : 0, 4); // speaker mask
        appendLittleEndian(out, header.subFormat, 2);
        out.append("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    }
    out.append("data");
    appendLittleEndian(out, header.dataSize.value_or(dataBytes), 4);
    out.append(sampleBytes);
    return out;
}

WaveBytes WaveBuilder::encode(const WaveLayout& layout, const std::vector<float>& mono)
{
    WaveBytes samples;
    for (const float sample : mono) {
        for (int channel = 0; channel < layout.channels; ++channel) {
            appendSample(samples, layout.encoding, sample);
        }
    }
    return craft(WaveHeader::of(layout), samples);
}

std::vector<float> WaveBuilder::toneSamples(
    int sampleRate, double frequency, double seconds, double amplitude)
{
    const auto count = static_cast<std::size_t>(std::lround(seconds * sampleRate));
    const double fade = 0.002 * sampleRate;
    std::vector<float> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double edge = std::min(
            { 1.0, static_cast<double>(i) / fade, static_cast<double>(count - 1 - i) / fade });
        samples[i] = static_cast<float>(amplitude * edge
            * std::sin(2.0 * std::numbers::pi * frequency * static_cast<double>(i) / sampleRate));
    }
    return samples;
}

WaveBytes WaveBuilder::tone(
    const WaveLayout& layout, double frequency, double seconds, double amplitude)
{
    return encode(layout, toneSamples(layout.sampleRate, frequency, seconds, amplitude));
}

} // namespace tarnwick::test
