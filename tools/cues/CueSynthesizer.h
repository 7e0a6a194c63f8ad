#pragma once

#include "CuePlayer.h"

#include <vector>

namespace tarnwick {

/// Makes the game's default cue sounds from scratch.
class CueSynthesizer {
public:
    /// Frames per second of every rendered cue.
    static constexpr int kSampleRate = 48000;

    /// Renders @p cue as mono samples in -1..1, starting and ending in silence.
    static std::vector<float> render(Cue cue);
};

} // namespace tarnwick
