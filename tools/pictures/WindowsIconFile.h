#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPoint>

namespace tarnwick {

/// Writes Windows icon (.ico) and cursor (.cur) files, which the Windows
/// build embeds as resources. Qt writes one picture an icon file; Windows
/// wants every size of the program icon in one.
class WindowsIconFile {
public:
    /// An icon file holding @p images, one entry each: 32-bit colour with an
    /// AND mask, or PNG for 256 pixels and more, as Windows expects.
    [[nodiscard]] static QByteArray icon(const QList<QImage>& images);

    /// A cursor file of @p image whose hot spot is @p hotSpot.
    [[nodiscard]] static QByteArray cursor(const QImage& image, QPoint hotSpot);
};

} // namespace tarnwick
