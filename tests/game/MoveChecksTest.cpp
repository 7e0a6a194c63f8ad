#include "Game.h"
#include "RecordingPorts.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnwick {
namespace {

struct BoardCase {
    const char* name;
    std::vector<int> pegs;
    bool legalMoveLeft;
    bool winner;
};

void PrintTo(const BoardCase& c, std::ostream* os)
{
    *os << c.name;
}

class MoveChecksTest : public ::testing::TestWithParam<BoardCase> { };

TEST_P(MoveChecksTest, AnswersBothQuestionsForTheBoard)
{
    testing::RecordingPorts fakes;
    Game game(fakes.ports());
    game.Form_Load();
    game.state().Board.fill(false);
    for (int hole : GetParam().pegs) {
        game.state().Board(hole) = true;
    }

    const GameState before = game.state();
    fakes.log.clear();

    EXPECT_EQ(game.Check_Legal_Moves(), GetParam().legalMoveLeft);
    EXPECT_EQ(game.Check_If_Winner(), GetParam().winner);
    EXPECT_TRUE(fakes.log.empty()) << "the checks only read the board";
    EXPECT_EQ(game.state().Board, before.Board);
}

const BoardCase kBoards[] = {
    { "StartPosition", { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14 }, true, false },
    { "OnePegAtTheApex", { 1 }, false, true },
    { "OnePegInACorner", { 15 }, false, true },
    { "NoPegAtAll", {}, false, false },
    { "OneAndTwoWithFourEmpty", { 1, 2 }, true, false },
    { "OneAndFifteenNotAdjacent", { 1, 15 }, false, false },
    { "WholeBottomRow", { 11, 12, 13, 14, 15 }, false, false },
    { "OnlyJumpIsUpwards", { 11, 7 }, true, false },
    { "TwoNeighboursInTheBottomRow", { 13, 14 }, true, false },
    { "FullBoardHasNoEmptyHole", { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 }, false,
        false },
    { "NeighboursWithNoRoomBehind", { 1, 3, 6, 10, 15 }, false, false },
};

INSTANTIATE_TEST_SUITE_P(EdgeBoards, MoveChecksTest, ::testing::ValuesIn(kBoards),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace tarnwick
