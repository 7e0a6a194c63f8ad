#pragma once

#include "TwipGeometry.h"
#include "Win32Api.h"

#include <functional>
#include <string>

namespace tarnwick {

/// The density a window at @p dpi is laid out and drawn at (see layoutDpi()).
int pictureDpi(UINT dpi);

/// The rectangle @p twips in pixels for a window at @p dpi: the one function
/// every position and size of the Windows front-end comes from.
RECT pixelRect(const TwipRect& twips, UINT dpi);

/// Moves and sizes @p window to @p bounds, in its parent's client area (the
/// screen's for a top-level window), keeping its place in the tab order.
void placeWindow(HWND window, const RECT& bounds);

/// Answers WM_DPICHANGED (@p wParam, @p lParam) for @p window: @p layOut
/// lays it out at the new density and returns its frame, which goes where
/// Windows suggests.
LRESULT followDpiChange(
    HWND window, WPARAM wParam, LPARAM lParam, const std::function<RECT(UINT dpi)>& layOut);

/// The name of picture @p stem ("BOARD", "PEG", "NOPEG", "DRAG") drawn for a
/// window at @p dpi, as the resource script names it, e.g. "PEG_120".
std::wstring pictureResource(const wchar_t* stem, UINT dpi);

} // namespace tarnwick
