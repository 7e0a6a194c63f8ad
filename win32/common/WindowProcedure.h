#pragma once

#include "MessageParams.h"
#include "Win32Api.h"

namespace tarnwick {

/// The window procedure of a class of windows each owned by one @p Owner:
/// finds the owner from the HWND through GWLP_USERDATA (handed over in
/// lpCreateParams), lets it take ownership of the HWND as the window is
/// created, and takes the HWND back from it once Windows has destroyed the
/// window, so the owner never destroys a handle twice. Everything in between
/// goes to Owner::handleMessage.
template <typename Owner>
LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = messageStructure<const CREATESTRUCTW>(lParam);
        auto* owner = static_cast<Owner*>(create->lpCreateParams);
        owner->m_window.reset(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    }
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the owner's address, stored above.
    auto* owner = reinterpret_cast<Owner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (owner == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        owner->m_window.release();
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return owner->handleMessage(message, wParam, lParam);
}

/// Registers the class @p name of windows each owned by one @p Owner, with
/// the arrow cursor and @p icon; its windows paint their own background.
/// Registering it again fails harmlessly.
template <typename Owner>
void registerWindowClass(HINSTANCE instance, const wchar_t* name, HICON icon = nullptr)
{
    WNDCLASSEXW windowClass {};
    windowClass.cbSize = sizeof windowClass;
    // No CS_DBLCLKS: the second press of a double-click arrives as a press.
    windowClass.lpfnWndProc = windowProcedure<Owner>;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = name;
    RegisterClassExW(&windowClass);
}

} // namespace tarnwick
