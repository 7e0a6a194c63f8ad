#include "WaveDecoder.h"
#include "ToneAnalysis.h"
#include "WaveBuilder.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tarnwick::test {
namespace {

/// Channel @p side (0 left, 1 right) of @p clip, for analysis.
std::vector<float> channelOf(const PcmClip& clip, std::size_t side)
{
    std::vector<float> samples;
    for (std::size_t i = side; i < clip.samples.size(); i += PcmClip::kChannels) {
        samples.push_back(static_cast<float>(clip.samples[i]) / 32768.0F);
    }
    return samples;
}

struct LayoutCase {
    const char* name = "";
    WaveLayout layout;
    /// The right side's level against the left's: the down-mix weighs each
    /// side's channels, and seven channels have one more on the left (SL).
    double rightLevel = 1.0;
};

TEST(WaveDecoderTest, EveryCommonLayoutBecomesTheSameToneAtTheDeviceRate)
{
    const LayoutCase cases[] = {
        { "8-bit mono 8 kHz", { SampleEncoding::unsigned8, 1, 8000 } },
        { "16-bit stereo 44.1 kHz", { SampleEncoding::signed16, 2, 44100 } },
        { "16-bit mono 11.025 kHz", { SampleEncoding::signed16, 1, 11025 } },
        { "24-bit mono 96 kHz", { SampleEncoding::signed24, 1, 96000 } },
        { "24-bit stereo 48 kHz", { SampleEncoding::signed24, 2, 48000 } },
        { "32-bit stereo 22.05 kHz", { SampleEncoding::signed32, 2, 22050 } },
        { "float mono 48 kHz", { SampleEncoding::float32, 1, 48000 } },
        { "float stereo 96 kHz", { SampleEncoding::float32, 2, 96000 } },
        { "16-bit 3 channels 4 kHz", { SampleEncoding::signed16, 3, 4000 } },
        { "24-bit 5.1 extensible 48 kHz", { SampleEncoding::signed24, 6, 48000, true } },
        { "float 7 channels extensible 44.1 kHz", { SampleEncoding::float32, 7, 44100, true },
            (32768.0 + 2 * 23170.0) / (32768.0 + 3 * 23170.0) },
        { "32-bit 8 channels 384 kHz", { SampleEncoding::signed32, 8, 384000 } },
    };
    constexpr double kFrequency = 1000.0;
    constexpr double kSeconds = 0.25;
    constexpr double kAmplitude = 0.5;
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto clip = WaveDecoder::decode(QByteArray::fromStdString(
            WaveBuilder::tone(c.layout, kFrequency, kSeconds, kAmplitude)));
        ASSERT_NE(clip, nullptr);
        // Resampling may add or drop a few frames at the ends, no more.
        EXPECT_NEAR(static_cast<double>(clip->frameCount()), kSeconds * PcmClip::kSampleRate, 64.0);
        const ToneAnalysis left(channelOf(*clip, 0), PcmClip::kSampleRate);
        const ToneAnalysis right(channelOf(*clip, 1), PcmClip::kSampleRate);
        EXPECT_NEAR(left.amplitude(0.1, kFrequency), kAmplitude, 0.03);
        EXPECT_NEAR(right.amplitude(0.1, kFrequency), kAmplitude * c.rightLevel, 0.03);
        EXPECT_LT(left.amplitude(0.1, 2 * kFrequency), 0.02);
    }
}

struct BrokenCase {
    const char* name = "";
    QByteArray bytes;
};

TEST(WaveDecoderTest, AnythingButACompleteWaveFileDecodesToNothing)
{
    const QByteArray good = QByteArray::fromStdString(WaveBuilder::tone({}, 440.0, 0.1));
    QByteArray noChannels = good;
    noChannels[22] = 0;
    QByteArray unknownEncoding = good;
    unknownEncoding[20] = 0x55; // MPEG layer 3, not PCM
    const BrokenCase cases[] = {
        { "empty", {} },
        { "garbage", QByteArray(2048, '\x7f') },
        { "header only", good.left(44) },
        { "cut in the header", good.left(20) },
        { "cut in the samples", good.left(good.size() - 100) },
        { "text", QByteArrayLiteral("RIFF is not enough") },
        { "no channels", noChannels },
        { "unknown encoding", unknownEncoding },
    };
    ASSERT_NE(WaveDecoder::decode(good), nullptr);
    for (const BrokenCase& c : cases) {
        EXPECT_EQ(WaveDecoder::decode(c.bytes), nullptr) << c.name;
    }
}

} // namespace
} // namespace tarnwick::test
