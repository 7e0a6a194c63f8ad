#pragma once

#include "Win32Api.h"

namespace tarnwick {

/// The HMENU argument of CreateWindowExW that gives a child window the
/// control id @p id, which WM_COMMAND then reports.
inline HMENU controlId(int id)
{
    // NOLINTNEXTLINE(performance-no-int-to-ptr): Windows takes a child's id in place of a menu.
    return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

/// The structure a message passes by address in its lParam (or wParam).
template <typename Structure> Structure* messageStructure(LPARAM param)
{
    // NOLINTNEXTLINE(performance-no-int-to-ptr): Windows passes the address in the parameter.
    return reinterpret_cast<Structure*>(param);
}

/// The device context WM_ERASEBKGND passes in its wParam.
inline HDC messageDeviceContext(WPARAM param)
{
    // NOLINTNEXTLINE(performance-no-int-to-ptr): Windows passes the handle in the parameter.
    return reinterpret_cast<HDC>(param);
}

/// DLGC_WANTMESSAGE when WM_GETDLGCODE (its @p lParam) asks about the Enter
/// key going down, which then reaches the control, not the dialog keys.
inline LRESULT wantEnter(LPARAM lParam)
{
    const auto* key = messageStructure<const MSG>(lParam);
    const bool enter = key != nullptr && key->message == WM_KEYDOWN && key->wParam == VK_RETURN;
    return enter ? DLGC_WANTMESSAGE : 0;
}

} // namespace tarnwick
