#pragma once

#include <string>

namespace tarnwick {

/// What a screen reader says of the board, in UTF-8.
class BoardTexts {
public:
    /// A hole's name and state: "Hole 6, peg" or "Hole 6, empty".
    static std::string holeName(int hole, bool peg);

    /// The hole the keyboard is on, and the held peg's hole while one is held
    /// (@p heldHole 1..15, anything else for none): "Hole 4, empty; holding
    /// the peg from hole 1".
    static std::string keyboardFocus(int hole, bool peg, int heldHole);
};

} // namespace tarnwick
