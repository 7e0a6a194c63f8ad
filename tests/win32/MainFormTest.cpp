#include "MainWindowLayout.h"
#include "Main_form.h"
#include "RecordingPorts.h"

#include <gtest/gtest.h>

#include <algorithm>
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

    testing::RecordingPorts ports;
    Main_form form { GetModuleHandleW(nullptr), ports, ports, ports };
};

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

} // namespace
} // namespace tarnwick
