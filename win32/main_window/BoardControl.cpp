#include "BoardControl.h"

#include "DpiGeometry.h"
#include "MainWindowLayout.h"
#include "MessageParams.h"
#include "WideText.h"

#include <utility>

namespace tarnwick {

namespace {

constexpr const wchar_t* kClassName = L"TarnwickBoard";

constexpr std::pair<WPARAM, BoardKey> kBoardKeys[] { { VK_LEFT, BoardKey::left },
    { VK_RIGHT, BoardKey::right }, { VK_UP, BoardKey::up }, { VK_DOWN, BoardKey::down },
    { VK_HOME, BoardKey::home }, { VK_END, BoardKey::end }, { VK_SPACE, BoardKey::activate },
    { VK_RETURN, BoardKey::activate } };

} // namespace

BoardControl::BoardControl(HINSTANCE instance, HWND parent, Game& game)
    : m_game(game)
    , m_markBrush(CreateSolidBrush(RGB(kFocusMarkRed, kFocusMarkGreen, kFocusMarkBlue)))
{
    registerWindowClass<BoardControl>(instance, kClassName);
    // Created after the buttons, so it comes after "QUIT" in the tab order;
    // a group of its own, so the arrows stay on it.
    CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP, 0, 0, 0, 0,
        parent, nullptr, instance, this);
}

void BoardControl::showMark(const RECT& cell, int width, std::string_view spoken)
{
    m_markWidth = width;
    RECT ring = cell;
    if (IsRectEmpty(&cell) == FALSE) {
        InflateRect(&ring, width, width);
    }
    placeWindow(m_window.get(), ring);
    InvalidateRect(m_window.get(), nullptr, FALSE);
    SetWindowTextW(m_window.get(), wideText(spoken).c_str());
    // Screen readers hear of the new name, and read the focused board again.
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, m_window.get(), OBJID_CLIENT, CHILDID_SELF);
    if (GetFocus() == m_window.get()) {
        NotifyWinEvent(EVENT_OBJECT_FOCUS, m_window.get(), OBJID_CLIENT, CHILDID_SELF);
    }
}

void BoardControl::paintMark()
{
    PAINTSTRUCT paint {};
    HDC target = BeginPaint(m_window.get(), &paint);
    RECT ring {};
    GetClientRect(m_window.get(), &ring);
    // The band only: the hole inside is the cell's, which paints itself.
    ExcludeClipRect(
        target, m_markWidth, m_markWidth, ring.right - m_markWidth, ring.bottom - m_markWidth);
    FillRect(target, &ring, m_markBrush.get());
    EndPaint(m_window.get(), &paint);
}

LRESULT BoardControl::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCHITTEST:
        // The mouse is the cells' and the window's: presses, moves and the
        // cursor go to whatever lies beneath, so a click never focuses the board.
        return HTTRANSPARENT;
    case WM_GETDLGCODE:
        // The arrows and Enter are the board's; Tab and Esc stay the dialog keys'.
        return DLGC_WANTARROWS | DLGC_WANTCHARS | wantEnter(lParam);
    case WM_SETFOCUS:
        m_game.Board_GotFocus();
        return 0;
    case WM_KILLFOCUS:
        m_game.Board_LostFocus();
        return 0;
    case WM_KEYDOWN:
        for (const auto& [virtualKey, key] : kBoardKeys) {
            // A held Space or Enter is one press, not a pick-up and a drop over and over.
            const bool repeated = (lParam & (1L << 30)) != 0;
            if (wParam == virtualKey && !(repeated && key == BoardKey::activate)) {
                m_game.Board_KeyDown(key);
                return 0;
            }
        }
        break;
    case WM_ERASEBKGND:
        return 1; // paintMark covers the ring
    case WM_PAINT:
        paintMark();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(m_window.get(), message, wParam, lParam);
}

} // namespace tarnwick
