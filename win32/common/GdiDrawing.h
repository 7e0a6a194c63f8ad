#pragma once

#include "UniqueHandle.h"
#include "Win32Api.h"

namespace tarnwick {

struct UiFace;

/// The Windows face of @p font, @p pixels high (its size for a window at
/// @p dpi unless given).
FontHandle uiFont(const UiFace& font, UINT dpi, int pixels = 0);

/// The bitmap resource @p name, as a DIB section so its colours stay exact.
HBITMAP loadBitmapResource(HINSTANCE instance, const wchar_t* name);

/// Answers WM_PAINT for @p window with @p bitmap, unscaled at its top-left
/// corner (nothing without one).
void paintBitmap(HWND window, HBITMAP bitmap);

} // namespace tarnwick
