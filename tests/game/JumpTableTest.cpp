#include "Game.h"
#include "RecordingPorts.h"
#include "TriangleSolver.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace tarnwick {
namespace {

using testing::RecordingPorts;

struct Place {
    int row;
    int column;
};

// Row and position in the row of a hole, counted from the apex.
Place placeOf(int hole)
{
    int row = 1;
    int first = 1;
    while (hole >= first + row) {
        first += row;
        ++row;
    }
    return { row, hole - first + 1 };
}

class JumpTableTest : public ::testing::Test {
protected:
    JumpTableTest() { game.Form_Load(); }

    RecordingPorts fakes;
    Game game { fakes.ports() };
};

TEST_F(JumpTableTest, HoldsExactlyEveryStraightJumpOfTheTriangle)
{
    std::set<std::tuple<int, int, int>> expected;
    for (const testing::GeometricJump& jump : testing::geometricJumps()) {
        expected.insert({ jump.from, jump.to, jump.over });
    }
    ASSERT_EQ(expected.size(), 36U);

    std::set<std::tuple<int, int, int>> actual;
    for (int from = 1; from <= kHoleCount; ++from) {
        for (int to = 1; to <= kHoleCount; ++to) {
            const int over = game.state().Outcome_Table(from, to);
            if (over != No_Jump) {
                actual.insert({ from, to, over });
            }
        }
    }
    EXPECT_EQ(actual, expected);
}

TEST_F(JumpTableTest, IsSymmetricWithTheMidpointAsOverAndNoJumpOnTheDiagonal)
{
    const auto& table = game.state().Outcome_Table;
    for (int from = 1; from <= kHoleCount; ++from) {
        EXPECT_EQ(table(from, from), No_Jump) << from;
        for (int to = 1; to <= kHoleCount; ++to) {
            EXPECT_EQ(table(from, to), table(to, from)) << from << "->" << to;
            if (table(from, to) == No_Jump) {
                continue;
            }
            const Place a = placeOf(from);
            const Place b = placeOf(to);
            const Place mid = placeOf(table(from, to));
            EXPECT_EQ(2 * mid.row, a.row + b.row) << from << "->" << to;
            EXPECT_EQ(2 * mid.column, a.column + b.column) << from << "->" << to;
        }
    }
}

TEST_F(JumpTableTest, KnownEntries)
{
    struct Case {
        int from, to, over;
    };
    const Case cases[] = {
        { 1, 4, 2 },
        { 11, 13, 12 },
        { 15, 6, 10 },
        { 6, 15, 10 },
        { 1, 2, No_Jump },
        { 1, 15, No_Jump },
        { 11, 15, No_Jump },
        { 7, 10, No_Jump },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(game.state().Outcome_Table(c.from, c.to), c.over) << c.from << "->" << c.to;
    }
}

TEST_F(JumpTableTest, ResetShowsPegsInOneToFourteenAndEmptiesFifteenInOrder)
{
    fakes.log.clear();
    game.Load_Outcome_Table();
    std::vector<std::string> expected;
    for (int hole = 1; hole <= 14; ++hole) {
        expected.push_back("peg " + std::to_string(hole));
    }
    expected.emplace_back("nopeg 15");
    EXPECT_EQ(fakes.log, expected);
    for (int hole = 1; hole <= kHoleCount; ++hole) {
        EXPECT_EQ(game.state().Board(hole), hole != 15) << hole;
    }
}

TEST_F(JumpTableTest, ResetInTheMiddleOfAGameGivesTheSameStart)
{
    const GameState fresh = game.state();

    game.Image1_MouseDown(0); // setup: 1 -> 15
    game.Image1_DragDrop(14);
    game.Command1_Click();
    game.Image1_MouseDown(5); // play: 6 -> 1 over 3
    game.Image1_DragDrop(0);
    game.Image1_MouseDown(12); // held when the reset comes
    ASSERT_NE(game.state().Board, fresh.Board);

    game.Form_Load();
    EXPECT_EQ(game.state().Board, fresh.Board);
    EXPECT_EQ(game.state().Outcome_Table, fresh.Outcome_Table);
    EXPECT_EQ(game.state().Game_Mode, Mode_Setup);
    EXPECT_EQ(game.state().Picked_Hole, No_Hole);
}

} // namespace
} // namespace tarnwick
