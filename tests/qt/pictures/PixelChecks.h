#pragma once

// Colour judgements the picture tests share.

#include <QColor>
#include <QImage>
#include <QPoint>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace tarnwick::test {

// Where the window lays the hole cells (32 x 25) over the board, apex first.
constexpr std::array<QPoint, 15> kCells { { { 160, 56 }, { 128, 104 }, { 176, 104 }, { 104, 152 },
    { 152, 152 }, { 200, 152 }, { 80, 208 }, { 128, 208 }, { 184, 208 }, { 232, 208 }, { 48, 264 },
    { 104, 264 }, { 160, 264 }, { 208, 264 }, { 256, 264 } } };

inline double luminance(QRgb rgb)
{
    return 0.299 * qRed(rgb) + 0.587 * qGreen(rgb) + 0.114 * qBlue(rgb);
}

inline double distance(QRgb a, QRgb b)
{
    const double dr = qRed(a) - qRed(b);
    const double dg = qGreen(a) - qGreen(b);
    const double db = qBlue(a) - qBlue(b);
    return std::sqrt(dr * dr + dg * dg + db * db);
}

// A saturated sky blue, or a cloud's pale lavender: blue leads clearly.
inline bool isSky(QRgb rgb)
{
    return qBlue(rgb) > qRed(rgb) + 12 && qBlue(rgb) >= qGreen(rgb) + 8;
}

inline bool isSaturatedBlue(QRgb rgb)
{
    return qBlue(rgb) > 180 && qBlue(rgb) > qRed(rgb) + 100 && qBlue(rgb) > qGreen(rgb) + 60;
}

// Reddish-brown wood, light or dark: red leads green, green leads blue, not bright.
inline bool isReddishBrown(QRgb rgb)
{
    return qRed(rgb) > qGreen(rgb) + 25 && qGreen(rgb) >= qBlue(rgb) && luminance(rgb) < 130;
}

inline bool isGrey(QRgb rgb, int tolerance)
{
    const int high = std::max({ qRed(rgb), qGreen(rgb), qBlue(rgb) });
    const int low = std::min({ qRed(rgb), qGreen(rgb), qBlue(rgb) });
    return high - low <= tolerance;
}

inline double meanLuminance(const QImage& image, int y, int fromX, int toX)
{
    double sum = 0.0;
    for (int x = fromX; x <= toX; ++x) {
        sum += luminance(image.pixel(x, y));
    }
    return sum / (toX - fromX + 1);
}

} // namespace tarnwick::test
