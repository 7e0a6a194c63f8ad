#include "Pictures.h"

#include <QGuiApplication>
#include <QImageReader>

namespace tarnwick {

namespace {

// Every picture is a PNG: saying so spares Qt loading each image format
// plugin to ask whether it reads PNG better than Qt itself (four more shared
// libraries at start-up).
QImage readPng(const QString& path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

} // namespace

QString Pictures::resourcePath(const QString& name, int scale)
{
    return scale == 1 ? QString(":/pictures/%1.png").arg(name)
                      : QString(":/pictures/%1@%2x.png").arg(name).arg(scale);
}

QPixmap Pictures::pixmap(const QString& name, qreal devicePixelRatio)
{
    // QPixmap(path) ignores "@2x" siblings (only QIcon looks for them), so
    // the choice is made here.
    const int scale = devicePixelRatio > 1.0 ? 2 : 1;
    QPixmap pixmap = QPixmap::fromImage(readPng(resourcePath(name, scale)));
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

QPixmap Pictures::pixmap(const QString& name)
{
    return pixmap(name, qApp != nullptr ? qApp->devicePixelRatio() : 1.0);
}

QIcon Pictures::icon(const QString& name)
{
    QIcon icon;
    icon.addPixmap(pixmap(name, 1.0));
    icon.addPixmap(pixmap(name, 2.0));
    return icon;
}

QImage Pictures::image(const QString& name, int scale)
{
    return readPng(resourcePath(name, scale));
}

} // namespace tarnwick
