#pragma once

#include <array>
#include <string_view>

namespace tarnwick {

/// Captions the player reads, exactly as written, in UTF-8.
inline constexpr std::string_view kMainCaption = "Tarnwick";
inline constexpr std::string_view kStartGameCaption = "Start Game";
inline constexpr std::string_view kHelpCaption = "HELP";
inline constexpr std::string_view kQuitCaption = "QUIT";
inline constexpr std::string_view kRulesCaption = "Tarnwick Rules";
inline constexpr std::string_view kOkCaption = "OK";

/// The rules exactly as the rules window prints them, one entry a line; an
/// empty entry prints as a blank line. Spacing and spelling are the game's own.
inline constexpr std::array<std::string_view, 11> kRulesLines {
    "",
    " Tarnwick is a simple game where the object is to have only one peg",
    " remaining at the end of the game.  When you jump a piece that piece is removed",
    " from the board.  Play continues until you have no more legal moves left.",
    " Thats all there is to it.  This game may look simple but it is quite difficult",
    " to master",
    "",
    " First you must set up the board in any configuration you like.",
    " After you have placed you fourteen pegs in the starting places",
    " you press the start game button.",
    "",
};

} // namespace tarnwick
