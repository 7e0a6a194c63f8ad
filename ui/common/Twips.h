#pragma once

#include <QRect>

namespace tarnwick {

/// The windows' layouts are given in twips, 1/1440 inch: at 96 pixels per
/// inch, 15 to a pixel. Qt's logical pixels are those 96-dpi pixels on every
/// screen, so the layouts scale with the screen's density as a whole.
inline constexpr int kTwipsPerPixel = 15;

/// A rectangle given in twips, in pixels at 96 dpi.
constexpr QRect rectFromTwips(int left, int top, int width, int height)
{
    return { left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
        height / kTwipsPerPixel };
}

} // namespace tarnwick
