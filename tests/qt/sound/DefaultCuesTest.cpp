// The cue files the build makes and puts beside the program.
#include "CueFolder.h"
#include "ToneAnalysis.h"
#include "WaveDecoder.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>

namespace tarnwick::test {
namespace {

struct Measured {
    double seconds = 0.0;
    double peak = 0.0;
    double rms = 0.0;
    std::unique_ptr<ToneAnalysis> analysis;
};

Measured measure(Cue cue)
{
    QFile file(CueFolder(QStringLiteral(TARNWICK_DEFAULT_CUE_DIR)).filePath(cue));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(file.fileName());
    const auto clip = WaveDecoder::decode(file.readAll());
    EXPECT_NE(clip, nullptr) << cueName(cue);
    Measured result;
    if (!clip) {
        return result;
    }
    std::vector<float> left;
    double energy = 0.0;
    for (std::size_t i = 0; i < clip->samples.size(); i += PcmClip::kChannels) {
        const float value = static_cast<float>(clip->samples[i]) / 32768.0F;
        left.push_back(value);
        result.peak = std::max(result.peak, static_cast<double>(std::abs(value)));
        energy += static_cast<double>(value) * value;
    }
    result.seconds = static_cast<double>(left.size()) / PcmClip::kSampleRate;
    result.rms = std::sqrt(energy / static_cast<double>(left.size()));
    result.analysis = std::make_unique<ToneAnalysis>(left, PcmClip::kSampleRate);
    return result;
}

struct LengthCase {
    Cue cue = Cue::pickup;
    double shortest = 0.0;
    double longest = 0.0;
};

TEST(DefaultCuesTest, AllSixAreShortCleanAndStartAndEndInSilence)
{
    const LengthCase cases[] = {
        { Cue::pickup, 0.03, 0.15 },
        { Cue::pegdrop, 0.08, 0.3 },
        { Cue::winner, 0.5, 2.0 },
        { Cue::loser, 0.5, 2.0 },
        { Cue::loser4, 0.5, 2.0 },
        { Cue::loser3, 0.5, 2.0 },
    };
    for (const LengthCase& c : cases) {
        SCOPED_TRACE(cueName(c.cue).data());
        const Measured m = measure(c.cue);
        ASSERT_TRUE(m.analysis);
        EXPECT_GE(m.seconds, c.shortest);
        EXPECT_LE(m.seconds, c.longest);
        // Well clear of full scale: no clipping, not startling.
        EXPECT_LT(m.peak, 0.5);
        // No click at either end: no jump from silence to sound.
        EXPECT_LT(m.analysis->peakBetween(0.0, 0.0001), 0.02);
        EXPECT_LT(m.analysis->peakBetween(m.seconds - 0.001, m.seconds), 0.01);
    }
}

TEST(DefaultCuesTest, TheCuesOfEveryMoveAreQuieterThanTheEndOfGameCues)
{
    std::map<Cue, Measured> cues;
    for (const Cue cue :
        { Cue::pickup, Cue::pegdrop, Cue::winner, Cue::loser, Cue::loser4, Cue::loser3 }) {
        cues.emplace(cue, measure(cue));
    }
    for (const Cue everyMove : { Cue::pickup, Cue::pegdrop }) {
        for (const Cue endOfGame : { Cue::winner, Cue::loser, Cue::loser4, Cue::loser3 }) {
            SCOPED_TRACE(
                std::string(cueName(everyMove)) + " vs " + std::string(cueName(endOfGame)));
            EXPECT_LT(cues[everyMove].peak, 0.7 * cues[endOfGame].peak);
            EXPECT_LT(cues[everyMove].rms, 0.7 * cues[endOfGame].rms);
        }
    }
}

struct PhraseCase {
    Cue cue = Cue::pickup;
    bool rises = false;
};

TEST(DefaultCuesTest, TheWinnerRisesAndTheThreeLosersFallEachItsOwnWay)
{
    const PhraseCase cases[] = {
        { Cue::winner, true },
        { Cue::loser, false },
        { Cue::loser4, false },
        { Cue::loser3, false },
    };
    std::vector<std::pair<double, double>> contours;
    for (const PhraseCase& c : cases) {
        SCOPED_TRACE(cueName(c.cue).data());
        const Measured m = measure(c.cue);
        ASSERT_TRUE(m.analysis);
        const double first = m.analysis->strongestFrequency(0.03, 150.0, 2000.0);
        const double last = m.analysis->strongestFrequency(m.seconds - 0.3, 150.0, 2000.0);
        if (c.rises) {
            EXPECT_GT(last, first * 1.2);
        } else {
            EXPECT_LT(last, first * 0.9);
        }
        contours.emplace_back(first, last);
    }
    // Three different phrases: no two start and end on the same pitches.
    for (std::size_t a = 1; a < contours.size(); ++a) {
        for (std::size_t b = a + 1; b < contours.size(); ++b) {
            EXPECT_FALSE(std::abs(contours[a].first - contours[b].first) < 20.0
                && std::abs(contours[a].second - contours[b].second) < 20.0)
                << "loser phrases " << a << " and " << b << " sound alike";
        }
    }
}

} // namespace
} // namespace tarnwick::test
