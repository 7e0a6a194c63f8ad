// The wave reader with files as sound programs write them, sample by sample,
// and with headers crafted to make a careless reader allocate, overrun or hang.
#include "WaveReader.h"
#include "WaveBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <span>
#include <string>
#include <vector>

namespace tarnwick::test {
namespace {

WaveBytes floatBytes(const std::vector<float>& values)
{
    WaveBytes out;
    for (const float value : values) {
        char bytes[4];
        std::memcpy(bytes, &value, sizeof bytes);
        out.append(bytes, sizeof bytes);
    }
    return out;
}

std::optional<WaveSound> read(const WaveBytes& bytes)
{
    return WaveReader::read({ bytes.data(), bytes.size() });
}

struct SampleCase {
    const char* name = "";
    SampleEncoding encoding = SampleEncoding::signed16;
    WaveBytes bytes; ///< Two channels, interleaved.
    std::vector<std::int16_t> expected;
};

TEST(WaveReaderTest, EveryPromisedFormatPlainOrExtensibleBecomesTheseSixteenBitSamples)
{
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    const SampleCase cases[] = {
        { "8-bit", SampleEncoding::unsigned8, WaveBytes("\x00\xff\x80\x7f\x81\x01", 6),
            { -32768, 32512, 0, -256, 256, -32512 } },
        { "16-bit", SampleEncoding::signed16, WaveBytes("\x00\x80\xff\x7f\x01\x00\xff\xff", 8),
            { -32768, 32767, 1, -1 } },
        { "24-bit", SampleEncoding::signed24,
            WaveBytes(
                "\x00\x00\x80\xff\xff\x7f\x00\x01\x00\xff\xff\xff\x80\x34\x12\xff\x00\x00", 18),
            { -32768, 32767, 1, -1, 0x1234, 0 } },
        { "32-bit", SampleEncoding::signed32,
            WaveBytes("\x00\x00\x00\x80\xff\xff\xff\x7f\x00\x00\x01\x00\xff\xff\xff\xff", 16),
            { -32768, 32767, 1, -1 } },
        { "float", SampleEncoding::float32,
            floatBytes({ 1.0F, -1.0F, 0.5F, 2.0F, -3.0F, kNaN, -1.0F / 32768, 0.4F / 32768 }),
            { 32767, -32768, 16384, 32767, -32768, 0, -1, 0 } },
    };
    for (const SampleCase& c : cases) {
        for (const bool extensible : { false, true }) {
            SCOPED_TRACE(std::string(c.name) + (extensible ? " extensible" : " plain"));
            const WaveLayout layout { c.encoding, 2, 22050, extensible };
            const auto sound = read(WaveBuilder::craft(WaveHeader::of(layout), c.bytes));
            ASSERT_TRUE(sound.has_value());
            EXPECT_EQ(sound->channels, 2);
            EXPECT_EQ(sound->sampleRate, 22050);
            EXPECT_EQ(sound->frameCount(), c.expected.size() / 2);
            EXPECT_EQ(sound->samples, c.expected);
        }
    }
}

/// A file of @p frames frames of 8-bit silence.
WaveBytes silence(int channels, int sampleRate, std::size_t frames)
{
    const WaveLayout layout { SampleEncoding::unsigned8, channels, sampleRate };
    return WaveBuilder::craft(
        WaveHeader::of(layout), WaveBytes(frames * static_cast<std::size_t>(channels), '\x80'));
}

/// @p good with the four bytes at @p at replaced by @p tag.
WaveBytes retagged(WaveBytes good, std::size_t at, const char* tag)
{
    good.replace(at, 4, tag, 4);
    return good;
}

struct FileCase {
    const char* name = "";
    WaveBytes bytes;
    std::size_t frames = 0; ///< What is read; 0 where the file is refused.
};

TEST(WaveReaderTest, TheLimitsHoldAtTheirEdgesWhateverTheHeaderClaims)
{
    const WaveBytes tenFrames(20, '\x11');
    const auto header = [](auto change) {
        WaveHeader h = WaveHeader::of({});
        change(h);
        return h;
    };
    const WaveBytes good = WaveBuilder::craft(WaveHeader::of({}), tenFrames);
    WaveBytes list = good; // a padded chunk of 3 bytes before the format
    list.insert(12, WaveBytes("LIST\x03\x00\x00\x00xyz\x00", 12));
    WaveBytes listTooLong = list;
    listTooLong[16] = '\x7f';
    const WaveBytes dataFirst = good.substr(0, 12) + good.substr(36) + good.substr(12, 24);
    const WaveBytes oddEnd = WaveBuilder::craft(header([](WaveHeader& h) {
        h.blockAlign = 1;
        h.bitsPerSample = 8;
    }),
        WaveBytes(9, 'x'));
    constexpr std::size_t kMostSamples = WaveReader::kMaxDecodedBytes / 2;
    const WaveHeader maxLayout = WaveHeader::of({ SampleEncoding::signed32, 255, 0x7fffffff });

    const FileCase cases[] = {
        // What broke the game before.
        { "255 channels at 2^31-1 Hz, 32-bit",
            WaveBuilder::craft(maxLayout, WaveBytes(1020, 'x')) },
        { "8 channels at 2^31-1 Hz",
            WaveBuilder::craft(
                WaveHeader::of({ SampleEncoding::signed16, 8, 0x7fffffff }), WaveBytes(160, 'x')) },
        { "a data chunk claiming 2 GiB",
            WaveBuilder::craft(
                header([](WaveHeader& h) { h.dataSize = 0x80000000U; }), tenFrames) },
        { "a truncated data chunk",
            WaveBuilder::craft(header([](WaveHeader& h) { h.dataSize = 22; }), tenFrames) },
        { "zero block align",
            WaveBuilder::craft(header([](WaveHeader& h) { h.blockAlign = 0; }), tenFrames) },
        { "a 4 GiB fmt chunk",
            WaveBuilder::craft(header([](WaveHeader& h) { h.fmtSize = 0xffffffffU; }), tenFrames) },
        { "8 kHz 8-bit, a frame past a minute", silence(1, 8000, std::size_t { 8000 } * 60 + 1) },
        { "8 kHz 8-bit, a minute", silence(1, 8000, std::size_t { 8000 } * 60),
            std::size_t { 8000 } * 60 },
        { "384 kHz 8 channels, a frame past the decoded bytes",
            silence(8, 384000, kMostSamples / 8 + 1) },
        { "384 kHz 8 channels, all the decoded bytes", silence(8, 384000, kMostSamples / 8),
            kMostSamples / 8 },
        // The other limits, at their edges.
        { "no channels", silence(0, 8000, 10) },
        { "1 channel", silence(1, 8000, 10), 10 },
        { "8 channels", silence(8, 8000, 10), 10 },
        { "9 channels", silence(9, 8000, 10) },
        { "3999 Hz", silence(1, 3999, 10) },
        { "4000 Hz", silence(1, 4000, 10), 10 },
        { "384000 Hz", silence(1, 384000, 10), 10 },
        { "384001 Hz", silence(1, 384001, 10) },
        { "block align too large",
            WaveBuilder::craft(header([](WaveHeader& h) { h.blockAlign = 4; }), tenFrames) },
        { "12-bit",
            WaveBuilder::craft(header([](WaveHeader& h) { h.bitsPerSample = 12; }), tenFrames) },
        { "64-bit float",
            WaveBuilder::craft(header([](WaveHeader& h) {
                h.formatTag = 3;
                h.bitsPerSample = 64;
                h.blockAlign = 8;
            }),
                tenFrames) },
        { "16-bit float",
            WaveBuilder::craft(header([](WaveHeader& h) { h.formatTag = 3; }), tenFrames) },
        { "A-law", WaveBuilder::craft(header([](WaveHeader& h) { h.formatTag = 6; }), tenFrames) },
        { "extensible holding extensible",
            WaveBuilder::craft(header([](WaveHeader& h) {
                h.formatTag = 0xfffe;
                h.subFormat = 0xfffe;
            }),
                tenFrames) },
        { "extensible without its extension",
            WaveBuilder::craft(header([](WaveHeader& h) {
                h.formatTag = 0xfffe;
                h.fmtSize = 16;
            }),
                tenFrames) },
        { "a 14-byte fmt chunk",
            WaveBuilder::craft(header([](WaveHeader& h) { h.fmtSize = 14; }), tenFrames) },
        { "half a frame", WaveBuilder::craft(WaveHeader::of({}), WaveBytes(1, 'x')) },
        { "no data chunk", retagged(good, 36, "junk") },
        { "no fmt chunk", retagged(good, 12, "junk") },
        { "not RIFF", retagged(good, 0, "RIFX") },
        { "not WAVE", retagged(good, 8, "AVI ") },
        { "empty", {} },
        { "header only", good.substr(0, 44) },
        { "cut in the header", good.substr(0, 30) },
        // What other programs write, and is read.
        { "as built", good, 10 },
        { "a padded chunk before the format", list, 10 },
        { "a chunk before the format longer than the file", listTooLong },
        { "the data before the format", dataFirst, 10 },
        { "an odd data chunk without its pad byte", oddEnd, 9 },
        { "a part frame at the end", WaveBuilder::craft(WaveHeader::of({}), WaveBytes(21, 'x')),
            10 },
        { "anything after the data", good + WaveBytes("junk\xff\xff\xff\xff", 8), 10 },
    };
    for (const FileCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto sound = read(c.bytes);
        EXPECT_EQ(sound.has_value(), c.frames != 0);
        if (sound) {
            EXPECT_EQ(sound->frameCount(), c.frames);
        }
    }
}

// The page decodes into memory it allocated itself (its build cannot
// survive a failed allocation inside the reader): a buffer of any size but
// the shape's is refused untouched, so a wrong size never overruns it.
TEST(WaveReaderTest, DecodeWritesOnlyIntoABufferOfTheShapesSize)
{
    const WaveBytes stereo = WaveBuilder::craft(
        WaveHeader::of({ SampleEncoding::signed16, 2, 8000 }), WaveBytes(40, '\x11'));
    const WaveBytes surround = WaveBuilder::craft(
        WaveHeader::of({ SampleEncoding::signed16, 6, 8000 }), WaveBytes(120, '\x11'));
    const WaveBytes truncated = stereo.substr(0, stereo.size() - 1);
    struct DecodeCase {
        const char* name;
        const WaveBytes& bytes;
        std::size_t size; ///< of the buffer given
        bool decoded;
    };
    const DecodeCase cases[] = {
        { "stereo, its size", stereo, 20, true },
        { "stereo, a sample short", stereo, 19, false },
        { "stereo, a sample more", stereo, 21, false },
        { "5.1 mixed to stereo, its size", surround, 20, true },
        { "5.1, its unmixed size", surround, 60, false },
        { "a refused file", truncated, 20, false },
    };
    constexpr std::int16_t kUntouched = 0x5a5a;
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::span<const char> file { c.bytes.data(), c.bytes.size() };
        std::vector<std::int16_t> samples(c.size, kUntouched);
        ASSERT_EQ(WaveReader::decode(file, samples), c.decoded);
        if (c.decoded) {
            const auto shape = WaveReader::shape(file);
            ASSERT_TRUE(shape.has_value());
            EXPECT_EQ(shape->channels, 2);
            EXPECT_EQ(shape->sampleCount(), c.size);
            EXPECT_EQ(samples, read(c.bytes)->samples);
            EXPECT_EQ(samples, std::vector<std::int16_t>(c.size, 0x1111));
        } else {
            EXPECT_EQ(samples, std::vector<std::int16_t>(c.size, kUntouched));
        }
    }
}

WaveBytes sixteenBit(const std::vector<int>& values)
{
    WaveBytes out;
    for (const int value : values) {
        out += { static_cast<char>(value & 0xff), static_cast<char>((value >> 8) & 0xff) };
    }
    return out;
}

struct DownmixCase {
    std::vector<int> frame; ///< FL, FR, FC, LFE, BL, BR, SL, SR, as many as there are channels.
    std::vector<std::int16_t> expected; ///< What the reader returns for it.
};

// Every front-end hears a sound of 3 to 8 channels as this stereo: left =
// FL + 0.7071 (FC + BL + SL), right = FR + 0.7071 (FC + BR + SR), no LFE, both
// divided by the larger side's sum of weights. Mono and stereo stay as they are.
TEST(WaveReaderTest, MoreThanTwoChannelsAreMixedToStereoWithTheSurroundWeights)
{
    const std::vector<int> ramp { 1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000 };
    const auto first = [&](int n) { return std::vector<int>(ramp.begin(), ramp.begin() + n); };
    const DownmixCase cases[] = {
        { { -1234 }, { -1234 } },
        { { 32767, -32768 }, { 32767, -32768 } },
        { first(3), { 1828, 2414 } },
        { first(4), { 1828, 2414 } }, // the LFE is dropped
        { first(5), { 2757, 1707 } }, // the right scaled as the left
        { first(6), { 2757, 3464 } },
        { first(7), { 3718, 2680 } },
        { first(8), { 3718, 4492 } },
        { { -1000, -2000, -3000, -4000 }, { -1828, -2414 } },
        { { 0, 0, 10000, 0, 0, 0, 0, 0 }, { 2265, 2265 } },
        // Full scale everywhere stays full scale: nothing wraps or clips.
        { std::vector<int>(8, 32767), { 32767, 32767 } },
        { std::vector<int>(8, -32768), { -32768, -32768 } },
        { std::vector<int>(5, -32768), { -32768, -23171 } },
        { std::vector<int>(7, 32767), { 32767, 25344 } },
    };
    for (const DownmixCase& c : cases) {
        for (const bool extensible : { false, true }) {
            const auto channels = static_cast<int>(c.frame.size());
            SCOPED_TRACE(std::to_string(channels) + (extensible ? " extensible" : " plain"));
            const WaveLayout layout { SampleEncoding::signed16, channels, 8000, extensible };
            const auto sound
                = read(WaveBuilder::craft(WaveHeader::of(layout), sixteenBit(c.frame)));
            ASSERT_TRUE(sound.has_value());
            EXPECT_EQ(sound->channels, static_cast<int>(c.expected.size()));
            EXPECT_EQ(sound->samples, c.expected);
        }
    }
}

} // namespace
} // namespace tarnwick::test
