#include "DpiGeometry.h"

#include "MessageParams.h"

namespace tarnwick {

int pictureDpi(UINT dpi)
{
    return layoutDpi(static_cast<int>(dpi));
}

RECT pixelRect(const TwipRect& twips, UINT dpi)
{
    const PixelRect pixels = toPixels(twips, pictureDpi(dpi));
    return { pixels.left, pixels.top, pixels.left + pixels.width, pixels.top + pixels.height };
}

void placeWindow(HWND window, const RECT& bounds)
{
    SetWindowPos(window, nullptr, bounds.left, bounds.top, bounds.right - bounds.left,
        bounds.bottom - bounds.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT followDpiChange(
    HWND window, WPARAM wParam, LPARAM lParam, const std::function<RECT(UINT dpi)>& layOut)
{
    // Moved to a monitor of another density: everything at the new one.
    const RECT frame = layOut(HIWORD(wParam));
    const auto* suggested = messageStructure<const RECT>(lParam);
    placeWindow(window,
        { suggested->left, suggested->top, suggested->left + frame.right - frame.left,
            suggested->top + frame.bottom - frame.top });
    InvalidateRect(window, nullptr, TRUE);
    return 0;
}

std::wstring pictureResource(const wchar_t* stem, UINT dpi)
{
    return std::wstring(stem) + L"_" + std::to_wstring(pictureDpi(dpi));
}

} // namespace tarnwick
