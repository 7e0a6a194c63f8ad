#pragma once

#include "CuePlayer.h"

namespace tarnwick {

/// Plays the cues through the page: the page fetches each cue's file beside
/// it once, decodes it with WaveReader (see main.cpp's tarnwick_decode_cue)
/// and plays it from memory through Web Audio. A missing or broken file is
/// silent; a cue that cannot start within CueWorker::kStaleAfter of its
/// moment is skipped, as on the desktop.
class WebCuePlayer final : public CuePlayer {
public:
    /// Has the page fetch and decode every cue, once per load.
    void loadAll();

    void playCue(Cue cue) override;
};

} // namespace tarnwick
