#pragma once

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

    /// Ends a running drag without a drop; does nothing when none runs.
    virtual void endDrag() = 0;
};

} // namespace tarnwick
