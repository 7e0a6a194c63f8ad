#pragma once

#include "RandomSource.h"

#include <random>

namespace tarnwick {

/// A Mersenne Twister reseeded from the system clock on request.
class ClockRandomSource final : public RandomSource {
public:
    ClockRandomSource();

    void reseedFromClock() override;
    float next() override;

private:
    std::mt19937 m_engine;
};

} // namespace tarnwick
