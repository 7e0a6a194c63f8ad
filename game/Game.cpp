#include "Game.h"

#include "BoardNavigation.h"
#include "BoardTexts.h"
#include "GameTexts.h"
#include "JumpTable.h"
#include "MoveChecks.h"

#include <cmath>

namespace tarnwick {

namespace {

bool isHolePicture(int index)
{
    return index >= 0 && index < kHoleCount;
}

} // namespace

Game::Game(GamePorts ports)
    : m_ports(ports)
{ }

void Game::Form_Load()
{
    Load_Outcome_Table();
    m_state.Game_Mode = Mode_Setup;
    m_state.Picked_Hole = No_Hole;
}

void Game::Load_Outcome_Table()
{
    for (int hole = 1; hole <= kHoleCount - 1; ++hole) {
        m_state.Board(hole) = true;
        showPeg(hole);
    }
    m_state.Board(kHoleCount) = false;
    showNoPeg(kHoleCount);

    m_state.Outcome_Table.fill(No_Jump);
    for (const Jump& jump : kJumps) {
        m_state.Outcome_Table(jump.from, jump.to) = jump.over;
    }
}

void Game::Command1_Click()
{
    m_state.Game_Mode = Mode_Play;
}

void Game::Command3_Click()
{
    m_ports.program.endProgram();
}

void Game::Form_Unload()
{
    endDrag();
    Command3_Click();
}

void Game::Image1_MouseDown(int index)
{
    // While a drag runs the platform sends every press to the window; only
    // the release counts then.
    if (!isHolePicture(index) || m_dragging) {
        return;
    }
    // A peg released off the board stays held until the pointer crosses the
    // background. A press that comes first would otherwise forget that peg
    // with its hole left empty, so put it back before anything else.
    if (m_state.Picked_Hole != No_Hole) {
        returnHeldPeg();
    }

    const int hole = index + 1;
    if (!m_state.Board(hole)) {
        return;
    }
    beginDrag(hole);
    m_ports.cues.playCue(Cue::pickup);
    showNoPeg(hole);
    m_state.Board(hole) = false;
    m_state.Picked_Hole = static_cast<std::int16_t>(hole);
    showKeyboardFocus();
}

void Game::Image1_MouseUp(int index)
{
    if (!m_dragging) {
        return;
    }
    if (isHolePicture(index)) {
        Image1_DragDrop(index);
    } else {
        Form_MouseUp();
    }
}

void Game::Form_MouseUp()
{
    endDrag();
}

void Game::Image1_DragDrop(int index)
{
    // Drags start only at a pick-up, so the window never drops with no peg
    // held; ignore such a drop rather than mark hole -1.
    if (!isHolePicture(index) || m_state.Picked_Hole == No_Hole) {
        return;
    }
    const int target = index + 1;
    const int picked = m_state.Picked_Hole;

    if (m_state.Game_Mode == Mode_Play) {
        dropInPlay(target, picked);
    } else {
        dropInSetup(target, picked);
    }

    checkEndOfGame();
    m_state.Picked_Hole = No_Hole;
    showKeyboardFocus();
}

void Game::dropInSetup(int target, int picked)
{
    if (!m_state.Board(target)) {
        endDrag();
        m_ports.cues.playCue(Cue::pegdrop);
        showPeg(target);
        m_state.Board(target) = true;
        m_state.Target_Hole = static_cast<std::int16_t>(target);
    } else {
        // Occupied: the peg goes back to its own hole, silently.
        endDrag();
        showPeg(picked);
        m_state.Board(picked) = true;
    }
}

void Game::dropInPlay(int target, int picked)
{
    m_state.Target_Hole = static_cast<std::int16_t>(target);

    if (target == picked) {
        endDrag();
        showNoPeg(target);
        showPeg(picked);
        m_state.Board(picked) = true;
        return;
    }
    if (m_state.Board(target)) {
        endDrag();
        showPeg(picked);
        m_state.Board(picked) = true;
        return;
    }

    // An empty hole: the drop sounds and shows before the move is judged.
    endDrag();
    m_ports.cues.playCue(Cue::pegdrop);
    showPeg(target);
    const int over = m_state.Outcome_Table(picked, target);

    if (over == No_Jump) {
        endDrag();
        showPeg(picked);
        m_state.Board(picked) = true;
        m_state.Board(target) = false;
        showNoPeg(target);
    } else if (m_state.Board(over)) {
        showNoPeg(over);
        m_state.Board(over) = false;
        m_state.Board(picked) = false;
        m_state.Board(target) = true;
    } else {
        endDrag();
        showPeg(picked);
        m_state.Board(picked) = true;
        showNoPeg(target);
        m_state.Board(target) = false;
    }
}

void Game::checkEndOfGame()
{
    if (Check_Legal_Moves()) {
        return;
    }
    if (Check_If_Winner()) {
        m_ports.cues.playCue(Cue::winner);
        m_ports.message.showMessage(kWinnerMessage);
    } else {
        m_ports.random.reseedFromClock();
        m_ports.cues.playCue(loserCueForDraw(m_ports.random.next()));
        m_ports.message.showMessage(kLoserMessage);
    }
    Form_Load();
}

void Game::Form_MouseMove()
{
    // While a drag runs the platform sends every move to the window, over the
    // cells and buttons too: the peg is on its way, not released.
    if (m_dragging || m_state.Picked_Hole == No_Hole) {
        return;
    }
    returnHeldPeg();
    showKeyboardFocus();
}

void Game::returnHeldPeg()
{
    endDrag();
    showPeg(m_state.Picked_Hole);
    m_state.Board(m_state.Picked_Hole) = true;
    m_state.Picked_Hole = No_Hole;
}

void Game::redrawBoard()
{
    for (int hole = 1; hole <= kHoleCount; ++hole) {
        // A held peg is off the board, so Board alone says what each hole shows.
        m_state.Board(hole) ? showPeg(hole) : showNoPeg(hole);
    }
    showKeyboardFocus();
}

void Game::Board_GotFocus()
{
    m_boardFocused = true;
    if (m_keyboardHole == 0) {
        m_keyboardHole = 1;
    }
    showKeyboardFocus();
}

void Game::Board_LostFocus()
{
    m_boardFocused = false;
    m_ports.view.showKeyboardFocus(0, {});
}

void Game::Board_KeyDown(BoardKey key)
{
    if (!m_boardFocused) {
        return;
    }
    if (key != BoardKey::activate) {
        m_keyboardHole = BoardNavigation::next(m_keyboardHole, key);
        showKeyboardFocus();
        return;
    }
    // The keyboard's press and drop are the mouse's own, rule for rule.
    const int index = m_keyboardHole - 1;
    if (m_state.Picked_Hole == No_Hole) {
        Image1_MouseDown(index);
    } else {
        Image1_DragDrop(index);
    }
}

void Game::beginDrag(int hole)
{
    m_dragging = true;
    m_ports.view.beginDrag(hole);
}

void Game::endDrag()
{
    // Cleared before the view is told: ending the platform's drag may report
    // a lost pointer at once, which must find no drag running.
    if (!m_dragging) {
        return;
    }
    m_dragging = false;
    m_ports.view.endDrag();
}

void Game::showKeyboardFocus()
{
    if (!m_boardFocused) {
        return;
    }
    m_ports.view.showKeyboardFocus(m_keyboardHole,
        BoardTexts::keyboardFocus(
            m_keyboardHole, m_state.Board(m_keyboardHole), m_state.Picked_Hole));
}

bool Game::Check_Legal_Moves() const
{
    return tarnwick::Check_Legal_Moves(m_state);
}

bool Game::Check_If_Winner() const
{
    return tarnwick::Check_If_Winner(m_state);
}

void Game::showPeg(int hole)
{
    m_ports.view.showPicture(hole, HolePicture::peg);
}

void Game::showNoPeg(int hole)
{
    m_ports.view.showPicture(hole, HolePicture::nopeg);
}

Cue loserCueForDraw(float u)
{
    // Outside [0, 1) (or NaN) would pick a fourth cue or none; stay within the three.
    constexpr float kBelowOne = 0.99999994F;
    const float draw = (u >= 0.0F) ? (u < 1.0F ? u : kBelowOne) : 0.0F;
    const int r = static_cast<int>(std::floor(static_cast<double>(draw) * 3.0)) + 1;
    switch (r) {
    case 1:
        return Cue::loser;
    case 2:
        return Cue::loser4;
    default:
        return Cue::loser3;
    }
}

} // namespace tarnwick
