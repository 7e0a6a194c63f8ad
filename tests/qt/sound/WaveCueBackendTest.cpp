#include "WaveCueBackend.h"
#include "CueCatalog.h"
#include "CueFolder.h"
#include "CueWorker.h"
#include "WaveBuilder.h"
#include "WaveCuePlayer.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace tarnwick::test {
namespace {

/// Writes down what the player asks of the audio output.
/// Each call is logged as "stop", or "play N" with the clip's frame count.
/// Its device takes @p openDelay to open, as a waking sink does, and closes
/// as soon as it is asked to, so that every cue opens it again.
class RecordingOutput final : public AudioOutput {
public:
    explicit RecordingOutput(
        std::vector<std::string>& log, std::chrono::milliseconds openDelay = {})
        : m_log(log)
        , m_openDelay(openDelay)
    { }

    void warmUp() override { }
    bool open() override
    {
        std::this_thread::sleep_for(m_openDelay);
        m_open = true;
        return true;
    }
    bool isOpen() const override { return m_open; }
    void play(std::shared_ptr<const PcmClip> clip) override
    {
        m_log.push_back("play " + std::to_string(clip->frameCount()));
    }
    void stop() override { m_log.emplace_back("stop"); }
    std::optional<Clock::duration> closeIfIdle() override
    {
        m_open = false;
        return std::nullopt;
    }

private:
    std::vector<std::string>& m_log;
    std::chrono::milliseconds m_openDelay;
    bool m_open = false;
};

/// A clip's length in frames encodes which file it came from.
QByteArray waveOfFrames(int frames)
{
    return QByteArray::fromStdString(
        WaveBuilder::encode({}, std::vector<float>(static_cast<std::size_t>(frames), 0.25F)));
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
    // Past the cap: not read at all, however it starts.
    writeCue(Cue::winner, good);
    ASSERT_TRUE(QFile::resize(
        CueFolder(m_folder.path()).filePath(Cue::winner), qint64 { kMaxCueFileBytes } + 1));
    play(Cue::winner);
    // A FIFO would hold the worker until something writes to it.
    const QString winnerPath = CueFolder(m_folder.path()).filePath(Cue::winner);
    QFile::remove(winnerPath);
    ASSERT_EQ(::mkfifo(QFile::encodeName(winnerPath).constData(), 0600), 0);
    play(Cue::winner);
    // A folder where the file should be cannot be read as one.
    QFile::remove(winnerPath);
    ASSERT_TRUE(QDir(m_folder.path()).mkdir(CueFolder::fileName(Cue::winner)));
    play(Cue::winner);
    // Too late to be heard: the worker could not start it in time.
    m_backend.play(Cue::pickup, CueBackend::Clock::now() - std::chrono::milliseconds(1));

    EXPECT_EQ(m_calls,
        (std::vector<std::string> {
            played(4800), "stop", "stop", "stop", "stop", "stop", "stop", "stop", "stop" }));
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

TEST_F(WaveCueBackendTest, EveryCueOfAMoveIsHeardWhileTheDeviceOpensSlowly)
{
    using namespace std::chrono_literals;
    writeCue(Cue::pickup, waveOfFrames(100));
    writeCue(Cue::pegdrop, waveOfFrames(200));
    writeCue(Cue::winner, waveOfFrames(300));
    std::vector<std::string> heard;
    {
        WaveCuePlayer player(m_folder.path(), std::make_unique<RecordingOutput>(heard, 350ms));
        // A quick move: the drop comes while the device still opens for the pick-up.
        player.playCue(Cue::pickup);
        std::this_thread::sleep_for(150ms);
        player.playCue(Cue::pegdrop);
        std::this_thread::sleep_for(1000ms);
        // The last move: the winner comes with the drop, and replaces it as it waits.
        player.playCue(Cue::pickup);
        std::this_thread::sleep_for(150ms);
        player.playCue(Cue::pegdrop);
        player.playCue(Cue::winner);
        // Past both openings, so the player's end finds the worker idle.
        std::this_thread::sleep_for(1200ms);
    }
    EXPECT_EQ(
        heard, (std::vector<std::string> { played(100), played(200), played(100), played(300) }));

    // A device that has not opened within the bound costs its cue only.
    std::vector<std::string> slow;
    WaveCueBackend backend(m_folder.path().toStdString(),
        std::make_unique<RecordingOutput>(slow, WaveCueBackend::kOpenWait + 100ms));
    backend.play(Cue::pickup, CueBackend::Clock::now() + CueWorker::kStaleAfter);
    backend.play(Cue::pegdrop, CueBackend::Clock::now() + CueWorker::kStaleAfter);
    EXPECT_EQ(slow, (std::vector<std::string> { "stop", played(200) }));
}

enum class Replacement { newTime, inPlaceKeepingTime, renamedKeepingTime };

struct ReplacementCase {
    const char* name = "";
    Replacement how = Replacement::newTime;
};

TEST_F(WaveCueBackendTest, AFileReplacedWithTheSameSizeIsReadAgainWhateverItsTimeStamp)
{
    const ReplacementCase cases[] = {
        { "a new time stamp", Replacement::newTime },
        { "written in place, time kept (cp -p)", Replacement::inPlaceKeepingTime },
        { "renamed over, time kept (rsync -a, an archive)", Replacement::renamedKeepingTime },
    };
    // Same length, different samples: the size never tells them apart.
    const QByteArray mono = QByteArray::fromStdString(
        WaveBuilder::encode({ SampleEncoding::signed16, 1, 48000 }, std::vector<float>(480, 0.1F)));
    const QByteArray stereo = QByteArray::fromStdString(
        WaveBuilder::encode({ SampleEncoding::signed16, 2, 48000 }, std::vector<float>(240, 0.1F)));
    const QString path = CueFolder(m_folder.path()).filePath(Cue::loser);
    for (const ReplacementCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_calls.clear();
        writeCue(Cue::loser, mono);
        play(Cue::loser);
        // To the nanosecond, as cp -p and rsync -a keep it.
        struct stat original { };
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &original), 0);
        std::array<timespec, 2> times { original.st_atim, original.st_mtim };
        times[1].tv_sec += c.how == Replacement::newTime ? 5 : 0;
        // Past the file system's clock tick, as any copy by hand is.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));

        const QString written = c.how == Replacement::renamedKeepingTime ? path + ".new" : path;
        QFile file(written);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(stereo);
        file.close();
        ASSERT_EQ(
            ::utimensat(AT_FDCWD, QFile::encodeName(written).constData(), times.data(), 0), 0);
        if (written != path) {
            ASSERT_EQ(std::rename(QFile::encodeName(written).constData(),
                          QFile::encodeName(path).constData()),
                0);
        }
        play(Cue::loser);
        play(Cue::loser);

        EXPECT_EQ(m_calls, (std::vector<std::string> { played(480), played(240), played(240) }));
    }
}

} // namespace
} // namespace tarnwick::test
