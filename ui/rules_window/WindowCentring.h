#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include "Twips.h"

namespace tarnwick {

/// The offset, in twips, that centres an extent of @p windowTwips on one of
/// @p screenTwips: their difference rounded to the nearest whole twip (halves
/// to the even neighbour), then halved with the fraction dropped. Negative
/// when the window is larger than the screen.
int centredOffsetTwips(double screenTwips, double windowTwips);

/// The top-left corner, in pixels, that centres a window whose outer (framed)
/// size is @p outerSize on @p screen, worked out in twips as above.
QPoint centredTopLeft(const QRect& screen, const QSize& outerSize);

} // namespace tarnwick
