#include "WaveCuePlayer.h"
#include "WaveBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
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

    void play(std::shared_ptr<const PcmClip> clip) override
    {
        m_log.push_back("play " + std::to_string(clip->frameCount()));
    }
    void stop() override { m_log.emplace_back("stop"); }

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

class WaveCuePlayerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

    void writeCue(Cue cue, const QByteArray& bytes)
    {
        QFile file(CueFolder(m_folder.path()).filePath(cue));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    QTemporaryDir m_folder;
    std::vector<std::string> m_calls;
    WaveCuePlayer m_player { m_folder.path(), std::make_unique<RecordingOutput>(m_calls) };
};

TEST_F(WaveCuePlayerTest, EachCuePlaysItsOwnFile)
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
        m_player.playCue(cue);
    }
    EXPECT_EQ(m_calls, expected);
}

struct BrokenCase {
    const char* name = "";
    QByteArray bytes;
};

TEST_F(WaveCuePlayerTest, AMissingOrBrokenFileOnlyStopsTheCueThatPlays)
{
    const QByteArray good = waveOfFrames(4800);
    const BrokenCase cases[] = {
        { "empty", {} },
        { "truncated", good.left(good.size() / 2) },
        { "garbage", QByteArray(1000, '\x01') },
    };
    writeCue(Cue::pickup, good);
    m_player.playCue(Cue::pickup);
    m_player.playCue(Cue::winner); // no such file
    for (const BrokenCase& c : cases) {
        writeCue(Cue::winner, c.bytes);
        m_player.playCue(Cue::winner);
    }
    // A folder where the file should be cannot be read as one.
    QFile::remove(CueFolder(m_folder.path()).filePath(Cue::winner));
    ASSERT_TRUE(QDir(m_folder.path()).mkdir(CueFolder::fileName(Cue::winner)));
    m_player.playCue(Cue::winner);

    EXPECT_EQ(m_calls,
        (std::vector<std::string> { played(4800), "stop", "stop", "stop", "stop", "stop" }));
}

TEST_F(WaveCuePlayerTest, AFileChangedWhileTheGameRunsIsHeardTheNextTime)
{
    writeCue(Cue::pegdrop, waveOfFrames(300));
    m_player.playCue(Cue::pegdrop);
    m_player.playCue(Cue::pegdrop);
    writeCue(Cue::pegdrop, waveOfFrames(700));
    m_player.playCue(Cue::pegdrop);
    QFile::remove(CueFolder(m_folder.path()).filePath(Cue::pegdrop));
    m_player.playCue(Cue::pegdrop);
    writeCue(Cue::pegdrop, waveOfFrames(300));
    m_player.playCue(Cue::pegdrop);

    EXPECT_EQ(m_calls,
        (std::vector<std::string> { played(300), played(300), played(700), "stop", played(300) }));
}

TEST_F(WaveCuePlayerTest, AFileWithTheSameSizeAndANewTimeIsReadAgain)
{
    // Same length, different samples: only the time stamp tells them apart.
    writeCue(Cue::loser,
        WaveBuilder::encode({ SampleEncoding::signed16, 1, 48000 }, std::vector<float>(480, 0.1F)));
    m_player.playCue(Cue::loser);
    writeCue(Cue::loser,
        WaveBuilder::encode({ SampleEncoding::signed16, 2, 48000 }, std::vector<float>(240, 0.1F)));
    QFile file(CueFolder(m_folder.path()).filePath(Cue::loser));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(
        QDateTime::currentDateTime().addSecs(5), QFileDevice::FileModificationTime));
    file.close();
    m_player.playCue(Cue::loser);

    EXPECT_EQ(m_calls, (std::vector<std::string> { played(480), played(240) }));
}

} // namespace
} // namespace tarnwick::test
