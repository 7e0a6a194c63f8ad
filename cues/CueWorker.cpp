#include "CueWorker.h"

#include "SleeperScheduling.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>

namespace tarnwick {

namespace {

/// When the backend did not ask to be asked again.
constexpr CueWorker::Clock::time_point kNever = CueWorker::Clock::time_point::max();

/// Runs @p call, a call into the backend. A backend that throws (a broken
/// file it did not expect, memory running out, an audio library's quirk)
/// costs only its cue: the worker, and with it the game, goes on.
template <typename Call> bool survive(Call call) noexcept
{
    try {
        call();
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

struct CueWorker::State {
    explicit State(std::unique_ptr<CueBackend> b)
        : backend(std::move(b))
    { }

    struct Request {
        Cue cue = Cue::pickup;
        Clock::time_point requested {};
    };

    std::unique_ptr<CueBackend> backend; ///< Used and destroyed on the thread only.
    std::mutex mutex; ///< Guards the fields below; never held while the backend runs.
    std::condition_variable wake;
    std::condition_variable finishedChanged;
    std::optional<Request> pending;
    bool warmUpWanted = false;
    bool stopping = false;
    bool finished = false;
};

CueWorker::CueWorker(std::unique_ptr<CueBackend> backend)
    : m_state(std::make_shared<State>(std::move(backend)))
    , m_thread([state = m_state] { run(state); })
{ }

CueWorker::~CueWorker()
{
    std::unique_lock lock(m_state->mutex);
    m_state->stopping = true;
    m_state->wake.notify_one();
    const bool finished
        = m_state->finishedChanged.wait_for(lock, kExitWait, [this] { return m_state->finished; });
    lock.unlock();
    if (finished) {
        m_thread.join();
    } else {
        // Stuck in the audio library: see the class comment.
        m_thread.detach();
    }
}

void CueWorker::warmUp()
{
    // Notified under the lock, so helgrind sees the hand-over; the worker
    // holds the lock only for a few instructions, never while it plays.
    const std::lock_guard lock(m_state->mutex);
    m_state->warmUpWanted = true;
    m_state->wake.notify_one();
}

void CueWorker::playCue(Cue cue)
{
    const State::Request request { cue, Clock::now() };
    const std::lock_guard lock(m_state->mutex);
    m_state->pending = request;
    m_state->wake.notify_one();
}

void CueWorker::run(const std::shared_ptr<State>& state)
{
    State& s = *state;
    Clock::time_point askAgainAt = kNever;
    const auto askAgainAfter = [&askAgainAt](std::optional<Clock::duration> delay) {
        askAgainAt = delay ? Clock::now() + *delay : kNever;
    };

    // A backend that cannot tell is not asked again until the next cue.
    const auto askAgain = [&s, &askAgainAfter] {
        if (!survive([&] { askAgainAfter(s.backend->closeIfIdle()); })) {
            askAgainAfter(std::nullopt);
        }
    };

    bool asleep = false;
    const auto wakeUp = [&asleep] {
        if (asleep) {
            sleeper_scheduling::afterWaking();
            asleep = false;
        }
    };

    std::unique_lock lock(s.mutex);
    while (!s.stopping) {
        if (s.warmUpWanted) {
            s.warmUpWanted = false;
            lock.unlock();
            wakeUp();
            survive([&s] { s.backend->warmUp(); });
            lock.lock();
        } else if (s.pending) {
            const State::Request request = *s.pending;
            s.pending.reset();
            lock.unlock();
            wakeUp();
            survive([&] { s.backend->play(request.cue, request.requested + kStaleAfter); });
            askAgain();
            lock.lock();
        } else if (askAgainAt != kNever && Clock::now() >= askAgainAt) {
            lock.unlock();
            wakeUp();
            askAgain();
            lock.lock();
        } else if (!asleep) {
            // Not under the lock; the loop then looks for work again.
            lock.unlock();
            sleeper_scheduling::beforeSleeping();
            asleep = true;
            lock.lock();
        } else if (askAgainAt != kNever) {
            s.wake.wait_until(lock, askAgainAt);
        } else {
            s.wake.wait(lock);
        }
    }
    lock.unlock();
    wakeUp();
    // Closing the device may block as long as the audio server stalls.
    s.backend.reset();
    lock.lock();
    s.finished = true;
    s.finishedChanged.notify_all();
}

} // namespace tarnwick
