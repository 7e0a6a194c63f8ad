#pragma once

#include "CueBackend.h"
#include "CuePlayer.h"

#include <chrono>
#include <memory>
#include <thread>

namespace tarnwick {

/// Plays cues on a thread of its own through a CueBackend, so the thread
/// that asks for a cue never waits on the audio system or the disk.
/// Standard C++ only: every front-end drives it with its own backend.
///
/// - playCue() stamps the time, leaves the cue in a single slot and returns;
///   a cue not yet started when a newer one comes is replaced, since the
///   newer one would cut it off at once anyway.
/// - A cue the worker cannot start within kStaleAfter of its request is not
///   heard (CueBackend::play's start-by time), so after a stall the game
///   does not burst into old sounds. A backend may add the time its device
///   took to open meanwhile, within a bound of its own (WaveCueBackend).
/// - Between cues the thread sleeps on a condition variable; it wakes only
///   when the backend asked to be asked again (CueBackend::closeIfIdle).
///   Waking it never takes the caller's processor (see SleeperScheduling).
/// - An exception from the backend silences that cue only; the worker goes
///   on with the next (a throwing destructor still ends the program, as
///   destructors cannot throw).
///
/// Destruction stops the thread and joins it, after the backend has been
/// destroyed on it. The one exception: a backend stuck inside the audio
/// library (e.g. its server is stopped) is not waited for longer than
/// kExitWait, so the program still ends at once. The thread is then detached
/// on purpose. Everything it touches (backend, slot, mutex, condition
/// variables) lives in a shared state the thread owns a share of, so nothing
/// is destroyed under it; whatever it frees when it comes back happens on it,
/// or never if the process ends first.
class CueWorker final : public CuePlayer {
public:
    using Clock = CueBackend::Clock;

    /// How late a cue may start and still be heard.
    static constexpr std::chrono::milliseconds kStaleAfter { 100 };
    /// How long destruction waits for a stuck backend before leaving it.
    static constexpr std::chrono::milliseconds kExitWait { 250 };

    /// Starts the thread, which owns @p backend from now on.
    explicit CueWorker(std::unique_ptr<CueBackend> backend);
    ~CueWorker() override;

    CueWorker(const CueWorker&) = delete;
    CueWorker& operator=(const CueWorker&) = delete;

    /// Has the backend load what it needs, on the thread; returns at once.
    void warmUp();

    /// Hands @p cue to the thread and returns at once.
    void playCue(Cue cue) override;

private:
    struct State;
    static void run(const std::shared_ptr<State>& state);

    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

} // namespace tarnwick
