#pragma once

#include "BoardKey.h"
#include "GamePorts.h"
#include "GameState.h"

namespace tarnwick {

/// The rule book of Tarnwick: the reset, the two phases, picking up and
/// dropping pegs, and the end-of-game judgement. It draws nothing and plays
/// nothing itself; it talks to the outside world through its ports.
///
/// The handlers carry the names of the window events that call them. A
/// front-end hands on every event as it comes, and asks the game rather than
/// keeping any state of it: the game alone knows whether a drag runs, where
/// the keyboard is on the board, and what each event means at that moment.
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

    /// The window is closed through its frame: as QUIT, once a running drag
    /// has ended.
    void Form_Unload();

    /// A mouse button went down over hole picture @p index (0..14). While a
    /// drag runs it does nothing: the held peg is dropped by its release.
    void Image1_MouseDown(int index);

    /// A mouse button came up over hole picture @p index (0..14): while a
    /// drag runs, the drop on that hole (Image1_DragDrop); otherwise nothing.
    void Image1_MouseUp(int index);

    /// A mouse button came up anywhere but on a hole picture (a button, the
    /// background, outside the window), or another window took the pointer
    /// away: a running drag ends with no drop and the peg stays held, its
    /// hole empty, until the pointer next crosses the background.
    void Form_MouseUp();

    /// The held peg is dropped on hole picture @p index (0..14), and the
    /// end of the game is checked. Needs a held peg; nothing happens without.
    void Image1_DragDrop(int index);

    /// The pointer moved over the window's background: a peg released
    /// anywhere but on a hole goes back to its hole. Moves while a drag runs
    /// do nothing.
    void Form_MouseMove();

    /// Shows every hole again as Board has it, for a window whose pictures
    /// changed (a new screen density, for instance).
    void redrawBoard();

    /// The board took the keyboard focus: the first time it lands on hole 1,
    /// afterwards on the hole it was on.
    void Board_GotFocus();

    /// The board lost the keyboard focus: its mark goes.
    void Board_LostFocus();

    /// A key for the board while it has the focus: the arrows, Home and End
    /// move among the holes; Space or Enter is the press on that hole with no
    /// peg held, and the drop of the held peg there with one.
    void Board_KeyDown(BoardKey key);

    /// True from a pick-up until the drag ends by a drop, a release or QUIT.
    [[nodiscard]] bool isDragging() const { return m_dragging; }

    /// The hole the keyboard is on (1..15), or 0 before the board first had
    /// the focus.
    [[nodiscard]] int keyboardHole() const { return m_keyboardHole; }

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
    void beginDrag(int hole);
    void endDrag();
    void showPeg(int hole);
    void showNoPeg(int hole);
    void showKeyboardFocus();

    GamePorts m_ports;
    GameState m_state;
    bool m_dragging = false;
    bool m_boardFocused = false;
    int m_keyboardHole = 0;
};

/// Maps the loser draw u in [0, 1) to the cue r = floor(u * 3) + 1 picks:
/// 1 -> loser, 2 -> loser4, 3 -> loser3. Values outside [0, 1) are clamped.
Cue loserCueForDraw(float u);

} // namespace tarnwick
