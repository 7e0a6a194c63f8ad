#pragma once

#include <cstdint>
#include <vector>

namespace tarnwick {

/// A decoded sound, ready for the audio device: signed 16-bit samples,
/// two interleaved channels, at kSampleRate frames per second.
struct PcmClip {
    /// Frames per second of every clip.
    static constexpr int kSampleRate = 48000;
    /// Channels per frame of every clip.
    static constexpr int kChannels = 2;

    /// Interleaved samples, left then right.
    std::vector<std::int16_t> samples;

    /// Number of frames (samples per channel).
    std::size_t frameCount() const { return samples.size() / kChannels; }
};

} // namespace tarnwick
