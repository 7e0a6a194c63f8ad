#include "Pictures.h"

#include <QGuiApplication>

namespace tarnwick {

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
    QPixmap pixmap(resourcePath(name, scale));
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

QPixmap Pictures::pixmap(const QString& name)
{
    return pixmap(name, qApp != nullptr ? qApp->devicePixelRatio() : 1.0);
}

QImage Pictures::image(const QString& name, int scale)
{
    return QImage(resourcePath(name, scale));
}

} // namespace tarnwick
