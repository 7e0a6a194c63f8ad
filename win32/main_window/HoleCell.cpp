#include "HoleCell.h"

#include <string>

namespace tarnwick {

namespace {

constexpr const wchar_t* kClassName = L"TarnwickHole";

void registerClass(HINSTANCE instance)
{
    WNDCLASSEXW windowClass {};
    windowClass.cbSize = sizeof windowClass;
    // No CS_DBLCLKS: the second press of a double-click arrives as a press.
    windowClass.lpfnWndProc = windowProcedure<HoleCell>;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass); // fails harmlessly once registered
}

} // namespace

HoleCell::HoleCell(HINSTANCE instance, HWND parent, int index, PressHandler pressed)
    : m_index(index)
    , m_pressed(std::move(pressed))
{
    registerClass(instance);
    // The window procedure takes ownership of the new HWND (see windowProcedure).
    // A group of its own: the arrow keys move among the buttons and never
    // cross into a cell.
    CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_GROUP, 0, 0, 0, 0, parent,
        nullptr, instance, this);
}

void HoleCell::setPicture(HBITMAP picture, bool hasPeg)
{
    m_picture = picture;
    const std::wstring name
        = L"Hole " + std::to_wstring(m_index + 1) + (hasPeg ? L", peg" : L", empty");
    SetWindowTextW(m_window.get(), name.c_str());
    InvalidateRect(m_window.get(), nullptr, FALSE);
}

void HoleCell::place(const RECT& bounds)
{
    SetWindowPos(m_window.get(), nullptr, bounds.left, bounds.top, bounds.right - bounds.left,
        bounds.bottom - bounds.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT HoleCell::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        // Every mouse button picks up.
        m_pressed(m_index);
        return message == WM_XBUTTONDOWN ? TRUE : 0;
    case WM_ERASEBKGND:
        return 1; // the picture covers the whole cell
    case WM_PAINT:
        Form_Paint();
        return 0;
    default:
        return DefWindowProcW(m_window.get(), message, wParam, lParam);
    }
}

void HoleCell::Form_Paint()
{
    PAINTSTRUCT paint {};
    HDC target = BeginPaint(m_window.get(), &paint);
    if (m_picture != nullptr) {
        HDC source = CreateCompatibleDC(target);
        const HGDIOBJ previous = SelectObject(source, m_picture);
        BITMAP size {};
        GetObjectW(m_picture, sizeof size, &size);
        BitBlt(target, 0, 0, size.bmWidth, size.bmHeight, source, 0, 0, SRCCOPY);
        SelectObject(source, previous);
        DeleteDC(source);
    }
    EndPaint(m_window.get(), &paint);
}

} // namespace tarnwick
