#pragma once

#include "GamePorts.h"
#include "GameState.h"

namespace tarnwick {

/// The rule book of Tarnwick: the reset, the two phases, picking up and
/// dropping pegs, and the end-of-game judgement. It draws nothing and plays
/// nothing itself; it talks to the outside world through its ports.
///
/// The handlers carry the names of the window events that call them.
class Game {
public:
    explicit Game(GamePorts ports);

    /// The main window was loaded, or a game ended: back to the start position in setup.
    void Form_Load();

    /// Puts pegs in holes 1..14, empties hole 15, shows them, and rebuilds the jump table.
    void Load_Outcome_Table();

    /// "Start Game": switches to the play phase. Nothing else changes.
    void Command1_Click();

    /// "QUIT": ends the program at once.
    void Command3_Click();

    /// A mouse button went down over hole picture @p index (0..14).
    void Image1_MouseDown(int index);

    /// A drag was released over hole picture @p index (0..14).
    void Image1_DragDrop(int index);

    /// The pointer moved over the window's background: a peg released
    /// anywhere but on a hole goes back to its hole.
    void Form_MouseMove();

    [[nodiscard]] bool Check_Legal_Moves() const;
    [[nodiscard]] bool Check_If_Winner() const;

    [[nodiscard]] const GameState& state() const { return m_state; }

    /// Direct access for setting up positions, as the handlers have it.
    [[nodiscard]] GameState& state() { return m_state; }

private:
    void dropInSetup(int target, int picked);
    void dropInPlay(int target, int picked);
    void checkEndOfGame();
    void returnHeldPeg();
    void showPeg(int hole);
    void showNoPeg(int hole);

    GamePorts m_ports;
    GameState m_state;
};

/// Maps the loser draw u in [0, 1) to the cue r = floor(u * 3) + 1 picks:
/// 1 -> loser, 2 -> loser4, 3 -> loser3. Values outside [0, 1) are clamped.
Cue loserCueForDraw(float u);

} // namespace tarnwick
