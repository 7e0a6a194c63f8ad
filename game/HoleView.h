#pragma once

#include <string_view>

namespace tarnwick {

/// The two pictures a hole can show.
enum class HolePicture { peg, nopeg };

/// What the game logic needs of the window that shows the board.
class HoleView {
public:
    virtual ~HoleView() = default;

    /// Shows @p picture in hole @p hole (1..15).
    virtual void showPicture(int hole, HolePicture picture) = 0;

    /// Starts dragging the peg of hole @p hole (1..15) with the drag icon.
    virtual void beginDrag(int hole) = 0;

    /// Ends the running drag without a drop. The game calls it only while a
    /// drag runs.
    virtual void endDrag() = 0;

    /// Marks hole @p hole (1..15) as the one the keyboard is on and has
    /// screen readers say @p spoken; with @p hole 0 no hole is marked. The
    /// game marks a hole only while the board has the keyboard focus.
    virtual void showKeyboardFocus(int hole, std::string_view spoken) = 0;
};

} // namespace tarnwick
