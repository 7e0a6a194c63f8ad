#pragma once

#include "Win32Api.h"

#include <array>

namespace tarnwick {

/// Where the game window and its controls go on a monitor of one density.
/// The frame and the children come from the same density, the window's own:
/// the system's density is fixed at sign-in and may differ from the
/// monitor's (a laptop docked, the scale changed), and a frame sized at it
/// left the buttons and the bottom row outside the client area.
struct MainFormGeometry {
    /// The window style the frame is sized for: fixed, with a minimise box.
    static constexpr DWORD kStyle
        = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

    RECT frame {}; ///< the whole window, in screen pixels
    SIZE client {}; ///< its client area
    std::array<RECT, 3> commands {}; ///< "Start Game", "HELP", "QUIT", in the client area
    std::array<RECT, 15> cells {}; ///< Image1(0..14), in the client area
    int focusMark = 0; ///< how wide the keyboard's ring around a cell is

    /// The game window laid out for a window at @p dpi.
    static MainFormGeometry at(UINT dpi);
};

} // namespace tarnwick
