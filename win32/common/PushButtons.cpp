#include "PushButtons.h"

#include "GdiDrawing.h"
#include "UiFontSpec.h"

#include <commctrl.h>

namespace tarnwick {

namespace {

LRESULT CALLBACK plainButtonProcedure(
    HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR /*id*/, DWORD_PTR /*data*/)
{
    if (message == WM_GETDLGCODE) {
        // Without these two the dialog keys treat it as a button but never
        // as a default one, or one that could become it.
        const LRESULT code = DefSubclassProc(button, message, wParam, lParam);
        return code & ~static_cast<LRESULT>(DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON);
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(button, plainButtonProcedure, 0);
    }
    return DefSubclassProc(button, message, wParam, lParam);
}

} // namespace

void keepFromDefault(HWND button)
{
    SetWindowSubclass(button, plainButtonProcedure, 0, 0);
}

void setButtonFont(FontHandle& font, std::span<const HWND> buttons, UINT dpi)
{
    FontHandle newFont = uiFont(kButtonFont, dpi);
    for (HWND button : buttons) {
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(newFont.get()), TRUE);
    }
    font = std::move(newFont);
}

} // namespace tarnwick
