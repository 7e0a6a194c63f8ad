#pragma once

#include "WaveReader.h"

#include <vector>

namespace tarnwick {

/// The canonical wave file the multimedia library is handed instead of the
/// player's own bytes: a 44-byte header ("RIFF", "WAVE", a 16-byte "fmt "
/// chunk of 16-bit PCM, "data") and the samples of @p sound, little-endian,
/// at its own rate.
///
/// One or two channels are kept as they are. More become stereo, as plain
/// PCM with more than two channels is not played everywhere: the left
/// channel is the mean of the even-numbered ones (first, third, ...), the
/// right the mean of the odd-numbered ones, so every channel is heard.
std::vector<char> memoryWave(const WaveSound& sound);

} // namespace tarnwick
