#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace tarnwick::testing {

/// One jump worked out from the triangle's geometry, independent of the game's table.
struct GeometricJump {
    int from;
    int over;
    int to;
};

inline std::vector<GeometricJump> geometricJumps()
{
    auto holeAt = [](int row, int column) { return row * (row - 1) / 2 + column; };
    std::vector<GeometricJump> jumps;
    const int directions[3][2] = { { 0, 1 }, { 1, 0 }, { 1, 1 } };
    for (int row = 1; row <= 5; ++row) {
        for (int column = 1; column <= row; ++column) {
            for (const auto& d : directions) {
                const int endRow = row + 2 * d[0];
                const int endColumn = column + 2 * d[1];
                if (endRow > 5 || endColumn > endRow) {
                    continue;
                }
                const int a = holeAt(row, column);
                const int over = holeAt(row + d[0], column + d[1]);
                const int b = holeAt(endRow, endColumn);
                jumps.push_back({ a, over, b });
                jumps.push_back({ b, over, a });
            }
        }
    }
    return jumps;
}

/// Exhaustive search over positions (bit h-1 set = peg in hole h) for a line
/// of play that ends as @p wanted asks: with one peg, or stuck with several.
class TriangleSolver {
public:
    enum class Ending { onePeg, stuckWithSeveral };

    explicit TriangleSolver(Ending wanted)
        : m_wanted(wanted)
    { }

    std::optional<std::vector<GeometricJump>> solve(std::uint16_t pegs)
    {
        std::vector<GeometricJump> line;
        if (search(pegs, line)) {
            return line;
        }
        return std::nullopt;
    }

private:
    static bool has(std::uint16_t pegs, int hole) { return (pegs >> (hole - 1)) & 1U; }

    bool search(std::uint16_t pegs, std::vector<GeometricJump>& line)
    {
        if (m_dead.contains(pegs)) {
            return false;
        }
        bool anyJump = false;
        for (const GeometricJump& jump : m_jumps) {
            if (!has(pegs, jump.from) || !has(pegs, jump.over) || has(pegs, jump.to)) {
                continue;
            }
            anyJump = true;
            const auto next = static_cast<std::uint16_t>(
                pegs ^ (1U << (jump.from - 1)) ^ (1U << (jump.over - 1)) ^ (1U << (jump.to - 1)));
            line.push_back(jump);
            if (search(next, line)) {
                return true;
            }
            line.pop_back();
        }
        if (!anyJump) {
            const int count = __builtin_popcount(pegs);
            if ((m_wanted == Ending::onePeg) == (count == 1)) {
                return true;
            }
        }
        m_dead[pegs] = true;
        return false;
    }

    Ending m_wanted;
    std::vector<GeometricJump> m_jumps = geometricJumps();
    std::map<std::uint16_t, bool> m_dead;
};

} // namespace tarnwick::testing
