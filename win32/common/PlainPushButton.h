#pragma once

#include "Win32Api.h"

namespace tarnwick {

/// Keeps the push button @p button from ever becoming the default button.
/// The dialog keys (IsDialogMessage) make whichever push button Tab or the
/// arrows focus the default one, with its heavier border, and Enter then
/// presses it; the game's windows have no default button. Enter is left to
/// the window: the game presses the focused button, the rules window takes
/// IDOK as its OK.
void keepFromDefault(HWND button);

} // namespace tarnwick
