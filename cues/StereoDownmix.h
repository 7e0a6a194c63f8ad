#pragma once

#include "WaveReader.h"

#include <cstdint>
#include <span>

namespace tarnwick {

/// How a cue of more than two channels is heard in stereo, the same on
/// every front-end: the ITU-R BS.775 (Dolby Lo/Ro) down-mix.
///
/// The channels are taken in the WAVE speaker order FL, FR, FC, LFE, BL, BR,
/// SL, SR, the first N of them for N channels: the reader does not read an
/// extensible file's channel mask, and a plain file has none. Front left
/// goes to the left at full weight, front right to the right; the centre to
/// both sides at 1/sqrt(2); each back and side channel to its own side at
/// 1/sqrt(2); the LFE is dropped. Both sides are then divided by the larger
/// side's sum of weights, so a sound at full scale in every channel stays at
/// full scale: nothing is clipped, and the front's left-right balance holds.
/// Weights are fixed-point (1/sqrt(2) = 23170/32768) and results rounded
/// half away from zero, so every platform hears the same samples.
class StereoDownmix {
public:
    /// The mix of frames of @p channels channels, 3 to WaveReader::kMaxChannels.
    explicit StereoDownmix(int channels);

    /// @p frame's samples (one per channel) mixed to left and right in @p stereo.
    void mix(std::span<const std::int16_t> frame, std::span<std::int16_t, 2> stereo) const;

private:
    std::int64_t m_divisor = 1;
};

} // namespace tarnwick
