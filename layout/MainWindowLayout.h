#pragma once

#include "TwipGeometry.h"

#include <array>

namespace tarnwick {

/// The game window's client area, and where it sits on the screen at start.
inline constexpr TwipRect kMainClientTwips { 2715, 1440, 5040, 4920 };

/// The board picture, drawn unscaled at the client area's top-left corner; it
/// is 2 pixels wider and 1 pixel higher than the client area (at 96 dpi).
inline constexpr TwipRect kBoardPictureTwips { 0, 0, 5070, 4935 };

/// The 15 hole cells `Image1(0..14)`, apex first, row by row. Each is the size
/// of the hole pictures; the rows are placed by hand to sit on the drawn wood.
inline constexpr std::array<TwipRect, 15> kCellTwips { {
    { 2400, 840, 480, 375 },
    { 1920, 1560, 480, 375 },
    { 2640, 1560, 480, 375 },
    { 1560, 2280, 480, 375 },
    { 2280, 2280, 480, 375 },
    { 3000, 2280, 480, 375 },
    { 1200, 3120, 480, 375 },
    { 1920, 3120, 480, 375 },
    { 2760, 3120, 480, 375 },
    { 3480, 3120, 480, 375 },
    { 720, 3960, 480, 375 },
    { 1560, 3960, 480, 375 },
    { 2400, 3960, 480, 375 },
    { 3120, 3960, 480, 375 },
    { 3840, 3960, 480, 375 },
} };

/// "Start Game", "HELP" and "QUIT", in their tab order.
inline constexpr TwipRect kCommand1Twips { 3720, 240, 1215, 375 };
inline constexpr TwipRect kCommand2Twips { 3840, 720, 975, 375 };
inline constexpr TwipRect kCommand3Twips { 3840, 1200, 975, 375 };

/// The keyboard's mark on the hole it is on, shown only while the board has
/// the keyboard focus: a ring this wide just outside the cell, in a yellow
/// that stands out on the sky and on the wood alike.
inline constexpr int kFocusMarkTwips = 30;
inline constexpr int kFocusMarkRed = 255;
inline constexpr int kFocusMarkGreen = 224;
inline constexpr int kFocusMarkBlue = 0;

/// The drag icon and the program icon are 32 pixels square at 96 dpi.
inline constexpr TwipRect kIconTwips { 0, 0, 480, 480 };

} // namespace tarnwick
