#include "DpiGeometry.h"

#include <cmath>

namespace tarnwick {

int pictureDpi(UINT dpi)
{
    return layoutDpi(static_cast<int>(dpi));
}

RECT pixelRect(const TwipRect& twips, UINT dpi)
{
    const PixelRect pixels = toPixels(twips, pictureDpi(dpi));
    return { pixels.left, pixels.top, pixels.left + pixels.width, pixels.top + pixels.height };
}

std::wstring pictureResource(const wchar_t* stem, UINT dpi)
{
    return std::wstring(stem) + L"_" + std::to_wstring(pictureDpi(dpi));
}

int fontHeight(double points, UINT dpi)
{
    constexpr double kPointsPerInch = 72.0;
    return -static_cast<int>(std::lround(points * pictureDpi(dpi) / kPointsPerInch));
}

} // namespace tarnwick
