#include "ClockRandomSource.h"
#include "Game.h"
#include "RecordingPorts.h"
#include "TriangleSolver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

using testing::RecordingPorts;
using testing::TriangleSolver;
using Log = std::vector<std::string>;

std::uint16_t startWithEmptyHole(int empty)
{
    return static_cast<std::uint16_t>(0x7FFFU & ~(1U << (empty - 1)));
}

class GameFlowTest : public ::testing::Test {
protected:
    GameFlowTest()
    {
        game.Form_Load();
        fakes.onMessage = [this] {
            // The box is modal: the final board is still there while it shows.
            pegsWhileMessageShows = testing::pegCount(game.state());
            modeWhileMessageShows = game.state().Game_Mode;
        };
    }

    /// Moves the empty hole from 15 to @p empty during setup, then starts.
    void setUpAndStart(int empty)
    {
        if (empty != 15) {
            game.Image1_MouseDown(empty - 1);
            game.Image1_DragDrop(14);
        }
        game.Command1_Click();
    }

    void jump(const testing::GeometricJump& move)
    {
        game.Image1_MouseDown(move.from - 1);
        game.Image1_DragDrop(move.to - 1);
    }

    int emptyHole() const
    {
        int hole = 1;
        while (hole < kHoleCount && game.state().Board(hole)) {
            ++hole;
        }
        return hole;
    }

    void expectBackAtTheStartInSetup() const
    {
        for (int hole = 1; hole <= kHoleCount; ++hole) {
            EXPECT_EQ(game.state().Board(hole), hole != 15) << hole;
            EXPECT_EQ(fakes.shown.at(static_cast<std::size_t>(hole)) == RecordingPorts::Shown::peg,
                hole != 15)
                << hole;
        }
        EXPECT_EQ(game.state().Game_Mode, Mode_Setup);
        EXPECT_EQ(game.state().Picked_Hole, No_Hole);
    }

    RecordingPorts fakes;
    Game game { fakes.ports() };
    int pegsWhileMessageShows = -1;
    GameMode modeWhileMessageShows = static_cast<GameMode>(-1);
};

TEST_F(GameFlowTest, LoadingStartsInSetupWithNoPegHeld)
{
    EXPECT_EQ(game.state().Game_Mode, Mode_Setup);
    EXPECT_EQ(game.state().Picked_Hole, No_Hole);
    EXPECT_EQ(testing::pegCount(game.state()), 14);
}

TEST_F(GameFlowTest, StartGameOnlySwitchesToPlayAndPressingItAgainChangesNothing)
{
    fakes.log.clear();
    game.Command1_Click();
    EXPECT_EQ(game.state().Game_Mode, Mode_Play);
    EXPECT_TRUE(fakes.log.empty());

    jump({ 6, 10, 15 });
    const GameState during = game.state();
    fakes.log.clear();
    game.Command1_Click();
    game.Command1_Click();
    EXPECT_TRUE(fakes.log.empty());
    EXPECT_EQ(game.state().Board, during.Board);
    EXPECT_EQ(game.state().Game_Mode, Mode_Play);
}

TEST_F(GameFlowTest, QuitEndsTheProgramInEitherPhase)
{
    for (bool playing : { false, true }) {
        if (playing) {
            game.Command1_Click();
        }
        fakes.log.clear();
        game.Command3_Click();
        EXPECT_EQ(fakes.log, Log { "endProgram" });
    }
}

TEST_F(GameFlowTest, SetupMovesNeverEndAGame)
{
    // Walk the empty hole all over the board: 14 pegs always leave a jump.
    for (int wanted = 1; wanted <= kHoleCount; ++wanted) {
        const int empty = emptyHole();
        game.Image1_MouseDown(wanted - 1);
        game.Image1_DragDrop(empty - 1);
        EXPECT_EQ(emptyHole(), wanted);
        EXPECT_EQ(game.state().Game_Mode, Mode_Setup);
        EXPECT_EQ(testing::pegCount(game.state()), 14);
    }
    EXPECT_EQ(pegsWhileMessageShows, -1) << "no message during setup";
}

class WinningGames : public GameFlowTest, public ::testing::WithParamInterface<int> { };

TEST_P(WinningGames, FromEveryEmptyHoleAWinningLineEndsInAWin)
{
    const int empty = GetParam();
    TriangleSolver solver(TriangleSolver::Ending::onePeg);
    const auto line = solver.solve(startWithEmptyHole(empty));
    ASSERT_TRUE(line.has_value()) << "every start is winnable";
    ASSERT_EQ(line->size(), 13U);

    setUpAndStart(empty);
    for (std::size_t i = 0; i + 1 < line->size(); ++i) {
        jump(line->at(i));
        ASSERT_EQ(testing::pegCount(game.state()), static_cast<int>(13 - i)) << "jump " << i;
    }
    fakes.log.clear();
    jump(line->back());

    const testing::GeometricJump& last = line->back();
    Log expected = { "beginDrag " + std::to_string(last.from), "cue pickup",
        "nopeg " + std::to_string(last.from), "endDrag", "cue pegdrop",
        "peg " + std::to_string(last.to), "nopeg " + std::to_string(last.over), "cue winner",
        "message You're A Winner" };
    for (int hole = 1; hole <= 14; ++hole) {
        expected.push_back("peg " + std::to_string(hole));
    }
    expected.emplace_back("nopeg 15");
    EXPECT_EQ(fakes.log, expected) << "no reseed or draw on a win; the reset follows the message";
    EXPECT_EQ(pegsWhileMessageShows, 1);
    EXPECT_EQ(modeWhileMessageShows, Mode_Play);
    expectBackAtTheStartInSetup();
}

INSTANTIATE_TEST_SUITE_P(EmptyHole, WinningGames, ::testing::Range(1, 16));

struct DrawCase {
    float u;
    const char* cue;
};

void PrintTo(const DrawCase& c, std::ostream* os)
{
    *os << c.u;
}

class LosingGames : public GameFlowTest, public ::testing::WithParamInterface<DrawCase> { };

TEST_P(LosingGames, EndInALoserCueChosenByTheDrawAfterAReseed)
{
    TriangleSolver solver(TriangleSolver::Ending::stuckWithSeveral);
    const auto line = solver.solve(startWithEmptyHole(15));
    ASSERT_TRUE(line.has_value());

    setUpAndStart(15);
    for (std::size_t i = 0; i + 1 < line->size(); ++i) {
        jump(line->at(i));
    }
    fakes.randomValues = { GetParam().u };
    fakes.log.clear();
    jump(line->back());

    const testing::GeometricJump& last = line->back();
    Log expected = { "beginDrag " + std::to_string(last.from), "cue pickup",
        "nopeg " + std::to_string(last.from), "endDrag", "cue pegdrop",
        "peg " + std::to_string(last.to), "nopeg " + std::to_string(last.over), "reseed", "random",
        std::string("cue ") + GetParam().cue, "message You're A Loser" };
    ASSERT_GT(fakes.log.size(), expected.size());
    EXPECT_EQ(
        Log(fakes.log.begin(), fakes.log.begin() + static_cast<long>(expected.size())), expected);
    EXPECT_GE(pegsWhileMessageShows, 2);
    EXPECT_EQ(modeWhileMessageShows, Mode_Play);
    expectBackAtTheStartInSetup();
}

const DrawCase kDraws[] = {
    { 0.0F, "loser" },
    { 0.3333F, "loser" },
    { 0.33334F, "loser4" },
    { 0.5F, "loser4" },
    { 0.6666F, "loser4" },
    { 0.66667F, "loser3" },
    { 0.99999994F, "loser3" },
    // Out-of-contract values from a random source still pick one of the three.
    { 1.0F, "loser3" },
    { 7.0F, "loser3" },
    { -0.25F, "loser" },
    { std::numeric_limits<float>::quiet_NaN(), "loser" },
};

INSTANTIATE_TEST_SUITE_P(Draws, LosingGames, ::testing::ValuesIn(kDraws));

TEST_F(GameFlowTest, EveryLossReseedsOnceJustBeforeItsDraw)
{
    TriangleSolver solver(TriangleSolver::Ending::stuckWithSeveral);
    const auto line = solver.solve(startWithEmptyHole(15));
    ASSERT_TRUE(line.has_value());
    for (int round = 0; round < 3; ++round) {
        fakes.log.clear();
        setUpAndStart(15);
        for (const auto& move : *line) {
            jump(move);
        }
        const auto reseed = std::find(fakes.log.begin(), fakes.log.end(), "reseed");
        const auto draw = std::find(fakes.log.begin(), fakes.log.end(), "random");
        ASSERT_NE(reseed, fakes.log.end()) << round;
        EXPECT_EQ(reseed + 1, draw) << round;
        EXPECT_EQ(std::count(fakes.log.begin(), fakes.log.end(), "reseed"), 1) << round;
        expectBackAtTheStartInSetup();
    }
}

TEST(ClockRandomSourceTest, StaysInTheUnitIntervalAndReachesEveryLoserCue)
{
    ClockRandomSource source;
    std::set<Cue> seen;
    for (int i = 0; i < 20000; ++i) {
        if (i % 1000 == 0) {
            source.reseedFromClock();
        }
        const float u = source.next();
        ASSERT_GE(u, 0.0F);
        ASSERT_LT(u, 1.0F);
        seen.insert(loserCueForDraw(u));
    }
    EXPECT_EQ(seen.size(), 3U);
}

} // namespace
} // namespace tarnwick
