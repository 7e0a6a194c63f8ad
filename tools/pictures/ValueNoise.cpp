#include "ValueNoise.h"

#include <cmath>
#include <numeric>
#include <random>

namespace tarnwick {

ValueNoise::ValueNoise(std::uint32_t seed)
{
    // Only raw engine output is used: the standard distributions may differ
    // between library versions, the engine's sequence may not.
    std::mt19937 engine(seed);
    for (double& value : m_values) {
        value = static_cast<double>(engine()) / static_cast<double>(std::mt19937::max());
    }
    std::array<std::uint8_t, kSize> order {};
    std::iota(order.begin(), order.end(), std::uint8_t { 0 });
    for (int i = static_cast<int>(kSize) - 1; i > 0; --i) {
        const auto j = static_cast<int>(engine() % static_cast<std::uint32_t>(i + 1));
        std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(j)]);
    }
    for (std::size_t i = 0; i < m_permutation.size(); ++i) {
        m_permutation[i] = order[i % kSize];
    }
}

double ValueNoise::lattice(int x, int y) const
{
    const std::size_t xi = static_cast<std::size_t>(x) & (kSize - 1);
    const std::size_t yi = static_cast<std::size_t>(y) & (kSize - 1);
    return m_values[m_permutation[m_permutation[xi] + yi]];
}

double ValueNoise::at(double x, double y) const
{
    const double fx = std::floor(x);
    const double fy = std::floor(y);
    const auto x0 = static_cast<int>(fx);
    const auto y0 = static_cast<int>(fy);
    const auto fade = [](double t) { return t * t * (3.0 - 2.0 * t); };
    const double tx = fade(x - fx);
    const double ty = fade(y - fy);
    const double top = std::lerp(lattice(x0, y0), lattice(x0 + 1, y0), tx);
    const double bottom = std::lerp(lattice(x0, y0 + 1), lattice(x0 + 1, y0 + 1), tx);
    return std::lerp(top, bottom, ty);
}

double ValueNoise::fractal(double x, double y, int octaves) const
{
    double sum = 0.0;
    double weight = 1.0;
    double total = 0.0;
    for (int octave = 0; octave < octaves; ++octave) {
        // The offset keeps the octaves from sharing lattice points at the origin.
        sum += weight * at(x + 17.3 * octave, y + 31.7 * octave);
        total += weight;
        weight *= 0.5;
        x *= 2.0;
        y *= 2.0;
    }
    return sum / total;
}

} // namespace tarnwick
