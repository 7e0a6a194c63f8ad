#pragma once

// The cue names and the largest cue file, written once for the programs, the
// build and the page: cues/CMakeLists.txt reads both from this file (keep
// each a plain literal) and hands them to the cue generator's outputs, the
// Windows and page builds and the page's service worker.

#include "CuePlayer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarnwick {

/// The cues' names, in the order of enum Cue; each is also the stem of the
/// cue's wave file ("pickup.WAV").
inline constexpr std::array<std::string_view, 6> kCueNames { "pickup", "pegdrop", "winner", "loser",
    "loser4", "loser3" };

/// How many cues there are.
inline constexpr std::size_t kCueCount = kCueNames.size();

/// The largest cue file any front-end reads, in bytes; a larger one is not
/// read at all. 64 MiB + 64 KiB: the widest samples the wave reader takes
/// (4 bytes) for the most it decodes (32 MiB of 16-bit samples) make a
/// 64 MiB data chunk, and 64 KiB leaves room for the header and the chunks
/// sound programs put before the data. No larger file is a cue the reader
/// would play whole.
inline constexpr std::uintmax_t kMaxCueFileBytes = 67174400;

namespace detail {

/// True when the list names every cue of the enum, in its order, and no more.
constexpr bool cueNamesMatchTheEnum()
{
    for (std::size_t i = 0; i < kCueCount; ++i) {
        if (cueName(static_cast<Cue>(i)) != kCueNames[i]) {
            return false;
        }
    }
    // A cue added after the last one would have a name of its own.
    return cueName(static_cast<Cue>(kCueCount)).empty();
}

} // namespace detail

static_assert(detail::cueNamesMatchTheEnum(),
    "kCueNames and enum Cue in game/CuePlayer.h name different cues");

} // namespace tarnwick
