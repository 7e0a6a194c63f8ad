#pragma once

#include <array>

namespace tarnwick {

/// The windows are laid out in twips, 1/1440 inch. A front-end turns them
/// into pixels at its screen's density with twipsToPixels().
inline constexpr int kTwipsPerInch = 1440;

/// The density the layouts were drawn for: 15 twips to a pixel.
inline constexpr int kBaseDpi = 96;

/// The densities the pictures are drawn for (scales 1, 1.25, 1.5, 1.75 and 2).
inline constexpr std::array<int, 5> kPictureDpis { 96, 120, 144, 168, 192 };

/// A rectangle, or with left and top 0 a size, in twips.
struct TwipRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend constexpr bool operator==(const TwipRect&, const TwipRect&) = default;
};

/// A rectangle in pixels at some density: a TwipRect once converted. A type of
/// its own so that the two units never mix unnoticed.
struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    friend constexpr bool operator==(const PixelRect&, const PixelRect&) = default;
};

/// @p twips in pixels at @p dpi, rounded to the nearest pixel with halves away
/// from zero (the rounding of Windows' MulDiv). At 96 dpi every twip figure of
/// the layouts is a multiple of 15, so nothing is rounded there.
constexpr int twipsToPixels(int twips, int dpi)
{
    const long long scaled = static_cast<long long>(twips) * dpi;
    const long long half = kTwipsPerInch / 2;
    return static_cast<int>(
        scaled >= 0 ? (scaled + half) / kTwipsPerInch : -((-scaled + half) / kTwipsPerInch));
}

/// Each edge of @p twips converted on its own, so every rectangle of one size
/// in twips has one size in pixels, the size its picture is drawn at.
constexpr PixelRect toPixels(const TwipRect& twips, int dpi)
{
    return { twipsToPixels(twips.left, dpi), twipsToPixels(twips.top, dpi),
        twipsToPixels(twips.width, dpi), twipsToPixels(twips.height, dpi) };
}

/// The density to lay out at on a screen of @p dpi: the densest one the
/// pictures are drawn for that is not denser than the screen (96 at the
/// least), so no picture is ever stretched to fit its cell.
constexpr int layoutDpi(int dpi)
{
    int chosen = kPictureDpis.front();
    for (const int candidate : kPictureDpis) {
        if (candidate <= dpi) {
            chosen = candidate;
        }
    }
    return chosen;
}

} // namespace tarnwick
