#pragma once

#include "CentringArithmetic.h"

#include <QPoint>
#include <QRect>
#include <QSize>

namespace tarnwick {

/// The top-left corner, in pixels, that centres a window whose outer (framed)
/// size is @p outerSize on @p screen, worked out in twips by the shared
/// centring arithmetic.
QPoint centredTopLeft(const QRect& screen, const QSize& outerSize);

} // namespace tarnwick
