#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace tarnwick {

/// The six sound cues of the game. The three loser cues are numbered as the
/// draw picks them: 1 -> loser, 2 -> loser4, 3 -> loser3.
enum class Cue { pickup, pegdrop, winner, loser, loser4, loser3 };

/// The cues' names, in the order of enum Cue; each is also the stem of the
/// cue's wave file ("pickup.WAV"). The one list of them: the build and the
/// page's service worker read it from this file (cues/CMakeLists.txt), so
/// keep it a plain list of literals.
inline constexpr std::array<std::string_view, 6> kCueNames { "pickup", "pegdrop", "winner", "loser",
    "loser4", "loser3" };

// The last cue of the enum is the list's last: a cue added to one and not the
// other fails here.
static_assert(static_cast<std::size_t>(Cue::loser3) + 1 == kCueNames.size());

/// The cue's name, which is also the stem of its wave file.
constexpr std::string_view cueName(Cue cue)
{
    const auto index = static_cast<std::size_t>(cue);
    return index < kCueNames.size() ? kCueNames[index] : std::string_view {};
}

/// Plays sound cues for the game logic.
class CuePlayer {
public:
    virtual ~CuePlayer() = default;

    /// Starts @p cue and returns at once; a cue that is still playing stops.
    virtual void playCue(Cue cue) = 0;
};

} // namespace tarnwick
