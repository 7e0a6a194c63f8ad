// The real audio output where no audio server answers: on CI there is no
// sound card either. Whatever the machine, it must stay quiet and must not
// hang. That asking for a cue never waits on the device, CueWorkerTest shows
// with a backend stuck for good; here the longest call is only printed.
#include "WaveBuilder.h"
#include "WaveCuePlayer.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace tarnwick::test {
namespace {

/// Sends everything written to standard error into a file while alive.
class StderrCapture {
public:
    StderrCapture()
        : m_file(std::tmpfile())
        , m_saved(dup(STDERR_FILENO))
    {
        std::fflush(stderr);
        dup2(fileno(m_file), STDERR_FILENO);
    }
    ~StderrCapture()
    {
        restore();
        std::fclose(m_file);
    }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    /// Puts standard error back and returns what was written meanwhile.
    std::string restore()
    {
        if (m_saved >= 0) {
            std::fflush(stderr);
            dup2(m_saved, STDERR_FILENO);
            close(m_saved);
            m_saved = -1;
        }
        std::string text;
        std::rewind(m_file);
        for (int c = std::fgetc(m_file); c != EOF; c = std::fgetc(m_file)) {
            text.push_back(static_cast<char>(c));
        }
        return text;
    }

private:
    std::FILE* m_file;
    int m_saved;
};

// Far beyond any wait on a loaded machine: a call that takes this long hangs.
constexpr std::chrono::seconds kHang { 5 };

TEST(SdlAudioOutputQuietTest, WithoutAnAudioServerCuesAreQuietNoOps)
{
    // Point the audio library at a server that is not there.
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    setenv("PULSE_SERVER", "unix:/nonexistent/tarnwick/native", 1);
    setenv("XDG_RUNTIME_DIR", qPrintable(runtime.path()), 1);

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // Silence, in case this machine does have a sound card.
    QFile good(CueFolder(folder.path()).filePath(Cue::pickup));
    ASSERT_TRUE(good.open(QIODevice::WriteOnly));
    good.write(QByteArray::fromStdString(WaveBuilder::encode({}, std::vector<float>(4800, 0.0F))));
    good.close();
    QFile garbage(CueFolder(folder.path()).filePath(Cue::pegdrop));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(500, 'g'));
    garbage.close();

    StderrCapture capture;
    std::chrono::steady_clock::duration longest {};
    {
        WaveCuePlayer player(folder.path());
        for (int round = 0; round < 10; ++round) {
            for (const Cue cue : { Cue::pickup, Cue::pegdrop, Cue::winner }) {
                const auto start = std::chrono::steady_clock::now();
                player.playCue(cue);
                longest = std::max(longest, std::chrono::steady_clock::now() - start);
                // Time for the worker to look for a device at each cue.
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        }
    }
    const std::string written = capture.restore();

    const auto longestMs = std::chrono::duration_cast<std::chrono::milliseconds>(longest).count();
    std::printf("the longest playCue() took %lld ms\n", static_cast<long long>(longestMs));
    EXPECT_EQ(written, "");
    // Only a hang fails.
    EXPECT_LT(longest, kHang) << longestMs << " ms";
}

} // namespace
} // namespace tarnwick::test
