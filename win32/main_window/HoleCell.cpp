#include "HoleCell.h"

#include "BoardTexts.h"
#include "GdiDrawing.h"
#include "WideText.h"

namespace tarnwick {

namespace {

constexpr const wchar_t* kClassName = L"TarnwickHole";

} // namespace

HoleCell::HoleCell(HINSTANCE instance, HWND parent, int index, PressHandler pressed)
    : m_index(index)
    , m_pressed(std::move(pressed))
{
    registerWindowClass<HoleCell>(instance, kClassName);
    // The window procedure takes ownership of the new HWND (see windowProcedure).
    // A group of its own: the arrow keys move among the buttons and never
    // cross into a cell.
    CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_GROUP, 0, 0, 0, 0, parent,
        nullptr, instance, this);
}

void HoleCell::setPicture(HBITMAP picture, bool hasPeg)
{
    m_picture = picture;
    SetWindowTextW(m_window.get(), wideText(BoardTexts::holeName(m_index + 1, hasPeg)).c_str());
    InvalidateRect(m_window.get(), nullptr, FALSE);
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
        paintBitmap(m_window.get(), m_picture);
        return 0;
    default:
        return DefWindowProcW(m_window.get(), message, wParam, lParam);
    }
}

} // namespace tarnwick
