#pragma once

namespace tarnwick {

/// Randomness for the loser-cue draw.
class RandomSource {
public:
    virtual ~RandomSource() = default;

    /// Reseeds the generator from the system clock.
    virtual void reseedFromClock() = 0;

    /// The next value, meant to be in [0, 1); the game clamps it anyway.
    virtual float next() = 0;
};

} // namespace tarnwick
