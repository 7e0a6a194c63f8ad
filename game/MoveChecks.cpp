#include "MoveChecks.h"

namespace tarnwick {

bool Check_Legal_Moves(const GameState& state)
{
    for (int from = 1; from <= kHoleCount; ++from) {
        if (!state.Board(from)) {
            continue;
        }
        for (int to = 1; to <= kHoleCount; ++to) {
            // Board(over) is only read for a real jump: No_Jump is no hole.
            if (!state.Board(to) && state.Outcome_Table(from, to) != No_Jump) {
                const int over = state.Outcome_Table(from, to);
                if (state.Board(over)) {
                    return true;
                }
            }
        }
    }
    return false;
}

bool Check_If_Winner(const GameState& state)
{
    int pegs = 0;
    for (int hole = 1; hole <= kHoleCount; ++hole) {
        if (state.Board(hole)) {
            ++pegs;
        }
    }
    return pegs == 1;
}

} // namespace tarnwick
