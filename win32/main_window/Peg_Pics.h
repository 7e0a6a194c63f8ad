#pragma once

#include "HoleView.h"
#include "UniqueHandle.h"

namespace tarnwick {

/// The picture store: the `peg` and `nopeg` bitmaps drawn for one density,
/// loaded from the program's resources. Cells show its bitmaps; it owns them.
class Peg_Pics {
public:
    /// Loads both pictures for a window at @p dpi.
    Peg_Pics(HINSTANCE instance, UINT dpi);

    [[nodiscard]] HBITMAP picture(HolePicture which) const
    {
        return which == HolePicture::peg ? m_peg.get() : m_nopeg.get();
    }

private:
    BitmapHandle m_peg;
    BitmapHandle m_nopeg;
};

} // namespace tarnwick
