#pragma once

#include "WaveReader.h"

#include <vector>

namespace tarnwick {

/// The canonical wave file the multimedia library is handed instead of the
/// player's own bytes: a 44-byte header ("RIFF", "WAVE", a 16-byte "fmt "
/// chunk of 16-bit PCM, "data") and the samples of @p sound, little-endian,
/// at its own rate, with its one or two channels (the reader has mixed wider
/// sounds down to stereo: plain PCM of more channels is not played
/// everywhere).
std::vector<char> memoryWave(const WaveSound& sound);

} // namespace tarnwick
