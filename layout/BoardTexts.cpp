#include "BoardTexts.h"

#include "MainWindowLayout.h"

namespace tarnwick {

std::string BoardTexts::holeName(int hole, bool peg)
{
    return "Hole " + std::to_string(hole) + (peg ? ", peg" : ", empty");
}

std::string BoardTexts::keyboardFocus(int hole, bool peg, int heldHole)
{
    std::string spoken = holeName(hole, peg);
    if (heldHole >= 1 && heldHole <= static_cast<int>(kCellTwips.size())) {
        spoken += "; holding the peg from hole " + std::to_string(heldHole);
    }
    return spoken;
}

} // namespace tarnwick
