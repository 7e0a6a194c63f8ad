#include "WaveCueBackend.h"
#include "CueFolder.h"
#include "WaveBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick::test {
namespace {

/// Writes down what the player asks of the audio output.
/// Each call is logged as "stop", or "play N" with the clip's frame count.
class RecordingOutput final : public AudioOutput {
public:
    explicit RecordingOutput(std::vector<std::string>& log)
        : m_log(log)
    { }

    void warmUp() override { }
    void play(std::shared_ptr<const PcmClip> clip, Clock::time_point /*startBy*/) override
    {
        m_log.push_back("play " + std::to_string(clip->frameCount()));
    }
    void stop() override { m_log.emplace_back("stop"); }
    std::optional<Clock::duration> closeIfIdle() override { return std::nullopt; }

private:
    std::vector<std::string>& m_log;
};

/// A clip's length in frames encodes which file it came from.
QByteArray waveOfFrames(int frames)
{
    return WaveBuilder::encode({}, std::vector<float>(static_cast<std::size_t>(frames), 0.25F));
}

std::string played(int frames)
{
    return "play " + std::to_string(frames);
}

class WaveCueBackendTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    /// Plays @p cue with time to spare, as the worker does when all is well.
    void play(Cue cue) { m_backend.play(cue, CueBackend::Clock::now() + std::chrono::hours(1)); }

    void writeCue(Cue cue, const QByteArray& bytes)
    {
        QFile file(CueFolder(m_folder.path()).filePath(cue));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    QTemporaryDir m_folder;
    std::vector<std::string> m_calls;
    WaveCueBackend m_backend { m_folder.path().toStdString(),
        std::make_unique<RecordingOutput>(m_calls) };
};

TEST_F(WaveCueBackendTest, EachCuePlaysItsOwnFile)
{
    const Cue cues[]
        = { Cue::pickup, Cue::pegdrop, Cue::winner, Cue::loser, Cue::loser4, Cue::loser3 };
    std::vector<std::string> expected;
    int frames = 100;
    for (const Cue cue : cues) {
        writeCue(cue, waveOfFrames(frames));
        expected.push_back(played(frames));
        frames += 100;
    }
    for (const Cue cue : cues) {
        play(cue);
    }
    EXPECT_EQ(m_calls, expected);
}

struct BrokenCase {
    const char* name = "";
    QByteArray bytes;
};

TEST_F(WaveCueBackendTest, AMissingBrokenOrLateCueOnlyStopsTheCueThatPlays)
{
    const QByteArray good = waveOfFrames(4800);
    const BrokenCase cases[] = {
        { "empty", {} },
        { "truncated", good.left(good.size() / 2) },
        { "garbage", QByteArray(1000, '\x01') },
    };
    writeCue(Cue::pickup, good);
    play(Cue::pickup);
    play(Cue::winner); // no such file
    for (const BrokenCase& c : cases) {
        writeCue(Cue::winner, c.bytes);
        play(Cue::winner);
    }
    // A folder where the file should be cannot be read as one.
    QFile::remove(CueFolder(m_folder.path()).filePath(Cue::winner));
    ASSERT_TRUE(QDir(m_folder.path()).mkdir(CueFolder::fileName(Cue::winner)));
    play(Cue::winner);
    // Too late to be heard: the worker could not start it in time.
    m_backend.play(Cue::pickup, CueBackend::Clock::now() - std::chrono::milliseconds(1));

    EXPECT_EQ(m_calls,
        (std::vector<std::string> {
            played(4800), "stop", "stop", "stop", "stop", "stop", "stop" }));
}

TEST_F(WaveCueBackendTest, AFileChangedWhileTheGameRunsIsHeardTheNextTime)
{
    writeCue(Cue::pegdrop, waveOfFrames(300));
    play(Cue::pegdrop);
    play(Cue::pegdrop);
    writeCue(Cue::pegdrop, waveOfFrames(700));
    play(Cue::pegdrop);
    QFile::remove(CueFolder(m_folder.path()).filePath(Cue::pegdrop));
    play(Cue::pegdrop);
    writeCue(Cue::pegdrop, waveOfFrames(300));
    play(Cue::pegdrop);

    EXPECT_EQ(m_calls,
        (std::vector<std::string> { played(300), played(300), played(700), "stop", played(300) }));
}

TEST_F(WaveCueBackendTest, AFileWithTheSameSizeAndANewTimeIsReadAgain)
{
    // Same length, different samples: only the time stamp tells them apart.
    writeCue(Cue::loser,
        WaveBuilder::encode({ SampleEncoding::signed16, 1, 48000 }, std::vector<float>(480, 0.1F)));
    play(Cue::loser);
    writeCue(Cue::loser,
        WaveBuilder::encode({ SampleEncoding::signed16, 2, 48000 }, std::vector<float>(240, 0.1F)));
    QFile file(CueFolder(m_folder.path()).filePath(Cue::loser));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(
        QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
    file.close();
    play(Cue::loser);

    EXPECT_EQ(m_calls, (std::vector<std::string> { played(480), played(240) }));
}

} // namespace
} // namespace tarnwick::test
