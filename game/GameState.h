#pragma once

#include "OneBasedArray.h"

#include <cstdint>

namespace tarnwick {

/// Number of holes on the triangle; holes are numbered 1..15 row by row
/// from the apex, and hole h is shown by picture cell h - 1.
constexpr int kHoleCount = 15;

/// The phase of a game, stored as the 16-bit values 10 and 20.
enum class GameMode : std::int16_t {
    setup = 10, ///< the player arranges the starting position
    play = 20, ///< the player jumps
};

/// The phase values of Game_Mode, by their own names.
constexpr GameMode Mode_Setup = GameMode::setup;
constexpr GameMode Mode_Play = GameMode::play;

/// Outcome_Table's value for a pair of holes that is no jump.
constexpr std::int16_t No_Jump = 99;

/// Picked_Hole's value while no peg is held.
constexpr std::int16_t No_Hole = -1;

/// The whole state of a game. One instance lives as long as the program.
struct GameState {
    /// Board(h) is true while hole h holds a peg. A held peg is off the board.
    OneBasedArray<bool, kHoleCount> Board {};

    /// Outcome_Table(from, to) is the hole a jump from -> to passes over, or No_Jump.
    OneBasedGrid<std::int16_t, kHoleCount, kHoleCount> Outcome_Table {};

    /// Mode_Setup while the player arranges the pegs, Mode_Play while jumping.
    GameMode Game_Mode = Mode_Setup;

    /// The hole whose peg the player holds, or No_Hole.
    std::int16_t Picked_Hole = No_Hole;

    /// The hole of the most recent drop, or No_Hole before the first.
    std::int16_t Target_Hole = No_Hole;
};

} // namespace tarnwick
