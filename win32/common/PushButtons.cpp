#include "PushButtons.h"

#include "GdiDrawing.h"
#include "MessageParams.h"
#include "UiFace.h"
#include "WideText.h"

#include <commctrl.h>

namespace tarnwick {

namespace {

LRESULT CALLBACK plainButtonProcedure(
    HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR /*id*/, DWORD_PTR /*data*/)
{
    if (message == WM_GETDLGCODE) {
        // Never a default button, nor one that could become it; Enter is its own.
        const LRESULT code = DefSubclassProc(button, message, wParam, lParam)
            & ~static_cast<LRESULT>(DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON);
        return code | wantEnter(lParam);
    }
    if (message == WM_KEYDOWN && wParam == VK_RETURN) {
        SendMessageW(button, BM_CLICK, 0, 0);
        return 0;
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(button, plainButtonProcedure, 0);
    }
    return DefSubclassProc(button, message, wParam, lParam);
}

} // namespace

HWND createPushButton(HWND parent, std::string_view caption, int id, DWORD style)
{
    HWND button = CreateWindowExW(0, L"BUTTON", wideText(caption).c_str(),
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | style, 0, 0, 0, 0, parent,
        controlId(id), GetModuleHandleW(nullptr), nullptr);
    SetWindowSubclass(button, plainButtonProcedure, 0, 0);
    return button;
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
