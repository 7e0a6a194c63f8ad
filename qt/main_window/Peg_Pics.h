#pragma once

#include "HoleView.h"

#include <QPixmap>

namespace tarnwick {

/// The picture store for the two hole pictures. It is never shown; cells
/// take their picture from it. Created by the main window on first use.
class Peg_Pics {
public:
    Peg_Pics();

    /// The picture for @p picture; on a high-density screen the 2x rendering.
    [[nodiscard]] const QPixmap& picture(HolePicture picture) const;

private:
    QPixmap m_peg;
    QPixmap m_nopeg;
};

} // namespace tarnwick
