#include "MainFormGeometry.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwick {
namespace {

// The client area Windows gives a window of @p frame at @p dpi: the frame
// less the caption and borders drawn at that density.
RECT clientOf(const RECT& frame, UINT dpi)
{
    RECT borders {};
    AdjustWindowRectExForDpi(&borders, MainFormGeometry::kStyle, FALSE, 0, dpi);
    return { frame.left - borders.left, frame.top - borders.top, frame.right - borders.right,
        frame.bottom - borders.bottom };
}

bool inside(const RECT& control, const RECT& client)
{
    const LONG width = client.right - client.left;
    const LONG height = client.bottom - client.top;
    return control.left >= 0 && control.top >= 0 && control.right <= width
        && control.bottom <= height;
}

// The window is created at the system's density, then sized and laid out at
// its own. Where the two differ (the monitor's scale changed since sign-in,
// a laptop docked) the client area is still exactly the game's, and every
// button and cell lies inside it: sized at the system's density it was too
// small at 96 against 144 (the buttons outside), too large the other way.
TEST(MainFormGeometry, TheWindowsOwnDensitySizesTheFrameAndTheControls)
{
    const struct {
        UINT system;
        UINT window;
        LONG clientWidth;
        LONG clientHeight;
    } cases[] = {
        { 96, 96, 336, 328 },
        { 96, 144, 504, 492 },
        { 144, 96, 336, 328 },
        { 144, 144, 504, 492 },
        { 120, 192, 672, 656 },
        { 192, 120, 420, 410 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("system " + std::to_string(c.system) + ", window " + std::to_string(c.window));
        const MainFormGeometry created = MainFormGeometry::at(c.system);
        const MainFormGeometry own = MainFormGeometry::at(c.window);
        const RECT client = clientOf(own.frame, c.window);
        EXPECT_EQ(client.right - client.left, c.clientWidth);
        EXPECT_EQ(client.bottom - client.top, c.clientHeight);
        EXPECT_EQ(own.client.cx, c.clientWidth);
        EXPECT_EQ(own.client.cy, c.clientHeight);
        for (const RECT& command : own.commands) {
            EXPECT_TRUE(inside(command, client));
        }
        for (const RECT& cell : own.cells) {
            EXPECT_TRUE(inside(cell, client));
        }
        // The frame made for the system's density is not the window's.
        const RECT wrong = clientOf(created.frame, c.window);
        EXPECT_EQ(c.system == c.window, wrong.right - wrong.left == c.clientWidth);
    }
}

} // namespace
} // namespace tarnwick
