#include "CentringArithmetic.h"

#include "TwipGeometry.h"

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

double pixelsToTwips(int pixels, int dpi)
{
    return static_cast<double>(pixels) * kTwipsPerInch / dpi;
}

} // namespace

int centredOffsetTwips(double screenTwips, double windowTwips)
{
    const auto difference = static_cast<long long>(roundHalfToEven(screenTwips - windowTwips));
    // Integer division truncates toward zero, also for windows larger than the screen.
    return static_cast<int>(difference / 2);
}

int centredOffsetPixels(int screenPixels, int windowPixels, int dpi)
{
    return twipsToPixels(
        centredOffsetTwips(pixelsToTwips(screenPixels, dpi), pixelsToTwips(windowPixels, dpi)),
        dpi);
}

} // namespace tarnwick
