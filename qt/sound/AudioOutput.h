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

    /// Opens the device unless it is open, and says whether it is. Waits as
    /// long as the system takes: a sink that wakes up (HDMI, USB, Bluetooth)
    /// may take a good part of a second.
    virtual bool open() = 0;

    /// True while the device is open.
    virtual bool isOpen() const = 0;

    /// Starts @p clip at once, cutting off whatever plays; opens the device
    /// first if it is closed.
    virtual void play(std::shared_ptr<const PcmClip> clip) = 0;

    /// Silences whatever plays.
    virtual void stop() = 0;

    /// Closes the device once nothing has played for a while; see
    /// CueBackend::closeIfIdle.
    virtual std::optional<Clock::duration> closeIfIdle() = 0;
};

} // namespace tarnwick
