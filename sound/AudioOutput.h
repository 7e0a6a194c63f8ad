#pragma once

#include "PcmClip.h"

#include <memory>

namespace tarnwick {

/// Where decoded cues go: one voice, so a new clip always replaces the last.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    /// Starts @p clip at once, cutting off whatever plays; returns without waiting.
    virtual void play(std::shared_ptr<const PcmClip> clip) = 0;

    /// Silences whatever plays.
    virtual void stop() = 0;
};

} // namespace tarnwick
