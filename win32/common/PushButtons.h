#pragma once

#include "UniqueHandle.h"
#include "Win32Api.h"

#include <span>
#include <string_view>

namespace tarnwick {

/// A push button captioned @p caption in @p parent, a tab stop with control
/// id @p id (and @p style besides). The dialog keys (IsDialogMessage) would
/// make whichever push button Tab focuses the default one, with a heavier
/// border, and have Enter press that; the game's windows have no default
/// button, so this one never becomes it, and Enter presses it only while it
/// has the focus.
HWND createPushButton(HWND parent, std::string_view caption, int id, DWORD style = 0);

/// Gives @p buttons the push buttons' font (kButtonFont) for a window at
/// @p dpi; @p font holds it, and lets the old one go once no button uses it.
void setButtonFont(FontHandle& font, std::span<const HWND> buttons, UINT dpi);

} // namespace tarnwick
