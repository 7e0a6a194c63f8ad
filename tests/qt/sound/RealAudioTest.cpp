// Plays cues through the real audio path into a private audio server's null
// sink and listens to the sink's monitor. Run by scripts/session.py --pulse.
// Under helgrind (TARNWICK_UNDER_HELGRIND set) nothing keeps real time, so
// nothing is recorded: helgrind's verdict on the threads is the test.
#include "CueWorker.h"
#include "MonitorRecorder.h"
#include "SdlAudioOutput.h"
#include "ToneAnalysis.h"
#include "WaveBuilder.h"
#include "WaveCuePlayer.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace tarnwick::test {
namespace {

constexpr double kToneAmplitude = 0.4;
// A window counts as sounding at half the tone's amplitude (see ToneAnalysis).
constexpr double kThreshold = kToneAmplitude / 2.0;
// Generous: the windows are 5 ms apart, and CI machines are busy.
constexpr double kLengthTolerance = 0.03;
constexpr double kSilence = 0.01;
// A loaded two-core machine now and then misses a buffer (about 20 ms): such
// a dropout is not what these tests are about, and must not split a tone.
constexpr double kDropout = 0.03;
// How far a recording's length may be from the time it ran: the monitor's
// blocks (2 ms), its latency when it starts, and the block that ends it.
constexpr double kRecordingTolerance = 0.05;
// A cue never heard was skipped as stale, and not lost, only where the
// session's threads waited for a processor during nearly all the time it had
// to start.
constexpr double kStarvedShare = 0.9;
// How long before a dropout is heard the wait for a processor that caused it
// may begin: the device's buffer, the server's, and the analysis's windows.
constexpr std::chrono::milliseconds kDropoutLead { 50 };

void loadIntoPageCache(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<char> chunk(std::size_t { 1 } << 20);
    while (file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()))) { }
}

std::shared_ptr<PcmClip> silence(std::size_t frames)
{
    auto clip = std::make_shared<PcmClip>();
    clip->samples.assign(frames * PcmClip::kChannels, 0);
    return clip;
}

/// Loads and runs the audio library once, as the game does when its window
/// shows, so that no test's first cue waits on a busy disk for it and is
/// dropped as stale.
void playSilence()
{
    SdlAudioOutput output;
    output.play(silence(PcmClip::kSampleRate / 10));
    while (const auto askAgain = output.closeIfIdle()) {
        std::this_thread::sleep_for(*askAgain);
    }
}

class RealAudioTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (std::getenv("TARNWICK_TEST_PULSE") == nullptr || s_underHelgrind) {
            s_serverReady = s_underHelgrind;
            return;
        }
        // Instrumented builds route the audio threads' libc calls through
        // the program's own sanitizer code; a page of it first read from disk
        // mid-cue stalls the audio thread for a buffer or more.
        loadIntoPageCache("/proc/self/exe");
        playSilence();
        MonitorRecorder warmUp("test.monitor");
        s_serverReady = warmUp.waitForRealTime(std::chrono::seconds(20));
    }

    void SetUp() override
    {
        ASSERT_NE(std::getenv("TARNWICK_TEST_PULSE"), nullptr)
            << "run through scripts/session.py --pulse, which provides the audio server";
        ASSERT_TRUE(s_serverReady) << "the monitor never kept up with the wall clock";
        ASSERT_TRUE(m_folder.isValid());
    }

    void writeCue(Cue cue, const QByteArray& bytes)
    {
        QFile file(CueFolder(m_folder.path()).filePath(cue));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    void writeTone(Cue cue, double frequency, double seconds, const WaveLayout& layout = {})
    {
        writeCue(cue,
            QByteArray::fromStdString(
                WaveBuilder::tone(layout, frequency, seconds, kToneAmplitude)));
    }

    void startRecording()
    {
        if (s_underHelgrind) {
            return;
        }
        std::string error;
        m_recordingStarted = MonitorRecorder::Clock::now();
        ASSERT_TRUE(m_recorder.start(&error)) << error;
        QTest::qWait(200);
    }

    /// What the sink played since startRecording(), which must be all of it:
    /// an empty or cut recording would pass every check of silence.
    ToneAnalysis stopRecording()
    {
        if (s_underHelgrind) {
            return ToneAnalysis({}, MonitorRecorder::kSampleRate);
        }
        const std::chrono::duration<double> played
            = MonitorRecorder::Clock::now() - m_recordingStarted;
        ToneAnalysis heard(m_recorder.stop(), MonitorRecorder::kSampleRate);
        EXPECT_NEAR(heard.duration(), played.count(), kRecordingTolerance)
            << "the recording does not cover the time the test played";
        return heard;
    }

    /// Where @p frequency was heard. A dropout longer than kDropout splits
    /// the tone unless, around it, threads of the session (the game's or the
    /// server's) waited for a processor about as long (all but kDropout): the
    /// stream ran dry on a loaded machine, which no buffer as short as a cue's
    /// latency allows outlasts. A dropout nobody waited for (silence handed
    /// out, or the audio thread blocked by the game) is the game's own.
    std::vector<ToneAnalysis::Span> spansOf(const ToneAnalysis& heard, double frequency) const
    {
        return heard.spans(frequency, kThreshold, kDropout, [&](const ToneAnalysis::Span& gap) {
            const std::chrono::duration<double> waited
                = m_recorder.processorWait(gap.start, gap.end, kDropoutLead);
            if (waited.count() < gap.end - gap.start - kDropout) {
                return false;
            }
            std::printf("note: %.0f Hz dropped out for %.0f ms at %.3f s; threads of the session "
                        "waited for a processor during %.0f ms around it\n",
                frequency, (gap.end - gap.start) * 1000.0, gap.start, waited.count() * 1000.0);
            return true;
        });
    }

    /// Whether a cue asked for at @p requested and never heard was skipped
    /// as stale, as it must be when the worker cannot start it in time: only
    /// where the session's threads waited for a processor during nearly all
    /// of that time. Any other cue never heard is lost, and fails.
    bool skippedOnALoadedMachine(AudioOutput::Clock::time_point requested) const
    {
        const auto waited = m_recorder.processorWait(requested, requested + CueWorker::kStaleAfter);
        if (std::chrono::duration<double>(waited)
            < kStarvedShare * std::chrono::duration<double>(CueWorker::kStaleAfter)) {
            return false;
        }
        std::printf("note: a cue was skipped; threads of the session waited for a processor "
                    "during %lld ms of the %lld ms it had to start\n",
            static_cast<long long>(
                std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()),
            static_cast<long long>(CueWorker::kStaleAfter.count()));
        return true;
    }

    static inline const bool s_underHelgrind = std::getenv("TARNWICK_UNDER_HELGRIND") != nullptr;
    static inline bool s_serverReady = false;
    QTemporaryDir m_folder;
    MonitorRecorder m_recorder { "test.monitor" };
    MonitorRecorder::Clock::time_point m_recordingStarted {};
};

/// For failure messages: where a tone was heard.
std::string describe(const std::vector<ToneAnalysis::Span>& spans)
{
    std::string text;
    for (const auto& span : spans) {
        text += " [" + std::to_string(span.start) + " s, " + std::to_string(span.end) + " s]";
    }
    return text.empty() ? " nowhere" : text;
}

struct FormatCase {
    Cue cue = Cue::pickup;
    WaveLayout layout;
    double frequency = 0.0;
};

TEST_F(RealAudioTest, EveryCommonWaveLayoutIsHeardInFullAtItsOwnPitch)
{
    constexpr double kLength = 0.4;
    const FormatCase cases[] = {
        { Cue::pickup, { SampleEncoding::unsigned8, 1, 8000 }, 500.0 },
        { Cue::pegdrop, { SampleEncoding::signed16, 2, 44100 }, 700.0 },
        { Cue::winner, { SampleEncoding::signed24, 1, 96000 }, 900.0 },
        { Cue::loser, { SampleEncoding::signed32, 2, 22050 }, 1100.0 },
        { Cue::loser4, { SampleEncoding::float32, 1, 48000 }, 1300.0 },
        { Cue::loser3, { SampleEncoding::float32, 2, 96000 }, 1500.0 },
    };
    for (const FormatCase& c : cases) {
        writeTone(c.cue, c.frequency, kLength, c.layout);
    }
    WaveCuePlayer player(m_folder.path());
    std::vector<AudioOutput::Clock::time_point> requested;
    startRecording();
    for (const FormatCase& c : cases) {
        requested.push_back(AudioOutput::Clock::now());
        player.playCue(c.cue);
        QTest::qWait(650);
    }
    // Dropouts make the last cue end late.
    QTest::qWait(400);
    const ToneAnalysis heard = stopRecording();

    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const FormatCase& c = cases[i];
        SCOPED_TRACE(cueName(c.cue).data());
        const auto spans = spansOf(heard, c.frequency);
        if (spans.empty() && skippedOnALoadedMachine(requested[i])) {
            continue;
        }
        ASSERT_EQ(spans.size(), 1U) << "heard" << describe(spans);
        EXPECT_NEAR(spans[0].length(), kLength, kLengthTolerance);
    }
}

TEST_F(RealAudioTest, ANewCueCutsOffTheOneThatPlays)
{
    constexpr double kLong = 600.0;
    constexpr double kShort = 1000.0;
    writeTone(Cue::winner, kLong, 1.5);
    writeTone(Cue::pegdrop, kShort, 0.3);
    WaveCuePlayer player(m_folder.path());
    startRecording();
    player.playCue(Cue::winner);
    QTest::qWait(400);
    player.playCue(Cue::pegdrop);
    QTest::qWait(900);
    const ToneAnalysis heard = stopRecording();

    const auto first = spansOf(heard, kLong);
    const auto second = spansOf(heard, kShort);
    ASSERT_EQ(first.size(), 1U) << "heard" << describe(first);
    ASSERT_EQ(second.size(), 1U) << "heard" << describe(second);
    // Cut off well before its 1.5 s, right where the new cue starts.
    EXPECT_LT(first[0].length(), 0.9);
    EXPECT_NEAR(first[0].end, second[0].start, 0.02);
    EXPECT_LE(heard.overlappingWindows(kLong, kShort, kThreshold), 2);
    EXPECT_NEAR(second[0].length(), 0.3, kLengthTolerance);
}

TEST_F(RealAudioTest, AMissingFileIsSilent)
{
    WaveCuePlayer player(m_folder.path());
    startRecording();
    player.playCue(Cue::loser);
    QTest::qWait(500);
    const ToneAnalysis heard = stopRecording();

    EXPECT_LT(heard.peakBetween(0.0, heard.duration()), kSilence);
}

struct BrokenCase {
    const char* name = "";
    QByteArray bytes; ///< Empty: no file at all.
};

TEST_F(RealAudioTest, AMissingOrBrokenFileStopsTheCueThatPlaysAndAddsNothing)
{
    constexpr double kTone = 800.0;
    const BrokenCase cases[] = {
        { "missing", {} },
        { "garbage", QByteArray(4096, 'x') },
        { "truncated",
            QByteArray::fromStdString(WaveBuilder::tone({}, 1200.0, 0.5).substr(0, 30000)) },
    };
    writeTone(Cue::winner, kTone, 1.5);
    for (const BrokenCase& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(CueFolder(m_folder.path()).filePath(Cue::loser));
        if (!c.bytes.isEmpty()) {
            writeCue(Cue::loser, c.bytes);
        }
        WaveCuePlayer player(m_folder.path());
        startRecording();
        player.playCue(Cue::winner);
        QTest::qWait(300);
        player.playCue(Cue::loser);
        QTest::qWait(600);
        const ToneAnalysis heard = stopRecording();

        const auto spans = spansOf(heard, kTone);
        ASSERT_EQ(spans.size(), 1U) << "heard" << describe(spans);
        EXPECT_LT(spans[0].length(), 0.8);
        EXPECT_LT(heard.peakBetween(spans[0].end + 0.03, heard.duration()), kSilence);
    }
}

TEST_F(RealAudioTest, TheDeviceClosesOnceACueHasPlayedOut)
{
    const auto clip = silence(PcmClip::kSampleRate / 5);
    // The test's thread stands in for the cue worker.
    SdlAudioOutput output;
    EXPECT_FALSE(output.isOpen());
    output.play(clip);
    ASSERT_TRUE(output.isOpen());
    const auto askAgain = output.closeIfIdle();
    ASSERT_TRUE(askAgain.has_value()) << "closed while the clip plays";
    // 200 ms of clip, then open for the rest of a move's cues.
    EXPECT_GT(*askAgain, SdlAudioOutput::kKeepOpen + std::chrono::milliseconds(150));
    std::this_thread::sleep_for(*askAgain + std::chrono::milliseconds(200));
    EXPECT_EQ(output.closeIfIdle(), std::nullopt);
    EXPECT_FALSE(output.isOpen());
    output.play(clip);
    EXPECT_TRUE(output.isOpen()) << "a later cue opens it again";
}

TEST_F(RealAudioTest, CuesAtOtherRatesAreHeardEachTimeTheDeviceOpensAgain)
{
    // Each cue is decoded (resampled) while the device closes after the
    // one before: SDL must be used from one thread only.
    constexpr double kLength = 0.2;
    const FormatCase cases[] = {
        { Cue::pegdrop, { SampleEncoding::signed16, 2, 44100 }, 700.0 },
        { Cue::loser, { SampleEncoding::signed16, 1, 22050 }, 1100.0 },
    };
    for (const FormatCase& c : cases) {
        writeTone(c.cue, c.frequency, kLength, c.layout);
    }
    WaveCuePlayer player(m_folder.path());
    player.warmUp();
    startRecording();
    for (int round = 0; round < 2; ++round) {
        for (const FormatCase& c : cases) {
            player.playCue(c.cue);
            // Clip, the time it stays open, and time for the device to close.
            QTest::qWait(
                static_cast<int>(std::chrono::milliseconds(SdlAudioOutput::kKeepOpen).count())
                + (s_underHelgrind ? 2500 : 600));
        }
    }
    const ToneAnalysis heard = stopRecording();

    for (const FormatCase& c : s_underHelgrind ? std::span<const FormatCase> {} : cases) {
        SCOPED_TRACE(cueName(c.cue).data());
        const auto spans = spansOf(heard, c.frequency);
        ASSERT_EQ(spans.size(), 2U) << "heard" << describe(spans);
        EXPECT_NEAR(spans[1].length(), kLength, kLengthTolerance);
    }
}

} // namespace
} // namespace tarnwick::test
