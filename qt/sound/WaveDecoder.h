#pragma once

#include "PcmClip.h"
#include "WaveReader.h"

#include <memory>
#include <span>

namespace tarnwick {

/// Turns a wave file into a clip for the audio device.
class WaveDecoder {
public:
    /// Resamples @p sound to the device's rate and maps its channels to
    /// stereo: one channel goes to both sides; of more than two, the first
    /// two are left and right, the third and fourth (centre, bass) go to
    /// both, and the rest alternate left and right, each side the mean of
    /// its channels. Every size comes from @p sound, which the reader has
    /// bounded. Returns nullptr where the audio library is not installed.
    /// Uses the audio library, so in the game only the cue worker calls it.
    static std::shared_ptr<const PcmClip> decode(const WaveSound& sound);

    /// The clip of the wave file @p bytes (see WaveReader), or nullptr for
    /// anything WaveReader refuses.
    static std::shared_ptr<const PcmClip> decode(std::span<const char> bytes);
};

} // namespace tarnwick
