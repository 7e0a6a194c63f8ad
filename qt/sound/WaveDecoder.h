#pragma once

#include "PcmClip.h"

#include <memory>
#include <span>

namespace tarnwick {

/// Turns the bytes of a wave file into a clip for the audio device.
class WaveDecoder {
public:
    /// Decodes PCM wave data of any common layout (8-, 16-, 24- or 32-bit
    /// integer or 32-bit float samples, one or more channels, any rate) into
    /// a PcmClip. Returns nullptr for anything that is not a complete wave
    /// file, and where the audio library is not installed. Uses the audio
    /// library, so in the game only the cue worker calls it.
    static std::shared_ptr<const PcmClip> decode(std::span<const char> bytes);
};

} // namespace tarnwick
