#include "WindowCentring.h"

#include "TwipGeometry.h"

namespace tarnwick {

QPoint centredTopLeft(const QRect& screen, const QSize& outerSize)
{
    // Qt's logical pixels are 96-dpi pixels.
    return screen.topLeft()
        + QPoint(centredOffsetPixels(screen.width(), outerSize.width(), kBaseDpi),
            centredOffsetPixels(screen.height(), outerSize.height(), kBaseDpi));
}

} // namespace tarnwick
