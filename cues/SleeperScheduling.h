#pragma once

namespace tarnwick::sleeper_scheduling {

// Linux gives a thread that wakes after a long sleep the processor at once,
// even over the thread that woke it. The cue worker is woken by the
// interface thread, which would then wait inside playCue() while the worker
// opens the audio device. So the worker sleeps under a policy whose wake-up
// never preempts, and runs under the normal one, which the threads the
// audio library starts then inherit. Elsewhere these do nothing.

/// Called by the worker just before it waits for work.
void beforeSleeping();

/// Called by the worker once it has work again.
void afterWaking();

} // namespace tarnwick::sleeper_scheduling
