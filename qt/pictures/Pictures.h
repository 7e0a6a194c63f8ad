#pragma once

#include "PixelsHeader.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace tarnwick {

/// The game's pictures, embedded under ":/pictures/" by linking tarnwick_qt_pictures.
///
/// Names are "board", "peg", "nopeg", "drag" and "icon"; each comes as "<name>.png"
/// and as "<name>@2x.png", drawn twice as fine for screens with twice the density.
class Pictures {
public:
    /// Resource path of picture @p name at @p scale (1 or 2), e.g. ":/pictures/peg@2x.png".
    [[nodiscard]] static QString resourcePath(const QString& name, int scale = 1);

    /// Picture @p name for a screen with @p devicePixelRatio: the 2x file from a ratio
    /// above 1 on, the 1x file below, with its devicePixelRatio set so that it
    /// covers the same logical size either way.
    [[nodiscard]] static QPixmap pixmap(const QString& name, qreal devicePixelRatio);

    /// As above, for the application's device pixel ratio (the highest of its screens).
    [[nodiscard]] static QPixmap pixmap(const QString& name);

    /// The picture @p name at @p scale exactly as stored, palette and all.
    [[nodiscard]] static QImage image(const QString& name, int scale = 1);

    /// Picture @p name as an icon holding both the 1x and the 2x file, so
    /// every screen gets the finer one it needs.
    [[nodiscard]] static QIcon icon(const QString& name);

    /// Each picture is embedded twice: as its PNG file, and as the pixels a
    /// pixmap holds ("<name>[@2x].pixels" under ":/pixels/", packed, each a
    /// PixelsHeader and its rows), so that the first frame decodes nothing.
    using PixelsHeader = tarnwick::PixelsHeader;

    /// Resource path of the pixels of picture @p name at @p scale.
    [[nodiscard]] static QString pixelsPath(const QString& name, int scale = 1);
};

} // namespace tarnwick
