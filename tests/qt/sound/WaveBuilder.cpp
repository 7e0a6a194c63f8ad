#include "WaveBuilder.h"

#include <QtEndian>

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

void appendLittleEndian(QByteArray& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.append(static_cast<char>((value >> (8 * i)) & 0xFFU));
    }
}

void appendSample(QByteArray& out, SampleEncoding encoding, float value)
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

QByteArray WaveBuilder::encode(const WaveLayout& layout, const std::vector<float>& mono)
{
    const int sampleBytes = bytesPerSample(layout.encoding);
    const auto frameBytes = static_cast<std::uint32_t>(sampleBytes * layout.channels);
    const auto dataBytes = static_cast<std::uint32_t>(mono.size()) * frameBytes;
    const auto rate = static_cast<std::uint32_t>(layout.sampleRate);
    const bool isFloat = layout.encoding == SampleEncoding::float32;

    QByteArray out;
    out.append("RIFF");
    appendLittleEndian(out, 36 + dataBytes, 4);
    out.append("WAVEfmt ");
    appendLittleEndian(out, 16, 4);
    appendLittleEndian(out, isFloat ? 3 : 1, 2); // IEEE float or integer PCM
    appendLittleEndian(out, static_cast<std::uint32_t>(layout.channels), 2);
    appendLittleEndian(out, rate, 4);
    appendLittleEndian(out, rate * frameBytes, 4);
    appendLittleEndian(out, frameBytes, 2);
    appendLittleEndian(out, static_cast<std::uint32_t>(sampleBytes * 8), 2);
    out.append("data");
    appendLittleEndian(out, dataBytes, 4);
    for (const float sample : mono) {
        for (int channel = 0; channel < layout.channels; ++channel) {
            appendSample(out, layout.encoding, sample);
        }
    }
    return out;
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

QByteArray WaveBuilder::tone(
    const WaveLayout& layout, double frequency, double seconds, double amplitude)
{
    return encode(layout, toneSamples(layout.sampleRate, frequency, seconds, amplitude));
}

} // namespace tarnwick::test
