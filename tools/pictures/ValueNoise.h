#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarnwick {

/// Smooth 2-D value noise on a fixed lattice, seeded so every build draws the same pictures.
class ValueNoise {
public:
    /// Builds the lattice from @p seed.
    explicit ValueNoise(std::uint32_t seed);

    /// Noise at (@p x, @p y), in [0, 1]; one lattice cell per unit.
    [[nodiscard]] double at(double x, double y) const;

    /// Sum of @p octaves layers, each twice as fine and half as strong, in [0, 1].
    [[nodiscard]] double fractal(double x, double y, int octaves) const;

private:
    [[nodiscard]] double lattice(int x, int y) const;

    static constexpr std::size_t kSize = 256;
    std::array<std::uint8_t, 2 * kSize> m_permutation {};
    std::array<double, kSize> m_values {};
};

} // namespace tarnwick
