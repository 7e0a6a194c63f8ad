#pragma once

#include <string_view>

namespace tarnwick {

/// The six sound cues of the game. The three loser cues are numbered as the
/// draw picks them: 1 -> loser, 2 -> loser4, 3 -> loser3.
enum class Cue { pickup, pegdrop, winner, loser, loser4, loser3 };

/// The cue's name, which is also the stem of its wave file.
constexpr std::string_view cueName(Cue cue)
{
    switch (cue) {
    case Cue::pickup:
        return "pickup";
    case Cue::pegdrop:
        return "pegdrop";
    case Cue::winner:
        return "winner";
    case Cue::loser:
        return "loser";
    case Cue::loser4:
        return "loser4";
    case Cue::loser3:
        return "loser3";
    }
    return {};
}

/// Plays sound cues for the game logic.
class CuePlayer {
public:
    virtual ~CuePlayer() = default;

    /// Starts @p cue and returns at once; a cue that is still playing stops.
    virtual void playCue(Cue cue) = 0;
};

} // namespace tarnwick
