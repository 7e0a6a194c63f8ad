#pragma once

namespace tarnwick {

/// The offset, in twips, that centres an extent of @p windowTwips on one of
/// @p screenTwips: their difference rounded to the nearest whole twip (halves
/// to the even neighbour), then halved with the fraction dropped. Negative
/// when the window is larger than the screen.
int centredOffsetTwips(double screenTwips, double windowTwips);

/// The same offset for extents in pixels at @p dpi: worked out in twips as
/// above, then back to pixels by twipsToPixels(). At 96 dpi an offset from
/// whole pixels is never more than 7/15 off a whole pixel, so this is also
/// the fraction dropped.
int centredOffsetPixels(int screenPixels, int windowPixels, int dpi);

} // namespace tarnwick
