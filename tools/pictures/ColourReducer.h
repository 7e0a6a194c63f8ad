#pragma once

#include <QImage>
#include <QList>
#include <QRgb>

namespace tarnwick {

/// Turns full-colour drawings into indexed pictures with a small palette (median cut).
class ColourReducer {
public:
    /// A palette of at most @p maxColours entries that suits all @p images together.
    /// Fully transparent pixels get one exact transparent entry of their own.
    [[nodiscard]] static QList<QRgb> palette(const QList<QImage>& images, int maxColours);

    /// @p image as an 8-bit indexed picture whose colour table is exactly @p palette,
    /// each pixel taking the nearest entry.
    [[nodiscard]] static QImage toIndexed(const QImage& image, const QList<QRgb>& palette);
};

} // namespace tarnwick
