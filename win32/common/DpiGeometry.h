#pragma once

#include "TwipGeometry.h"
#include "Win32Api.h"

#include <string>

namespace tarnwick {

/// The density a window at @p dpi is laid out and drawn at (see layoutDpi()).
int pictureDpi(UINT dpi);

/// The rectangle @p twips in pixels for a window at @p dpi: the one function
/// every position and size of the Windows front-end comes from.
RECT pixelRect(const TwipRect& twips, UINT dpi);

/// The name of picture @p stem ("BOARD", "PEG", "NOPEG", "DRAG") drawn for a
/// window at @p dpi, as the resource script names it, e.g. "PEG_120".
std::wstring pictureResource(const wchar_t* stem, UINT dpi);

/// A font's height in pixels for @p points at @p dpi, negative as CreateFontW
/// takes a character height.
int fontHeight(double points, UINT dpi);

} // namespace tarnwick
