#pragma once

#include "GameState.h"

namespace tarnwick {

/// True when at least one legal jump is left: a peg in `from`, an empty `to`,
/// a jump-table entry for the pair and a peg in the hole between.
bool Check_Legal_Moves(const GameState& state);

/// True when exactly one peg is on the board, wherever it stands.
bool Check_If_Winner(const GameState& state);

} // namespace tarnwick
