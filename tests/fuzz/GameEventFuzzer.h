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
/// pointer (2) or other (3); the low six bits, modulo 17, minus 1, give the
/// picture index, so -1 and 15 (no such picture) occur too. A pointer byte
/// with index -1 is a move over the background, 15 a release off the cells,
/// any other a release over that picture. An other byte with index -1 is
/// "Start Game", then the window closed, the board's focus taken and lost,
/// and its seven keys (left, right, up, down, Home, End, Space); the rest
/// are "Start Game" again. The end-of-game message returns at once.
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

    /// The byte that gives the board the keyboard focus.
    static constexpr std::uint8_t kBoardFocus = (3U << 6U) | 2U;
    /// The byte of the board key @p key (0 left, 1 right, 2 up, 3 down,
    /// 4 Home, 5 End, 6 Space).
    static constexpr std::uint8_t boardKey(unsigned key) { return (3U << 6U) | (4U + key); }

    /// Plays @p events from the start position, checking after every event.
    static Result run(std::span<const std::uint8_t> events);

private:
    static constexpr std::uint8_t encode(unsigned kind, int index)
    {
        return static_cast<std::uint8_t>((kind << 6U) | static_cast<unsigned>(index + 1));
    }
};

} // namespace tarnwick::testing
