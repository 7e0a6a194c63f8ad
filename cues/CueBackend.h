#pragma once

#include "CuePlayer.h"

#include <chrono>
#include <optional>

namespace tarnwick {

/// What the cue worker drives on its own thread: a platform's way of playing
/// the cue files. Every call comes from that one thread, so an implementation
/// needs no locks of its own and may block (a stalled audio server, a slow
/// disk) without holding up the game.
class CueBackend {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~CueBackend() = default;

    /// Loads what playing needs (e.g. the audio library), so the first cue
    /// does not pay for it. Opens no device.
    virtual void warmUp() = 0;

    /// Starts @p cue, cutting off whatever plays. A cue that cannot start by
    /// @p startBy, or whose file is missing or broken, is not heard, but it
    /// still stops the one that plays.
    virtual void play(Cue cue, Clock::time_point startBy) = 0;

    /// Closes the audio device if nothing plays any more. Returns how long
    /// until it is worth asking again, or nothing once the device is closed.
    virtual std::optional<Clock::duration> closeIfIdle() = 0;
};

} // namespace tarnwick
