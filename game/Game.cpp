#include "Game.h"

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

void Game::Image1_MouseDown(int index)
{
    if (!isHolePicture(index)) {
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
    m_ports.view.beginDrag(hole);
    m_ports.cues.playCue(Cue::pickup);
    showNoPeg(hole);
    m_state.Board(hole) = false;
    m_state.Picked_Hole = static_cast<std::int16_t>(hole);
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
}

void Game::dropInSetup(int target, int picked)
{
    if (!m_state.Board(target)) {
        m_ports.view.endDrag();
        m_ports.cues.playCue(Cue::pegdrop);
        showPeg(target);
        m_state.Board(target) = true;
        m_state.Target_Hole = static_cast<std::int16_t>(target);
    } else {
        // Occupied: the peg goes back to its own hole, silently.
        m_ports.view.endDrag();
        showPeg(picked);
        m_state.Board(picked) = true;
    }
}

void Game::dropInPlay(int target, int picked)
{
    m_state.Target_Hole = static_cast<std::int16_t>(target);

    if (target == picked) {
        m_ports.view.endDrag();
        showNoPeg(target);
        showPeg(picked);
        m_state.Board(picked) = true;
        return;
    }
    if (m_state.Board(target)) {
        m_ports.view.endDrag();
        showPeg(picked);
        m_state.Board(picked) = true;
        return;
    }

    // An empty hole: the drop sounds and shows before the move is judged.
    m_ports.view.endDrag();
    m_ports.cues.playCue(Cue::pegdrop);
    showPeg(target);
    const int over = m_state.Outcome_Table(picked, target);

    if (over == No_Jump) {
        m_ports.view.endDrag();
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
        m_ports.view.endDrag();
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
    if (m_state.Picked_Hole == No_Hole) {
        return;
    }
    returnHeldPeg();
}

void Game::returnHeldPeg()
{
    m_ports.view.endDrag();
    showPeg(m_state.Picked_Hole);
    m_state.Board(m_state.Picked_Hole) = true;
    m_state.Picked_Hole = No_Hole;
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
