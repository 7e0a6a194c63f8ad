#pragma once

namespace tarnwick {

/// The keys the board answers while it has the keyboard focus. Each front-end
/// maps its platform's keys onto these; any other key, Esc included, is not
/// the board's.
enum class BoardKey {
    left, ///< to the previous hole in number order
    right, ///< to the next hole in number order
    up, ///< to the nearest hole across in the row above
    down, ///< to the nearest hole across in the row below
    home, ///< to hole 1
    end, ///< to hole 15
    activate, ///< Space or Enter: the press on the hole, or the drop of the held peg there
};

} // namespace tarnwick
