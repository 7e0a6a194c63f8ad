#include "Game.h"
#include "RecordingPorts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnwick {
namespace {

using testing::RecordingPorts;
using Log = std::vector<std::string>;

const std::vector<int> kStart = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14 };

std::vector<int> without(std::vector<int> pegs, std::initializer_list<int> holes)
{
    for (int hole : holes) {
        std::erase(pegs, hole);
    }
    return pegs;
}

std::vector<int> pegsOf(const GameState& state)
{
    std::vector<int> pegs;
    for (int hole = 1; hole <= kHoleCount; ++hole) {
        if (state.Board(hole)) {
            pegs.push_back(hole);
        }
    }
    return pegs;
}

class PickUpAndDropTest : public ::testing::Test {
protected:
    PickUpAndDropTest() { game.Form_Load(); }

    void arrange(GameMode mode, const std::vector<int>& pegs)
    {
        game.state().Game_Mode = mode;
        game.state().Board.fill(false);
        for (int hole : pegs) {
            game.state().Board(hole) = true;
        }
        fakes.log.clear();
    }

    RecordingPorts fakes;
    Game game { fakes.ports() };
};

struct DropCase {
    const char* name;
    GameMode mode;
    std::vector<int> pegsBefore;
    int picked;
    int target;
    Log expected;
    std::vector<int> pegsAfter;
    int targetHoleAfter; // Target_Hole starts at 7 in every case
};

void PrintTo(const DropCase& c, std::ostream* os)
{
    *os << c.name;
}

class DropRules : public PickUpAndDropTest, public ::testing::WithParamInterface<DropCase> { };

TEST_P(DropRules, RunsTheRowsStepsInOrder)
{
    const DropCase& c = GetParam();
    arrange(c.mode, c.pegsBefore);
    game.state().Target_Hole = 7;

    game.Image1_MouseDown(c.picked - 1);
    ASSERT_EQ(fakes.log,
        (Log { "beginDrag " + std::to_string(c.picked), "cue pickup",
            "nopeg " + std::to_string(c.picked) }));
    fakes.log.clear();

    game.Image1_DragDrop(c.target - 1);

    EXPECT_EQ(fakes.log, c.expected);
    EXPECT_EQ(pegsOf(game.state()), c.pegsAfter);
    EXPECT_EQ(game.state().Target_Hole, c.targetHoleAfter);
    EXPECT_EQ(game.state().Picked_Hole, No_Hole);
    EXPECT_EQ(game.state().Game_Mode, c.mode) << "no game ended";
    EXPECT_FALSE(fakes.dragging);
}

const DropCase kDropCases[] = {
    { "SetupOnEmptyHole", Mode_Setup, kStart, 1, 15, { "endDrag", "cue pegdrop", "peg 15" },
        { 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 }, 15 },
    { "SetupOnOwnHole", Mode_Setup, kStart, 5, 5, { "endDrag", "cue pegdrop", "peg 5" }, kStart,
        5 },
    { "SetupOnOccupiedHoleGoesBackSilently", Mode_Setup, kStart, 1, 2, { "endDrag", "peg 1" },
        kStart, 7 },
    { "UnknownModeUsesSetupRules", static_cast<GameMode>(0), kStart, 1, 15,
        { "endDrag", "cue pegdrop", "peg 15" }, { 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 },
        15 },
    { "PlayBackOnOwnHole", Mode_Play, kStart, 6, 6, { "endDrag", "nopeg 6", "peg 6" }, kStart, 6 },
    { "PlayOnOccupiedHole", Mode_Play, kStart, 6, 1, { "endDrag", "peg 6" }, kStart, 1 },
    { "PlayLegalJump", Mode_Play, kStart, 6, 15, { "endDrag", "cue pegdrop", "peg 15", "nopeg 10" },
        { 1, 2, 3, 4, 5, 7, 8, 9, 11, 12, 13, 14, 15 }, 15 },
    { "PlayLegalJumpAlongARow", Mode_Play, kStart, 13, 15,
        { "endDrag", "cue pegdrop", "peg 15", "nopeg 14" },
        { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 15 }, 15 },
    // The rule's second "end drag" finds no drag running, so the window is
    // not asked again.
    { "PlayNoSuchJump", Mode_Play, kStart, 1, 15,
        { "endDrag", "cue pegdrop", "peg 15", "peg 1", "nopeg 15" }, kStart, 15 },
    { "PlayJumpOverAnEmptyHole", Mode_Play, without(kStart, { 10 }), 6, 15,
        { "endDrag", "cue pegdrop", "peg 15", "peg 6", "nopeg 15" }, without(kStart, { 10 }), 15 },
};

INSTANTIATE_TEST_SUITE_P(EveryRow, DropRules, ::testing::ValuesIn(kDropCases),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PickUpAndDropTest, PressingAnEmptyHoleDoesNothing)
{
    for (GameMode mode : { Mode_Setup, Mode_Play }) {
        arrange(mode, kStart);
        game.Image1_MouseDown(14);
        EXPECT_TRUE(fakes.log.empty());
        EXPECT_EQ(pegsOf(game.state()), kStart);
        EXPECT_EQ(game.state().Picked_Hole, No_Hole);
    }
}

TEST_F(PickUpAndDropTest, PointerOverTheBackgroundReturnsAReleasedPegSilently)
{
    game.Image1_MouseDown(3);
    game.Form_MouseUp();
    fakes.log.clear();

    game.Form_MouseMove();
    EXPECT_EQ(fakes.log, (Log { "peg 4" }));
    EXPECT_EQ(pegsOf(game.state()), kStart);
    EXPECT_EQ(game.state().Picked_Hole, No_Hole);

    fakes.log.clear();
    game.Form_MouseMove();
    EXPECT_TRUE(fakes.log.empty()) << "nothing held, nothing to return";
}

struct PressWhileHeldCase {
    const char* name;
    int pressed;
    Log expected;
    int heldAfter;
};

void PrintTo(const PressWhileHeldCase& c, std::ostream* os)
{
    *os << c.name;
}

class PressWhileHeld : public PickUpAndDropTest,
                       public ::testing::WithParamInterface<PressWhileHeldCase> { };

// A peg released over a button stays held; a press on a hole before the
// pointer crosses the background must not lose it.
TEST_P(PressWhileHeld, PutsTheHeldPegBackFirst)
{
    const PressWhileHeldCase& c = GetParam();
    arrange(Mode_Play, kStart);
    game.Image1_MouseDown(5); // hold the peg of hole 6, released off the board
    game.Form_MouseUp();
    fakes.log.clear();

    game.Image1_MouseDown(c.pressed - 1);

    EXPECT_EQ(fakes.log, c.expected);
    EXPECT_EQ(game.state().Picked_Hole, c.heldAfter);
    EXPECT_TRUE(game.state().Board(6) || c.heldAfter == 6);
    const int held = c.heldAfter == No_Hole ? 0 : 1;
    EXPECT_EQ(testing::pegCount(game.state()) + held, 14) << "no peg lost";
}

const PressWhileHeldCase kPressWhileHeld[] = {
    { "OnAnotherPeg", 1, { "peg 6", "beginDrag 1", "cue pickup", "nopeg 1" }, 1 },
    { "OnAnEmptyHole", 15, { "peg 6" }, No_Hole },
    { "OnTheHeldPegsOwnHole", 6, { "peg 6", "beginDrag 6", "cue pickup", "nopeg 6" }, 6 },
};

INSTANTIATE_TEST_SUITE_P(MendedPickUp, PressWhileHeld, ::testing::ValuesIn(kPressWhileHeld),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PickUpAndDropTest, ADropWithNoPegHeldChangesNothing)
{
    arrange(Mode_Play, without(kStart, { 10 }));
    for (int index = 0; index < kHoleCount; ++index) {
        game.Image1_DragDrop(index);
    }
    EXPECT_TRUE(fakes.log.empty());
    EXPECT_EQ(pegsOf(game.state()), without(kStart, { 10 }));
}

TEST_F(PickUpAndDropTest, IndicesOutsideTheFifteenPicturesAreIgnored)
{
    for (int index : { -1, 15, 99, -32768 }) {
        game.Image1_MouseDown(index);
        game.Image1_DragDrop(index);
    }
    game.Image1_MouseDown(0);
    game.Image1_DragDrop(15);
    EXPECT_EQ(game.state().Picked_Hole, 1) << "the held peg is still held";
    EXPECT_EQ(testing::pegCount(game.state()), 13);
}

} // namespace
} // namespace tarnwick
