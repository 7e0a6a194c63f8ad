#pragma once

// The largest cue file, written once for the programs, the build and the
// page: cues/CMakeLists.txt reads it from this file (keep it a plain literal),
// with the cue names from game/CuePlayer.h, and hands both to the cue
// generator's outputs, the Windows and page builds and the page's service
// worker.

#include "CuePlayer.h"

#include <cstddef>
#include <cstdint>

namespace tarnwick {

/// How many cues there are.
inline constexpr std::size_t kCueCount = kCueNames.size();

/// The largest cue file any front-end reads, in bytes; a larger one is not
/// read at all. 64 MiB + 64 KiB: the widest samples the wave reader takes
/// (4 bytes) for the most it decodes (32 MiB of 16-bit samples) make a
/// 64 MiB data chunk, and 64 KiB leaves room for the header and the chunks
/// sound programs put before the data. No larger file is a cue the reader
/// would play whole.
inline constexpr std::uintmax_t kMaxCueFileBytes = 67174400;

} // namespace tarnwick
