#pragma once

#include "BoardKey.h"

namespace tarnwick {

/// Where the keyboard goes on the board from one hole.
class BoardNavigation {
public:
    /// The hole that @p key leads to from @p hole (1..15); @p hole itself
    /// where the key leads off the board, and for Space or Enter.
    ///
    /// Up and down go to the hole of the row above or below whose cell's
    /// centre is nearest across, as the player sees the cells (ties to the
    /// lower number).
    static int next(int hole, BoardKey key);
};

} // namespace tarnwick
