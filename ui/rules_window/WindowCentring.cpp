#include "WindowCentring.h"

#include <cmath>

namespace tarnwick {

namespace {

double roundHalfToEven(double value)
{
    const double nearest = std::round(value); // halves away from zero
    if (std::abs(value - std::trunc(value)) == 0.5) {
        return 2.0 * std::round(value / 2.0);
    }
    return nearest;
}

int centredOffsetPixels(int screenPixels, int windowPixels)
{
    const int offsetTwips = centredOffsetTwips(static_cast<double>(screenPixels) * kTwipsPerPixel,
        static_cast<double>(windowPixels) * kTwipsPerPixel);
    // Whole twips from whole pixels are never more than 7/15 off a whole
    // pixel, so dropping the fraction here is also the nearest pixel.
    return offsetTwips / kTwipsPerPixel;
}

} // namespace

int centredOffsetTwips(double screenTwips, double windowTwips)
{
    const auto difference = static_cast<long long>(roundHalfToEven(screenTwips - windowTwips));
    // Integer division truncates toward zero, also for windows larger than the screen.
    return static_cast<int>(difference / 2);
}

QPoint centredTopLeft(const QRect& screen, const QSize& outerSize)
{
    return screen.topLeft()
        + QPoint(centredOffsetPixels(screen.width(), outerSize.width()),
            centredOffsetPixels(screen.height(), outerSize.height()));
}

} // namespace tarnwick
