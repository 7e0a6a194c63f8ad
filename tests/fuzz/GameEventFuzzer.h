#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace tarnwick::testing {

/// Plays a byte string as player events on the rule book and checks the
/// rules that must hold whatever the player does.
///
/// Each byte is one event: the top two bits pick press (0), drop (1),
/// pointer move over the background (2) or "Start Game" (3); the low six
/// bits, modulo 17, minus 1, give the picture index, so -1 and 15 (no such
/// picture) occur too. The end-of-game message returns at once.
class GameEventFuzzer {
public:
    /// What one run did, and the first rule it saw broken.
    struct Result {
        std::string failure; ///< Empty when every check held.
        int events = 0;
        int jumpsAccepted = 0;
        int gamesEnded = 0;
    };

    /// The byte that encodes a press on picture @p index.
    static constexpr std::uint8_t press(int index) { return encode(0, index); }
    /// The byte that encodes a drop on picture @p index.
    static constexpr std::uint8_t drop(int index) { return encode(1, index); }
    /// The byte that encodes a pointer move over the background.
    static constexpr std::uint8_t kMove = 2U << 6U;
    /// The byte that encodes a click on "Start Game".
    static constexpr std::uint8_t kStart = 3U << 6U;

    /// Plays @p events from the start position, checking after every event.
    static Result run(std::span<const std::uint8_t> events);

private:
    static constexpr std::uint8_t encode(unsigned kind, int index)
    {
        return static_cast<std::uint8_t>((kind << 6U) | static_cast<unsigned>(index + 1));
    }
};

} // namespace tarnwick::testing
