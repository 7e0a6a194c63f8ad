#include "BoardNavigation.h"

#include "GameState.h"
#include "MainWindowLayout.h"

#include <cstdlib>
#include <limits>

namespace tarnwick {

namespace {

constexpr int kRowCount = 5;

// Row r (0 at the apex) holds holes r(r+1)/2 + 1 to (r+1)(r+2)/2.
constexpr int firstHoleOfRow(int row)
{
    return row * (row + 1) / 2 + 1;
}

constexpr int rowOf(int hole)
{
    int row = 0;
    while (row + 1 < kRowCount && firstHoleOfRow(row + 1) <= hole) {
        ++row;
    }
    return row;
}

int centreAcross(int hole)
{
    const TwipRect& cell = kCellTwips.at(static_cast<std::size_t>(hole - 1));
    return cell.left + cell.width / 2;
}

int nearestInRow(int row, int across)
{
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int hole = firstHoleOfRow(row); hole < firstHoleOfRow(row + 1); ++hole) {
        // Strictly nearer only: a tie keeps the lower number.
        const int distance = std::abs(centreAcross(hole) - across);
        if (distance < bestDistance) {
            best = hole;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace

int BoardNavigation::next(int hole, BoardKey key)
{
    if (hole < 1 || hole > kHoleCount) {
        return 1;
    }
    const int row = rowOf(hole);
    switch (key) {
    case BoardKey::left:
        return hole > 1 ? hole - 1 : hole;
    case BoardKey::right:
        return hole < kHoleCount ? hole + 1 : hole;
    case BoardKey::up:
        return row > 0 ? nearestInRow(row - 1, centreAcross(hole)) : hole;
    case BoardKey::down:
        return row + 1 < kRowCount ? nearestInRow(row + 1, centreAcross(hole)) : hole;
    case BoardKey::home:
        return 1;
    case BoardKey::end:
        return kHoleCount;
    case BoardKey::activate:
        break;
    }
    return hole;
}

} // namespace tarnwick
