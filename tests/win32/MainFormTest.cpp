#include "MainFormGeometry.h"
#include "MainWindowLayout.h"
#include "Main_form.h"
#include "RecordingPorts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

// The real game window, without its pictures (they are resources of
// tarnwick.exe): its controls and its mouse handling are all there.
class MainFormTest : public ::testing::Test {
protected:
    MainFormTest() { form.show(SW_SHOWNORMAL); }

    std::vector<HWND> buttons() const
    {
        std::vector<HWND> found;
        for (HWND child = FindWindowExW(form.handle(), nullptr, L"BUTTON", nullptr);
             child != nullptr; child = FindWindowExW(form.handle(), child, L"BUTTON", nullptr)) {
            found.push_back(child);
        }
        return found;
    }

    // One key as the program's message loop hands it on.
    void pressKey(WPARAM key)
    {
        MSG message { GetFocus(), WM_KEYDOWN, key, 1, 0, {} };
        IsDialogMessageW(form.handle(), &message);
        // The rest, and the events for screen readers, come through the queue.
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != FALSE) {
            DispatchMessageW(&message);
        }
    }

    // What the game told the window since the last call.
    std::vector<std::string> takeLog() { return std::exchange(ports.log, {}); }

    testing::RecordingPorts ports;
    Main_form form { GetModuleHandleW(nullptr), ports, ports, ports };
};

std::wstring windowText(HWND window)
{
    std::wstring text(128, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), 128)));
    return text;
}

// The names screen readers were told of, as the window said them then.
std::vector<std::wstring> g_spokenNames;

void CALLBACK nameChanged(HWINEVENTHOOK /*hook*/, DWORD /*event*/, HWND window, LONG object,
    LONG /*child*/, DWORD /*thread*/, DWORD /*time*/)
{
    if (object == OBJID_CLIENT) {
        g_spokenNames.push_back(windowText(window));
    }
}

// The arrow keys move through the group of the focused control: from each
// button, both ways, they reach only another button, never a hole cell.
TEST_F(MainFormTest, TheArrowsStayOnTheButtons)
{
    const std::vector<HWND> commands = buttons();
    ASSERT_EQ(commands.size(), 3U);
    for (HWND command : commands) {
        for (const BOOL previous : { FALSE, TRUE }) {
            HWND next = GetNextDlgGroupItem(form.handle(), command, previous);
            EXPECT_NE(std::find(commands.begin(), commands.end(), next), commands.end())
                << "from button " << GetDlgCtrlID(command) << (previous ? " back" : " on");
            EXPECT_NE(next, command);
        }
    }
}

// A peg dragged from hole 1 and released over hole 15 drops there, wherever
// the pointer has gone by the time the release is handled.
TEST_F(MainFormTest, TheDropGoesWhereTheButtonCameUp)
{
    const PixelRect apex = toPixels(kCellTwips[0], 96);
    const PixelRect corner = toPixels(kCellTwips[14], 96);
    HWND apexCell = ChildWindowFromPoint(form.handle(), { apex.left + 4, apex.top + 4 });
    ASSERT_NE(apexCell, form.handle());
    SendMessageW(apexCell, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    ASSERT_EQ(ports.log.back(), "cue pickup");
    // The pointer is far away by now; the release says where it was.
    SetCursorPos(0, 0);
    SendMessageW(form.handle(), WM_LBUTTONUP, 0, MAKELPARAM(corner.left + 4, corner.top + 4));
    EXPECT_EQ(ports.log.back(), "cue pegdrop");
}

// The board is the stop after QUIT: focus and keys reach the game, and the
// window rings the hole the game marks only while the board has the focus,
// and gives the board the name the game has screen readers say.
TEST_F(MainFormTest, KeysAndFocusReachTheGameThroughTheBoard)
{
    HWND board = FindWindowExW(form.handle(), nullptr, L"TarnwickBoard", nullptr);
    ASSERT_NE(board, nullptr);
    const MainFormGeometry geometry = MainFormGeometry::at(GetDpiForWindow(form.handle()));
    auto ringed = [&](int hole) {
        RECT shown {};
        GetWindowRect(board, &shown);
        MapWindowPoints(nullptr, form.handle(), reinterpret_cast<POINT*>(&shown), 2);
        if (hole == 0) {
            return IsRectEmpty(&shown) != FALSE;
        }
        RECT ring = geometry.cells.at(static_cast<std::size_t>(hole - 1));
        InflateRect(&ring, geometry.focusMark, geometry.focusMark);
        return EqualRect(&shown, &ring) != FALSE;
    };
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
        nameChanged, GetCurrentProcessId(), GetCurrentThreadId(), WINEVENT_OUTOFCONTEXT);
    ASSERT_NE(hook, nullptr);

    // A press and a release on hole 14 with the mouse leave the focus on "Start Game".
    const POINT inCell { geometry.cells[13].left + 4, geometry.cells[13].top + 4 };
    SendMessageW(ChildWindowFromPoint(form.handle(), inCell), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageW(form.handle(), WM_LBUTTONUP, 0, MAKELPARAM(inCell.x, inCell.y));
    EXPECT_EQ(takeLog(), (std::vector<std::string> { "cue pickup", "cue pegdrop" }));
    EXPECT_NE(GetFocus(), board);
    EXPECT_TRUE(ringed(0));

    const struct {
        WPARAM key;
        std::vector<std::string> cues;
        int ringedHole; // 0: the board has no focus, and no ring
        const wchar_t* spoken; // the board's name, when the game spoke
    } steps[] = {
        { VK_TAB, {}, 0, nullptr },
        { VK_TAB, {}, 0, nullptr },
        { VK_TAB, {}, 1, L"Hole 1, peg" },
        { VK_RIGHT, {}, 2, L"Hole 2, peg" },
        { VK_DOWN, {}, 4, L"Hole 4, peg" },
        { VK_ESCAPE, {}, 4, nullptr },
        { VK_SPACE, { "cue pickup" }, 4, L"Hole 4, empty; holding the peg from hole 4" },
        { VK_END, {}, 15, L"Hole 15, empty; holding the peg from hole 4" },
        { VK_RETURN, { "cue pegdrop" }, 15, L"Hole 15, peg" },
        { VK_HOME, {}, 1, L"Hole 1, peg" },
        { VK_TAB, {}, 0, nullptr },
        { VK_RETURN, {}, 0, nullptr }, // presses "Start Game", which has the focus
        { VK_LEFT, {}, 0, nullptr },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE("key " + std::to_string(step.key));
        g_spokenNames.clear();
        pressKey(step.key);
        EXPECT_EQ(takeLog(), step.cues);
        EXPECT_EQ(GetFocus() == board, step.ringedHole != 0);
        EXPECT_TRUE(ringed(step.ringedHole));
        if (step.spoken != nullptr) {
            EXPECT_EQ(windowText(board), step.spoken);
            EXPECT_EQ(g_spokenNames, std::vector<std::wstring> { step.spoken });
        }
    }
    UnhookWinEvent(hook);
}

} // namespace
} // namespace tarnwick
