// The cue worker with a backend that writes down its calls and can be made
// to hang, as a backend does inside a stalled audio server.
#include "CueWorker.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tarnwick::test {
namespace {

using Clock = CueWorker::Clock;
using namespace std::chrono_literals;

/// What the test and the backend on the worker's thread share.
struct Log {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> calls;
    std::vector<Clock::time_point> startBys;
    std::thread::id thread;
    pid_t threadId = 0;
    std::vector<int> policies; ///< The worker's scheduling policy at each call.
    bool stuck = false; ///< play() hangs until this is false.
    std::vector<std::string> throwing; ///< Calls that throw once written down.
    bool destroyed = false;

    void add(std::string call)
    {
        const std::lock_guard lock(mutex);
        calls.push_back(std::move(call));
        thread = std::this_thread::get_id();
        threadId = gettid();
        policies.push_back(sched_getscheduler(0));
        changed.notify_all();
        if (std::find(throwing.begin(), throwing.end(), calls.back()) != throwing.end()) {
            throw std::runtime_error(calls.back());
        }
    }

    /// Waits until @p done holds, for at most 5 s.
    template <typename Done> bool waitFor(Done done)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 5s, done);
    }
};

class RecordingBackend final : public CueBackend {
public:
    explicit RecordingBackend(std::shared_ptr<Log> log)
        : m_log(std::move(log))
    { }
    ~RecordingBackend() override
    {
        const std::lock_guard lock(m_log->mutex);
        m_log->destroyed = true;
        m_log->changed.notify_all();
    }
    RecordingBackend(const RecordingBackend&) = delete;
    RecordingBackend& operator=(const RecordingBackend&) = delete;

    void warmUp() override { m_log->add("warm up"); }

    void play(Cue cue, Clock::time_point startBy) override
    {
        m_log->add("play " + std::string(cueName(cue)));
        std::unique_lock lock(m_log->mutex);
        m_log->startBys.push_back(startBy);
        m_log->changed.wait(lock, [this] { return !m_log->stuck; });
    }

    std::optional<Clock::duration> closeIfIdle() override
    {
        // Playing for 30 ms, then closed.
        m_log->add("close if idle");
        return ++m_asked == 1 ? std::optional<Clock::duration>(30ms) : std::nullopt;
    }

private:
    std::shared_ptr<Log> m_log;
    int m_asked = 0;
};

class CueWorkerTest : public ::testing::Test {
protected:
    std::vector<std::string> calls()
    {
        const std::lock_guard lock(m_log->mutex);
        return m_log->calls;
    }

    void setStuck(bool stuck)
    {
        const std::lock_guard lock(m_log->mutex);
        m_log->stuck = stuck;
        m_log->changed.notify_all();
    }

    std::shared_ptr<Log> m_log = std::make_shared<Log>();
    std::unique_ptr<CueWorker> m_worker
        = std::make_unique<CueWorker>(std::make_unique<RecordingBackend>(m_log));
};

TEST_F(CueWorkerTest, TheWorkerPlaysTheCueAndClosesTheDeviceWhenTheBackendAsks)
{
    m_worker->warmUp();
    ASSERT_TRUE(m_log->waitFor([this] { return m_log->calls.size() == 1; }));
    const auto before = Clock::now();
    m_worker->playCue(Cue::pegdrop);
    const auto after = Clock::now();
    ASSERT_TRUE(m_log->waitFor([this] { return m_log->calls.size() == 4; }));
    std::this_thread::sleep_for(100ms);

    EXPECT_EQ(calls(),
        (std::vector<std::string> { "warm up", "play pegdrop", "close if idle", "close if idle" }));
    EXPECT_NE(m_log->thread, std::this_thread::get_id());
    // Asleep, waking it must not take the caller's processor; at work, the
    // threads the audio library starts inherit normal scheduling.
    EXPECT_EQ(sched_getscheduler(m_log->threadId), SCHED_BATCH);
    EXPECT_EQ(m_log->policies, std::vector<int>(4, SCHED_OTHER));
    ASSERT_EQ(m_log->startBys.size(), 1U);
    EXPECT_GE(m_log->startBys[0], before + CueWorker::kStaleAfter);
    EXPECT_LE(m_log->startBys[0], after + CueWorker::kStaleAfter);
}

TEST_F(CueWorkerTest, CuesAskedForDuringAStallWaitInOneSlotAndStartTooLateToBeHeard)
{
    setStuck(true);
    m_worker->playCue(Cue::pickup);
    ASSERT_TRUE(m_log->waitFor([this] { return m_log->calls.size() == 1; }));
    // The worker hangs in the backend; asking does not.
    m_worker->playCue(Cue::pegdrop);
    m_worker->playCue(Cue::winner);
    std::this_thread::sleep_for(CueWorker::kStaleAfter + 20ms);
    const auto released = Clock::now();
    setStuck(false);
    ASSERT_TRUE(m_log->waitFor([this] { return m_log->calls.size() == 4; }));

    EXPECT_EQ(calls(),
        (std::vector<std::string> {
            "play pickup", "close if idle", "play winner", "close if idle" }));
    EXPECT_LT(m_log->startBys[1], released);
}

TEST_F(CueWorkerTest, ABackendThatThrowsCostsOnlyItsCueAndTheWorkerGoesOn)
{
    {
        const std::lock_guard lock(m_log->mutex);
        m_log->throwing = { "warm up", "play pickup", "close if idle" };
    }
    m_worker->warmUp();
    m_worker->playCue(Cue::pickup);
    ASSERT_TRUE(m_log->waitFor([this] { return m_log->calls.size() == 3; }));
    m_worker->playCue(Cue::pegdrop);
    ASSERT_TRUE(m_log->waitFor([this] { return m_log->calls.size() == 5; }));
    // A backend that cannot say when to ask again is not asked in a loop.
    std::this_thread::sleep_for(100ms);

    EXPECT_EQ(calls(),
        (std::vector<std::string> {
            "warm up", "play pickup", "close if idle", "play pegdrop", "close if idle" }));
    ASSERT_EQ(m_log->startBys.size(), 1U);
}

TEST_F(CueWorkerTest, AtExitABackendStuckInTheAudioLibraryIsLeftBehindAndEndsOnItsOwn)
{
    setStuck(true);
    m_worker->playCue(Cue::winner);
    ASSERT_TRUE(m_log->waitFor([this] { return m_log->calls.size() == 1; }));
    m_worker.reset();
    {
        const std::lock_guard lock(m_log->mutex);
        EXPECT_FALSE(m_log->destroyed) << "destruction waited for the stuck backend";
    }
    setStuck(false);
    EXPECT_TRUE(m_log->waitFor([this] { return m_log->destroyed; }));
}

} // namespace
} // namespace tarnwick::test
