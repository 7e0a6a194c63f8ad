#pragma once

#include "BoardControl.h"
#include "Game.h"
#include "HoleCell.h"
#include "HoleView.h"
#include "Peg_Pics.h"
#include "UniqueHandle.h"
#include "Win32ModalMessage.h"
#include "WindowProcedure.h"
#include "frm_Rules.h"

#include <array>
#include <memory>
#include <optional>

namespace tarnwick {

/// The game window on Windows: the board picture, the 15 hole cells, the
/// three buttons and the board's keyboard stop. It keeps no rules of its own;
/// it shows what the game tells it and hands mouse, key and button events to
/// the game's handlers.
///
/// Dragging a peg is a mouse capture with the drag icon as the cursor: the
/// release decides whether a cell gets the drop.
class Main_form final : public HoleView {
public:
    Main_form(HINSTANCE instance, CuePlayer& cues, RandomSource& random, ProgramControl& program);
    ~Main_form() override;

    Main_form(const Main_form&) = delete;
    Main_form& operator=(const Main_form&) = delete;

    /// Shows the window with the focus on "Start Game".
    void show(int showCommand);

    [[nodiscard]] HWND handle() const { return m_window.get(); }

    void showPicture(int hole, HolePicture picture) override;
    void beginDrag(int hole) override;
    void endDrag() override;
    void showKeyboardFocus(int hole, std::string_view spoken) override;

private:
    friend LRESULT CALLBACK windowProcedure<Main_form>(HWND, UINT, WPARAM, LPARAM);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void mouseReleased(POINT client);

    void layOut(UINT dpi);
    /// The cell at @p client (in this window's client area) that is not covered.
    [[nodiscard]] std::optional<int> cellAt(POINT client) const;
    Peg_Pics& pegPics();

    WindowHandle m_window;
    HINSTANCE m_instance;
    UINT m_dpi = 0;
    BitmapHandle m_board;
    CursorHandle m_dragCursor;
    IconHandle m_bigIcon;
    IconHandle m_smallIcon;
    FontHandle m_buttonFont;
    std::unique_ptr<Peg_Pics> m_pegPics;
    std::array<std::unique_ptr<HoleCell>, 15> m_cells;
    std::array<HWND, 3> m_commands {};
    std::unique_ptr<BoardControl> m_boardControl;
    HWND m_lastFocus = nullptr;
    std::unique_ptr<frm_Rules> m_rules;
    Win32ModalMessage m_message;
    Game m_game;
};

} // namespace tarnwick
