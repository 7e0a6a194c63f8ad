#pragma once

#include "UniqueHandle.h"
#include "Win32Api.h"

#include <span>

namespace tarnwick {

/// Keeps the push button @p button from ever becoming the default button.
/// The dialog keys (IsDialogMessage) make whichever push button Tab or the
/// arrows focus the default one, with its heavier border, and Enter then
/// presses it; the game's windows have no default button. Enter is left to
/// the window: the game presses the focused button, the rules window takes
/// IDOK as its OK.
void keepFromDefault(HWND button);

/// Gives @p buttons the push buttons' font (kButtonFont) for a window at
/// @p dpi; @p font holds it, and lets the old one go once no button uses it.
void setButtonFont(FontHandle& font, std::span<const HWND> buttons, UINT dpi);

} // namespace tarnwick
