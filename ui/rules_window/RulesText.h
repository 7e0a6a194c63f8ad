#pragma once

#include <QStringView>

#include <array>

namespace tarnwick {

/// The rules exactly as the rules window prints them, one entry a line; an
/// empty entry prints as a blank line. Spacing and spelling are the game's own.
inline constexpr std::array<QStringView, 11> kRulesLines {
    u"",
    u" Tarnwick is a simple game where the object is to have only one peg",
    u" remaining at the end of the game.  When you jump a piece that piece is removed",
    u" from the board.  Play continues until you have no more legal moves left.",
    u" Thats all there is to it.  This game may look simple but it is quite difficult",
    u" to master",
    u"",
    u" First you must set up the board in any configuration you like.",
    u" After you have placed you fourteen pegs in the starting places",
    u" you press the start game button.",
    u"",
};

} // namespace tarnwick
