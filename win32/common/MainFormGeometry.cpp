#include "MainFormGeometry.h"

#include "DpiGeometry.h"
#include "MainWindowLayout.h"

namespace tarnwick {

MainFormGeometry MainFormGeometry::at(UINT dpi)
{
    MainFormGeometry geometry;
    const RECT client = pixelRect(kMainClientTwips, dpi);
    geometry.client = { client.right - client.left, client.bottom - client.top };
    geometry.frame = client;
    AdjustWindowRectExForDpi(&geometry.frame, kStyle, FALSE, 0, dpi);
    const std::array<TwipRect, 3> commandTwips { kCommand1Twips, kCommand2Twips, kCommand3Twips };
    for (std::size_t command = 0; command < commandTwips.size(); ++command) {
        geometry.commands.at(command) = pixelRect(commandTwips.at(command), dpi);
    }
    for (std::size_t cell = 0; cell < kCellTwips.size(); ++cell) {
        geometry.cells.at(cell) = pixelRect(kCellTwips.at(cell), dpi);
    }
    geometry.focusMark = twipsToPixels(kFocusMarkTwips, pictureDpi(dpi));
    return geometry;
}

} // namespace tarnwick
