#pragma once

#include "PcmClip.h"

#include <chrono>
#include <memory>
#include <optional>

namespace tarnwick {

/// Where decoded cues go: one voice, so a new clip always replaces the last.
/// Used from the cue worker's thread only.
class AudioOutput {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~AudioOutput() = default;

    /// Loads what playing needs, without opening the device.
    virtual void warmUp() = 0;

    /// Starts @p clip, cutting off whatever plays, unless it cannot start by
    /// @p startBy (e.g. the device took that long to open): then it only stops.
    virtual void play(std::shared_ptr<const PcmClip> clip, Clock::time_point startBy) = 0;

    /// Silences whatever plays.
    virtual void stop() = 0;

    /// Closes the device once nothing plays; see CueBackend::closeIfIdle.
    virtual std::optional<Clock::duration> closeIfIdle() = 0;
};

} // namespace tarnwick
