#pragma once

#include "Game.h"
#include "UniqueHandle.h"
#include "Win32Api.h"
#include "WindowProcedure.h"

#include <string_view>

namespace tarnwick {

/// The board as the keyboard reaches it: one tab stop after "QUIT", a child
/// window that hands its focus and its keys to the game and shows the mark
/// the game asks for, a ring around the hole. It lies just around the marked
/// hole (nowhere while there is none) and lets the mouse through to what is
/// beneath, so the mouse never meets it. Its window text is what screen
/// readers say of it.
class BoardControl {
public:
    BoardControl(HINSTANCE instance, HWND parent, Game& game);

    BoardControl(const BoardControl&) = delete;
    BoardControl& operator=(const BoardControl&) = delete;

    [[nodiscard]] HWND handle() const { return m_window.get(); }

    /// Rings @p cell (in the parent's client area) with a mark @p width
    /// pixels wide, or shows none for an empty @p cell, and has screen
    /// readers say @p spoken.
    void showMark(const RECT& cell, int width, std::string_view spoken);

private:
    friend LRESULT CALLBACK windowProcedure<BoardControl>(HWND, UINT, WPARAM, LPARAM);
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void paintMark();

    WindowHandle m_window;
    Game& m_game;
    BrushHandle m_markBrush;
    int m_markWidth = 0;
};

} // namespace tarnwick
