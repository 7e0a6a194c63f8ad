#pragma once

#include <array>
#include <cstdint>

namespace tarnwick {

/// One jump: a peg in `from` jumps over `over` into `to`.
struct Jump {
    std::int16_t from;
    std::int16_t to;
    std::int16_t over;
};

/// The 36 jumps of the triangle: 18 lines of three holes, each usable both
/// ways. Kept as literal constants; nothing computes them.
inline constexpr std::array<Jump, 36> kJumps { {
    { 1, 4, 2 },
    { 1, 6, 3 },
    { 2, 7, 4 },
    { 2, 9, 5 },
    { 3, 8, 5 },
    { 3, 10, 6 },
    { 4, 1, 2 },
    { 4, 6, 5 },
    { 4, 11, 7 },
    { 4, 13, 8 },
    { 5, 12, 8 },
    { 5, 14, 9 },
    { 6, 1, 3 },
    { 6, 4, 5 },
    { 6, 13, 9 },
    { 6, 15, 10 },
    { 7, 2, 4 },
    { 7, 9, 8 },
    { 8, 3, 5 },
    { 8, 10, 9 },
    { 9, 2, 5 },
    { 9, 7, 8 },
    { 10, 3, 6 },
    { 10, 8, 9 },
    { 11, 4, 7 },
    { 11, 13, 12 },
    { 12, 5, 8 },
    { 12, 14, 13 },
    { 13, 4, 8 },
    { 13, 6, 9 },
    { 13, 11, 12 },
    { 13, 15, 14 },
    { 14, 5, 9 },
    { 14, 12, 13 },
    { 15, 6, 10 },
    { 15, 13, 14 },
} };

} // namespace tarnwick
