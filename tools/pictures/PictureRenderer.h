#pragma once

#include "MainWindowLayout.h"
#include "ValueNoise.h"

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QSize>

#include <array>

namespace tarnwick {

/// Draws the game's pictures from scratch at any whole scale, in full colour.
///
/// Every picture is drawn in its 1x coordinates and scaled while drawing, so a
/// 2x picture has real detail rather than doubled pixels, and averaging it down
/// gives the 1x picture again.
class PictureRenderer {
public:
    /// The board picture's size at 1x.
    static constexpr QSize kBoardSize { twipsToPixels(kBoardPictureTwips.width, kBaseDpi),
        twipsToPixels(kBoardPictureTwips.height, kBaseDpi) };
    /// The size of a hole picture (peg and nopeg) at 1x.
    static constexpr QSize kCellSize { twipsToPixels(kCellTwips.front().width, kBaseDpi),
        twipsToPixels(kCellTwips.front().height, kBaseDpi) };
    /// The size of the drag icon and of the program icon at 1x.
    static constexpr QSize kIconSize { twipsToPixels(kIconTwips.width, kBaseDpi),
        twipsToPixels(kIconTwips.height, kBaseDpi) };

    /// The wood triangle: apex, and the ends of its base.
    static constexpr QPointF kApex { 170.0, 10.0 };
    /// Left end of the triangle's base.
    static constexpr QPointF kBaseLeft { 17.0, 319.0 };
    /// Right end of the triangle's base.
    static constexpr QPointF kBaseRight { 323.0, 319.0 };
    /// Width of the dark bevel along the left side, measured along a row.
    static constexpr double kBevelWidth = 4.0;

    /// Top-left corners of the 15 hole cells laid over the board, apex first.
    static constexpr std::array<QPoint, 15> kCells = [] {
        std::array<QPoint, 15> corners {};
        for (std::size_t cell = 0; cell < corners.size(); ++cell) {
            const PixelRect pixels = toPixels(kCellTwips.at(cell), kBaseDpi);
            corners.at(cell) = { pixels.left, pixels.top };
        }
        return corners;
    }();

    PictureRenderer();

    /// The sky with the wood triangle on it.
    [[nodiscard]] QImage board(int scale) const;
    /// A peg standing in its hole.
    [[nodiscard]] QImage peg(int scale) const;
    /// An empty hole.
    [[nodiscard]] QImage nopeg(int scale) const;
    /// The cursor while a peg is held: a peg head seen from above, on transparency.
    [[nodiscard]] QImage dragIcon(int scale) const;

    /// The same pictures drawn at @p size pixels, for scales that are not
    /// whole: each is drawn at that size, never resampled from another.
    [[nodiscard]] QImage board(QSize size) const;
    [[nodiscard]] QImage peg(QSize size) const;
    [[nodiscard]] QImage nopeg(QSize size) const;
    [[nodiscard]] QImage dragIcon(QSize size) const;
    /// Flat colours for pictures that keep 16 of them, or a polished finish.
    enum class IconFinish { flat, glossy };

    /// The round-board program icon, @p size pixels square.
    [[nodiscard]] QImage programIcon(int size, IconFinish finish) const;

    /// The board's left edge (outer side of the bevel) at height @p y.
    [[nodiscard]] static double leftEdgeAt(double y);

private:
    [[nodiscard]] QRgb skyAt(double x, double y) const;
    [[nodiscard]] QRgb woodAt(double x, double y) const;
    [[nodiscard]] QRgb boardWoodAt(double x, double y) const;
    [[nodiscard]] QImage cellWood(QSize size) const;

    ValueNoise m_grain;
    ValueNoise m_fluff;
};

} // namespace tarnwick
