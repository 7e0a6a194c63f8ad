#pragma once

#include "HoleView.h"
#include "ModalMessage.h"
#include "ProgramControl.h"

namespace tarnwick {

/// The game window in the browser: the page's board, its hole cells, the
/// drag, the end-of-game message and the end of the program, each handed to
/// the page through the bridge. It holds no state of its own.
class Main_form final : public HoleView, public ModalMessage, public ProgramControl {
public:
    void showPicture(int hole, HolePicture picture) override;
    void beginDrag(int hole) override;
    void endDrag() override;
    void showKeyboardFocus(int hole, std::string_view spoken) override;

    /// Returns only once the player has closed the message: the call sleeps
    /// (Asyncify) while the page goes on, so the game code stays as it is on
    /// the desktop.
    void showMessage(std::string_view text) override;

    void endProgram() override;
};

} // namespace tarnwick
