#include "WaveWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>

namespace tarnwick {

namespace {

void putLittleEndian(std::ofstream& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.put(static_cast<char>((value >> (8 * i)) & 0xFFU));
    }
}

} // namespace

bool WaveWriter::writeMono16(
    const std::string& path, const std::vector<float>& samples, int sampleRate)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    constexpr std::uint32_t kBytesPerSample = 2;
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * kBytesPerSample);
    const auto rate = static_cast<std::uint32_t>(sampleRate);

    out.write("RIFF", 4);
    putLittleEndian(out, 36 + dataBytes, 4);
    out.write("WAVE", 4);
    out.write("fmt ", 4);
    putLittleEndian(out, 16, 4); // size of the format chunk
    putLittleEndian(out, 1, 2); // integer PCM
    putLittleEndian(out, 1, 2); // mono
    putLittleEndian(out, rate, 4);
    putLittleEndian(out, rate * kBytesPerSample, 4); // bytes per second
    putLittleEndian(out, kBytesPerSample, 2); // bytes per frame
    putLittleEndian(out, 16, 2); // bits per sample
    out.write("data", 4);
    putLittleEndian(out, dataBytes, 4);
    for (const float sample : samples) {
        const long value = std::lround(std::clamp(sample, -1.0F, 1.0F) * 32767.0F);
        putLittleEndian(out, static_cast<std::uint32_t>(static_cast<std::int16_t>(value)), 2);
    }
    return static_cast<bool>(out);
}

} // namespace tarnwick
