#include "ClockRandomSource.h"

#include <chrono>
#include <cmath>

namespace tarnwick {

ClockRandomSource::ClockRandomSource()
{
    reseedFromClock();
}

void ClockRandomSource::reseedFromClock()
{
    const auto ticks = std::chrono::system_clock::now().time_since_epoch().count();
    m_engine.seed(static_cast<std::mt19937::result_type>(ticks));
}

float ClockRandomSource::next()
{
    // generate_canonical<float> can round up to exactly 1.0; keep the promise of [0, 1).
    const float value = std::generate_canonical<float, 24>(m_engine);
    return value < 1.0F ? value : std::nextafter(1.0F, 0.0F);
}

} // namespace tarnwick
