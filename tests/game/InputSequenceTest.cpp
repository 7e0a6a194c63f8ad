#include "BoardNavigation.h"
#include "Game.h"
#include "RecordingPorts.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace tarnwick {
namespace {

using testing::RecordingPorts;
using Log = std::vector<std::string>;

// One player's input, as a front-end hands it on; holes by number:
// "press 6" / "release 6" a mouse button over hole 6, "release off" anywhere
// else, "move" over the background, "start", "close" the window, "redraw",
// "focus" / "blur" the board, "key right" (left, up, down, home, end, space).
void apply(Game& game, const std::string& step)
{
    std::istringstream words(step);
    std::string verb;
    std::string argument;
    words >> verb >> argument;
    if (verb == "press") {
        game.Image1_MouseDown(std::stoi(argument) - 1);
    } else if (verb == "release") {
        argument == "off" ? game.Form_MouseUp() : game.Image1_MouseUp(std::stoi(argument) - 1);
    } else if (verb == "move") {
        game.Form_MouseMove();
    } else if (verb == "start") {
        game.Command1_Click();
    } else if (verb == "close") {
        game.Form_Unload();
    } else if (verb == "redraw") {
        game.redrawBoard();
    } else if (verb == "focus") {
        game.Board_GotFocus();
    } else if (verb == "blur") {
        game.Board_LostFocus();
    } else if (verb == "key") {
        static const std::pair<const char*, BoardKey> kKeys[] = { { "left", BoardKey::left },
            { "right", BoardKey::right }, { "up", BoardKey::up }, { "down", BoardKey::down },
            { "home", BoardKey::home }, { "end", BoardKey::end }, { "space", BoardKey::activate } };
        for (const auto& [name, key] : kKeys) {
            if (argument == name) {
                game.Board_KeyDown(key);
                return;
            }
        }
        FAIL() << "no key " << argument;
    } else {
        FAIL() << "no step " << step;
    }
}

struct SequenceCase {
    const char* name;
    std::vector<std::string> setup; // played from the start position, not logged
    std::vector<std::string> steps;
    Log expected;
    bool draggingAfter;
    int heldAfter;
};

void PrintTo(const SequenceCase& c, std::ostream* os)
{
    *os << c.name;
}

class InputSequence : public ::testing::TestWithParam<SequenceCase> { };

TEST_P(InputSequence, ProducesExactlyThesePortCalls)
{
    const SequenceCase& c = GetParam();
    RecordingPorts fakes;
    Game game(fakes.ports());
    game.Form_Load();
    for (const std::string& step : c.setup) {
        apply(game, step);
    }
    fakes.log.clear();
    for (const std::string& step : c.steps) {
        apply(game, step);
    }
    EXPECT_EQ(fakes.log, c.expected);
    EXPECT_EQ(game.isDragging(), c.draggingAfter);
    EXPECT_EQ(fakes.dragging, c.draggingAfter) << "the window's drag agrees with the game's";
    EXPECT_EQ(game.state().Picked_Hole, c.heldAfter);
}

const SequenceCase kSequences[] = {
    // The mouse: the drag is the game's, whatever the window sends during it.
    { "ReleaseOverAHoleDrops", {}, { "press 13", "release 15" },
        { "beginDrag 13", "cue pickup", "nopeg 13", "endDrag", "cue pegdrop", "peg 15" }, false,
        No_Hole },
    { "PressesDuringADragDoNothing", { "press 6" }, { "press 1", "press 15", "press 6" }, {}, true,
        6 },
    { "MovesDuringADragDoNothing", { "press 6" }, { "move", "move" }, {}, true, 6 },
    { "ReleaseOffTheCellsKeepsThePegHeld", { "press 6" }, { "release off", "release off" },
        { "endDrag" }, false, 6 },
    { "AfterReleaseOffTheNextMoveReturnsThePeg", { "press 6", "release off" }, { "move" },
        { "peg 6" }, false, No_Hole },
    { "ReleaseWithNoDragDoesNothing", { "press 6", "release off" }, { "release 15" }, {}, false,
        6 },
    { "ReleaseWithNothingHeldDoesNothing", {}, { "release 15", "release off", "move" }, {}, false,
        No_Hole },
    { "ClosingDuringADragEndsItThenQuits", { "press 6" }, { "close" }, { "endDrag", "endProgram" },
        false, 6 },
    { "ClosingAtRestQuits", {}, { "close" }, { "endProgram" }, false, No_Hole },
    { "RedrawShowsBoardWithTheHeldPegOff", { "press 1" }, { "redraw" },
        { "nopeg 1", "peg 2", "peg 3", "peg 4", "peg 5", "peg 6", "peg 7", "peg 8", "peg 9",
            "peg 10", "peg 11", "peg 12", "peg 13", "peg 14", "nopeg 15" },
        true, 1 },

    // The keyboard: a mark and a spoken name only while the board has the focus.
    { "FirstFocusLandsOnHoleOne", {}, { "focus" }, { "focus 1 Hole 1, peg" }, false, No_Hole },
    { "KeysWithoutTheFocusDoNothing", {}, { "key right", "key space", "focus", "blur", "key down" },
        { "focus 1 Hole 1, peg", "focus 0" }, false, No_Hole },
    { "FocusComesBackWhereItWas", { "focus", "key end", "blur" }, { "focus" },
        { "focus 15 Hole 15, empty" }, false, No_Hole },
    { "ArrowsStopAtTheEnds", { "focus" },
        { "key left", "key up", "key end", "key right", "key down" },
        { "focus 1 Hole 1, peg", "focus 1 Hole 1, peg", "focus 15 Hole 15, empty",
            "focus 15 Hole 15, empty", "focus 15 Hole 15, empty" },
        false, No_Hole },
    { "SpacePicksUpAsAPress", { "focus", "key down", "key down" }, { "key space" },
        { "beginDrag 5", "cue pickup", "nopeg 5",
            "focus 5 Hole 5, empty; holding the peg from hole 5" },
        true, 5 },
    { "SpaceOnAnEmptyHoleDoesNothing", { "focus", "key end" }, { "key space" }, {}, false,
        No_Hole },
    { "SpaceDropsTheHeldPegAsADrop", { "start", "focus", "key down", "key down", "key right" },
        { "key space", "key end", "key space" },
        { "beginDrag 6", "cue pickup", "nopeg 6",
            "focus 6 Hole 6, empty; holding the peg from hole 6",
            "focus 15 Hole 15, empty; holding the peg from hole 6", "endDrag", "cue pegdrop",
            "peg 15", "nopeg 10", "focus 15 Hole 15, peg" },
        false, No_Hole },
    { "SpaceOnTheHeldPegsOwnHolePutsItBack", { "start", "focus", "key end", "key left" },
        { "key space", "key space" },
        { "beginDrag 14", "cue pickup", "nopeg 14",
            "focus 14 Hole 14, empty; holding the peg from hole 14", "endDrag", "nopeg 14",
            "peg 14", "focus 14 Hole 14, peg" },
        false, No_Hole },
    { "SpaceDropsAPegTheMouseLetGoOff", { "press 1", "release off", "focus", "key end" },
        { "key space" }, { "cue pegdrop", "peg 15", "focus 15 Hole 15, peg" }, false, No_Hole },
    { "TheMouseDropsAPegTheKeyboardPickedUp", { "focus" }, { "key space", "release 15" },
        { "beginDrag 1", "cue pickup", "nopeg 1",
            "focus 1 Hole 1, empty; holding the peg from hole 1", "endDrag", "cue pegdrop",
            "peg 15", "focus 1 Hole 1, empty" },
        false, No_Hole },
    { "TheSpokenNameSaysPegOrEmpty",
        { "press 12", "release 15", "focus", "key down", "key down", "key right" },
        { "blur", "focus", "key down", "key down", "key left" },
        { "focus 0", "focus 6 Hole 6, peg", "focus 9 Hole 9, peg", "focus 13 Hole 13, peg",
            "focus 12 Hole 12, empty" },
        false, No_Hole },
    { "AMouseMoveKeepsTheSpokenStateCurrent", { "press 1", "release off", "focus" }, { "move" },
        { "peg 1", "focus 1 Hole 1, peg" }, false, No_Hole },
};

INSTANTIATE_TEST_SUITE_P(KeysAndPointer, InputSequence, ::testing::ValuesIn(kSequences),
    [](const auto& info) { return std::string(info.param.name); });

// Where each key leads from each hole: up and down to the nearest cell
// across as drawn (hole 13 sits nearer 9 than 8), ties to the lower number.
TEST(BoardNavigation, LeadsToTheNearestHoleAsTheCellsAreDrawn)
{
    struct Row {
        int hole, up, down, left, right;
    };
    const Row kRows[] = { { 1, 1, 3, 1, 2 }, { 2, 1, 4, 1, 3 }, { 3, 1, 5, 2, 4 },
        { 4, 2, 7, 3, 5 }, { 5, 2, 8, 4, 6 }, { 6, 3, 9, 5, 7 }, { 7, 4, 12, 6, 8 },
        { 8, 4, 12, 7, 9 }, { 9, 6, 13, 8, 10 }, { 10, 6, 14, 9, 11 }, { 11, 7, 11, 10, 12 },
        { 12, 7, 12, 11, 13 }, { 13, 9, 13, 12, 14 }, { 14, 9, 14, 13, 15 },
        { 15, 10, 15, 14, 15 } };
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.hole);
        EXPECT_EQ(BoardNavigation::next(row.hole, BoardKey::up), row.up);
        EXPECT_EQ(BoardNavigation::next(row.hole, BoardKey::down), row.down);
        EXPECT_EQ(BoardNavigation::next(row.hole, BoardKey::left), row.left);
        EXPECT_EQ(BoardNavigation::next(row.hole, BoardKey::right), row.right);
        EXPECT_EQ(BoardNavigation::next(row.hole, BoardKey::home), 1);
        EXPECT_EQ(BoardNavigation::next(row.hole, BoardKey::end), 15);
    }
}

} // namespace
} // namespace tarnwick
