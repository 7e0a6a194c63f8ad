#pragma once

#include "PcmClip.h"
#include "WaveReader.h"

#include <memory>
#include <span>

namespace tarnwick {

/// Turns a wave file into a clip for the audio device.
class WaveDecoder {
public:
    /// Resamples @p sound to the device's rate, one channel going to both
    /// sides. Every size comes from @p sound, which the reader has bounded
    /// and mixed down to mono or stereo (StereoDownmix); anything wider is
    /// nullptr. Returns nullptr where the audio library is not installed.
    /// Uses the audio library, so in the game only the cue worker calls it.
    static std::shared_ptr<const PcmClip> decode(const WaveSound& sound);

    /// The clip of the wave file @p bytes (see WaveReader), or nullptr for
    /// anything WaveReader refuses.
    static std::shared_ptr<const PcmClip> decode(std::span<const char> bytes);
};

} // namespace tarnwick
