#include "MemoryWave.h"

#include <cstdint>
#include <string_view>

namespace tarnwick {

namespace {

constexpr int kHeaderBytes = 44;
constexpr int kSampleBytes = 2;

void putTag(std::vector<char>& out, std::string_view tag)
{
    // Char by char: a range insert sets off GCC 12's false overflow warning.
    for (const char letter : tag) {
        out.push_back(letter);
    }
}

void putLittleEndian(std::vector<char>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFU));
    }
}

} // namespace

std::vector<char> memoryWave(const WaveSound& sound)
{
    const std::vector<std::int16_t>& samples = sound.samples;
    const int channels = sound.channels;
    // Within the reader's limits, so every size fits its 32-bit field.
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * kSampleBytes);
    const auto rate = static_cast<std::uint32_t>(sound.sampleRate);
    const auto blockAlign = static_cast<std::uint32_t>(channels * kSampleBytes);

    std::vector<char> out;
    out.reserve(kHeaderBytes + dataBytes);
    putTag(out, "RIFF");
    putLittleEndian(out, kHeaderBytes - 8 + dataBytes, 4);
    putTag(out, "WAVE");
    putTag(out, "fmt ");
    putLittleEndian(out, 16, 4);
    putLittleEndian(out, 1, 2); // PCM
    putLittleEndian(out, static_cast<std::uint32_t>(channels), 2);
    putLittleEndian(out, rate, 4);
    putLittleEndian(out, rate * blockAlign, 4);
    putLittleEndian(out, blockAlign, 2);
    putLittleEndian(out, 16, 2);
    putTag(out, "data");
    putLittleEndian(out, dataBytes, 4);
    for (const std::int16_t sample : samples) {
        putLittleEndian(out, static_cast<std::uint16_t>(sample), 2);
    }
    return out;
}

} // namespace tarnwick
