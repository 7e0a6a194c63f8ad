#pragma once

#include "WaveReader.h"

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
    /// @p sound as it is for one or two channels; two channels mixed as
    /// above for three to WaveReader::kMaxChannels.
    static WaveSound apply(WaveSound sound);
};

} // namespace tarnwick
