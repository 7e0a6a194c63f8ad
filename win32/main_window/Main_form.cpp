#include "Main_form.h"

#include "DpiGeometry.h"
#include "GdiDrawing.h"
#include "MainFormGeometry.h"
#include "MessageParams.h"
#include "PushButtons.h"
#include "WideText.h"
#include "WindowTexts.h"

#include <windowsx.h>

namespace tarnwick {

namespace {

constexpr const wchar_t* kClassName = L"TarnwickGame";
// Not 1 or 2: the dialog keys would treat those as IDOK and IDCANCEL.
constexpr std::array<int, 3> kCommandIds { 101, 102, 103 };

IconHandle loadIcon(HINSTANCE instance, int metric, UINT dpi)
{
    const int size = GetSystemMetricsForDpi(metric, dpi);
    return IconHandle(
        static_cast<HICON>(LoadImageW(instance, L"TARNWICK", IMAGE_ICON, size, size, 0)));
}

} // namespace

Main_form::Main_form(
    HINSTANCE instance, CuePlayer& cues, RandomSource& random, ProgramControl& program)
    : m_instance(instance)
    , m_game(GamePorts { *this, cues, m_message, random, program })
{
    registerWindowClass<Main_form>(instance, kClassName);
    // Created at the system's density, the only one known before the window
    // exists; sized and laid out below at its own, which may differ.
    const RECT created = MainFormGeometry::at(GetDpiForSystem()).frame;
    CreateWindowExW(0, kClassName, wideText(kMainCaption).c_str(), MainFormGeometry::kStyle,
        created.left, created.top, created.right - created.left, created.bottom - created.top,
        nullptr, nullptr, instance, this);
    m_message.setOwner(m_window.get());

    for (std::size_t index = 0; index < m_cells.size(); ++index) {
        m_cells.at(index) = std::make_unique<HoleCell>(instance, m_window.get(),
            static_cast<int>(index), [this](int pressed) { m_game.Image1_MouseDown(pressed); });
    }
    const std::array<std::string_view, 3> captions { kStartGameCaption, kHelpCaption,
        kQuitCaption };
    for (std::size_t command = 0; command < m_commands.size(); ++command) {
        // Created in tab order: "Start Game", "HELP", "QUIT". The first
        // starts the one group the arrow keys move in; the cells before them
        // are a group of their own (HoleCell), so the arrows never reach one.
        m_commands.at(command) = createPushButton(m_window.get(), captions.at(command),
            kCommandIds.at(command), command == 0 ? WS_GROUP : 0);
    }
    m_boardControl = std::make_unique<BoardControl>(instance, m_window.get(), m_game);
    const UINT dpi = GetDpiForWindow(m_window.get());
    placeWindow(m_window.get(), MainFormGeometry::at(dpi).frame);
    layOut(dpi);

    // The start position is in place before the window first appears.
    m_game.Form_Load();
}

Main_form::~Main_form()
{
    if (m_game.isDragging()) {
        endDrag();
    }
    m_rules.reset();
    m_window.reset();
}

void Main_form::show(int showCommand)
{
    ShowWindow(m_window.get(), showCommand);
    SetFocus(m_commands.front());
    UpdateWindow(m_window.get());
}

void Main_form::layOut(UINT dpi)
{
    m_dpi = dpi;
    const MainFormGeometry geometry = MainFormGeometry::at(dpi);
    m_board.reset(loadBitmapResource(m_instance, pictureResource(L"BOARD", dpi).c_str()));

    // Each new handle goes to the window before the old one is destroyed,
    // which the window would otherwise go on using.
    CursorHandle dragCursor(static_cast<HCURSOR>(
        LoadImageW(m_instance, pictureResource(L"DRAG", dpi).c_str(), IMAGE_CURSOR, 0, 0, 0)));
    if (m_game.isDragging()) {
        SetCursor(dragCursor.get());
    }
    m_dragCursor = std::move(dragCursor);
    IconHandle bigIcon = loadIcon(m_instance, SM_CXICON, dpi);
    IconHandle smallIcon = loadIcon(m_instance, SM_CXSMICON, dpi);
    SendMessageW(m_window.get(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.get()));
    SendMessageW(m_window.get(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
    m_bigIcon = std::move(bigIcon);
    m_smallIcon = std::move(smallIcon);

    for (std::size_t command = 0; command < m_commands.size(); ++command) {
        placeWindow(m_commands.at(command), geometry.commands.at(command));
    }
    setButtonFont(m_buttonFont, m_commands, dpi);
    for (std::size_t index = 0; index < m_cells.size(); ++index) {
        placeWindow(m_cells.at(index)->handle(), geometry.cells.at(index));
    }
    if (m_pegPics) {
        // Pictures of the new density, showing what the cells showed.
        m_pegPics = std::make_unique<Peg_Pics>(m_instance, dpi);
        m_game.redrawBoard();
    }
    InvalidateRect(m_window.get(), nullptr, TRUE);
}

Peg_Pics& Main_form::pegPics()
{
    // Created on first use, during the start-up reset.
    if (!m_pegPics) {
        m_pegPics = std::make_unique<Peg_Pics>(m_instance, m_dpi);
    }
    return *m_pegPics;
}

void Main_form::showPicture(int hole, HolePicture picture)
{
    m_cells.at(static_cast<std::size_t>(hole - 1))
        ->setPicture(pegPics().picture(picture), picture == HolePicture::peg);
}

void Main_form::beginDrag(int /*hole*/)
{
    SetCapture(m_window.get());
    SetCursor(m_dragCursor.get());
}

void Main_form::endDrag()
{
    // Releasing the capture reports WM_CAPTURECHANGED at once; the game has
    // already ended its drag, so that report finds none running.
    ReleaseCapture();
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

void Main_form::showKeyboardFocus(int hole, std::string_view spoken)
{
    const MainFormGeometry geometry = MainFormGeometry::at(m_dpi);
    const RECT cell = hole == 0 ? RECT {} : geometry.cells.at(static_cast<std::size_t>(hole - 1));
    m_boardControl->showMark(cell, geometry.focusMark, spoken);
}

void Main_form::Command1_Click()
{
    m_game.Command1_Click();
}

void Main_form::Command2_Click()
{
    if (m_rules && m_rules->isOpen()) {
        m_rules->raise();
        return;
    }
    // Unloaded by OK: created and centred afresh.
    m_rules = std::make_unique<frm_Rules>(m_instance, m_window.get());
}

void Main_form::Command3_Click()
{
    m_game.Command3_Click();
}

std::optional<int> Main_form::cellAt(POINT client) const
{
    // Ask what is really under the point, so a window covering a cell wins.
    POINT pointer = client;
    ClientToScreen(m_window.get(), &pointer);
    HWND under = WindowFromPoint(pointer);
    for (const auto& cell : m_cells) {
        if (cell->handle() == under) {
            return cell->index();
        }
    }
    return std::nullopt;
}

void Main_form::mouseReleased(POINT client)
{
    // Where the button came up, not where the pointer is by now: a flick
    // right after the release must not drop on another cell.
    if (const std::optional<int> cell = cellAt(client)) {
        m_game.Image1_MouseUp(*cell);
    } else {
        m_game.Form_MouseUp();
    }
}

LRESULT Main_form::handleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            switch (LOWORD(wParam)) {
            case kCommandIds[0]:
                Command1_Click();
                break;
            case kCommandIds[1]:
                Command2_Click();
                break;
            case kCommandIds[2]:
                Command3_Click();
                break;
            default:
                break;
            }
        }
        // Anything else, Esc's IDCANCEL and Enter's IDOK included, does nothing.
        return 0;
    case WM_PAINT:
        // The board picture is a little larger than the client area, which cuts it off.
        paintBitmap(m_window.get(), m_board.get());
        return 0;
    case WM_ERASEBKGND:
        return 1; // the board covers the client area
    case WM_MOUSEMOVE:
        // While the capture runs every move comes here, over cells and
        // buttons too; the game knows a drag from a move over the background.
        m_game.Form_MouseMove();
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_XBUTTONUP:
        // The capture sends every release here, in this window's client coordinates.
        mouseReleased({ GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam) });
        return message == WM_XBUTTONUP ? TRUE : 0;
    case WM_CAPTURECHANGED:
        // Another window took the mouse: as a release anywhere but on a cell.
        m_game.Form_MouseUp();
        return 0;
    case WM_SETCURSOR:
        if (m_game.isDragging()) {
            SetCursor(m_dragCursor.get());
            return TRUE;
        }
        break;
    case WM_ACTIVATE:
        // Focus comes back to the button that had it, as in a dialog.
        if (LOWORD(wParam) == WA_INACTIVE) {
            m_lastFocus = GetFocus();
        } else {
            SetFocus(m_lastFocus != nullptr && IsChild(m_window.get(), m_lastFocus)
                    ? m_lastFocus
                    : m_commands.front());
        }
        return 0;
    case WM_DPICHANGED:
        return followDpiChange(m_window.get(), wParam, lParam, [this](UINT dpi) {
            layOut(dpi);
            return MainFormGeometry::at(dpi).frame;
        });
    case WM_CLOSE:
        m_game.Form_Unload();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(m_window.get(), message, wParam, lParam);
}

} // namespace tarnwick
