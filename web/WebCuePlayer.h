#pragma once

#include "CuePlayer.h"

namespace tarnwick {

/// Plays the cues through the page: it fetches the cue's file beside the page
/// afresh, decodes it with WaveReader (see main.cpp's tarnwick_read_wave) and
/// plays it through Web Audio. A missing or broken file is silent.
class WebCuePlayer final : public CuePlayer {
public:
    void playCue(Cue cue) override;
};

} // namespace tarnwick
