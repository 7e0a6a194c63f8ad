#include "MemoryWave.h"
#include "WaveReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

std::uint32_t field(const std::vector<char>& bytes, std::size_t at, int size)
{
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes.at(at + i)))
            << (8 * i);
    }
    return value;
}

struct MemoryWaveCase {
    const char* name;
    int sampleRate;
    int channelsRead;
    std::vector<std::int16_t> samplesRead;
    int channels; ///< as handed to the library
    std::vector<std::int16_t> samples; ///< as handed to the library
};

// Whatever the reader decoded reaches the library as plain 16-bit PCM with
// every header field consistent with the samples that follow it, so the
// library reads exactly the buffer and no more. (Wider sounds never reach
// it: the reader mixes them down, see WaveReaderTest.)
TEST(MemoryWave, IsACanonicalSixteenBitWaveOfTheDecodedSound)
{
    const std::vector<MemoryWaveCase> cases {
        { "mono", 22050, 1, { 0, 1, -1, 32767, -32768 }, 1, { 0, 1, -1, 32767, -32768 } },
        { "stereo", 44100, 2, { 100, -100, 32767, -32768 }, 2, { 100, -100, 32767, -32768 } },
        { "stereo at the edges of the rates", 384000, 2, { -32768, -32768, 1, 2 }, 2,
            { -32768, -32768, 1, 2 } },
    };
    for (const MemoryWaveCase& c : cases) {
        SCOPED_TRACE(c.name);
        WaveSound read;
        read.sampleRate = c.sampleRate;
        read.channels = c.channelsRead;
        read.samples = c.samplesRead;
        const std::vector<char> wave = memoryWave(read);
        const std::size_t dataBytes = c.samples.size() * 2;
        ASSERT_EQ(wave.size(), 44 + dataBytes);
        EXPECT_EQ(std::string(wave.data(), 4), "RIFF");
        EXPECT_EQ(field(wave, 4, 4), 36 + dataBytes);
        EXPECT_EQ(std::string(wave.data() + 8, 8), "WAVEfmt ");
        EXPECT_EQ(field(wave, 16, 4), 16U);
        EXPECT_EQ(field(wave, 20, 2), 1U); // PCM
        EXPECT_EQ(field(wave, 22, 2), static_cast<std::uint32_t>(c.channels));
        EXPECT_EQ(field(wave, 24, 4), static_cast<std::uint32_t>(c.sampleRate));
        EXPECT_EQ(field(wave, 28, 4), static_cast<std::uint32_t>(c.sampleRate * c.channels * 2));
        EXPECT_EQ(field(wave, 32, 2), static_cast<std::uint32_t>(c.channels * 2));
        EXPECT_EQ(field(wave, 34, 2), 16U);
        EXPECT_EQ(std::string(wave.data() + 36, 4), "data");
        EXPECT_EQ(field(wave, 40, 4), dataBytes);
        std::vector<std::int16_t> samples;
        for (std::size_t at = 44; at < wave.size(); at += 2) {
            samples.push_back(static_cast<std::int16_t>(field(wave, at, 2)));
        }
        EXPECT_EQ(samples, c.samples);

        // And the reader takes it back as the same sound.
        const std::optional<WaveSound> back = WaveReader::read(wave);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->sampleRate, c.sampleRate);
        EXPECT_EQ(back->channels, c.channels);
        EXPECT_EQ(back->samples, c.samples);
    }
}

} // namespace
} // namespace tarnwick
