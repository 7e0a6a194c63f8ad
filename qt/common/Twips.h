#pragma once

#include "TwipGeometry.h"

#include <QRect>

namespace tarnwick {

/// A rectangle of the shared layouts in Qt's logical pixels. Those are 96-dpi
/// pixels on every screen, so the layouts scale with the screen's density as a
/// whole and the twips are converted at 96 dpi.
constexpr QRect rectFromTwips(const TwipRect& twips)
{
    const PixelRect pixels = toPixels(twips, kBaseDpi);
    return { pixels.left, pixels.top, pixels.width, pixels.height };
}

} // namespace tarnwick
