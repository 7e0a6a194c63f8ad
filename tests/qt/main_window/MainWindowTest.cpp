#include "Main_form.h"
#include "Pictures.h"
#include "RecordingPorts.h"
#include "TriangleSolver.h"
#include "frm_Rules.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

namespace tarnwick {
namespace {

using testing::RecordingPorts;

constexpr QPoint kSky { 20, 20 }; // background, outside every cell and button

/// What the message box looked like while it was open.
struct SeenMessage {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::Information;
    int buttons = 0;
    bool buttonHasIcon = true;
    int pegsOnBoard = -1;
    int titleBarHeight = -1; ///< Where a window manager frames it.
    bool keysBehindItMoved = false; ///< Keys sent to the game window while it showed.
};

// Set where the test runs under a window manager that frames dialogs.
bool windowManagerFrames()
{
    return qEnvironmentVariableIsSet("TARNWICK_WM_FRAMES");
}

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest()
    {
        form.show();
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
        // Without a window manager the X server's focus event comes later.
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        window = form.windowHandle();
    }

    ~MainWindowTest() override { EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr); }

    QPoint cellCentre(int hole) const { return form.Image1(hole - 1)->geometry().center(); }

    void press(QPoint at) { QTest::mousePress(window, Qt::LeftButton, {}, at); }
    void release(QPoint at) { QTest::mouseRelease(window, Qt::LeftButton, {}, at); }
    void moveTo(QPoint at) { QTest::mouseMove(window, at); }

    void dragPeg(int from, int to)
    {
        press(cellCentre(from));
        moveTo(cellCentre(to));
        release(cellCentre(to));
    }

    /// Answers the next modal message box once it is open, noting what it showed.
    void answerNextMessage(bool byKey = false)
    {
        auto* poll = new QTimer(&form);
        poll->setInterval(5);
        auto waited = std::make_shared<QElapsedTimer>();
        waited->start();
        QObject::connect(poll, &QTimer::timeout, &form, [this, poll, waited, byKey] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                return;
            }
            const int titleBar = box->geometry().top() - box->frameGeometry().top();
            const bool ready
                = (!windowManagerFrames() || titleBar > 0) && (!byKey || box->isActiveWindow());
            if (!ready && waited->elapsed() < 3000) {
                return; // not framed or not holding the keyboard yet
            }
            seen.titleBarHeight = titleBar;
            poll->deleteLater();
            poll->stop();
            seen.caption = box->windowTitle();
            seen.text = box->text();
            seen.icon = box->icon();
            seen.buttons = static_cast<int>(box->buttons().size());
            seen.buttonHasIcon = !box->button(QMessageBox::Ok)->icon().isNull();
            seen.pegsOnBoard = testing::pegCount(form.game().state());
            if (!byKey) {
                box->button(QMessageBox::Ok)->click();
                return;
            }
            const int hole = form.game().keyboardHole();
            for (const Qt::Key key : { Qt::Key_Home, Qt::Key_End, Qt::Key_Space }) {
                QTest::keyClick(window, key);
                seen.keysBehindItMoved |= form.game().keyboardHole() != hole;
            }
            ASSERT_EQ(QApplication::activeModalWidget(), box) << "the box is still up";
            QTest::keyClick(box->windowHandle(), Qt::Key_Return);
        });
        poll->start();
    }

    bool shows(int hole, HolePicture picture)
    {
        const QImage grabbed = form.grab(form.Image1(hole - 1)->geometry()).toImage();
        const QImage expected
            = Pictures::pixmap(picture == HolePicture::peg ? "peg" : "nopeg").toImage();
        return grabbed.convertToFormat(QImage::Format_RGB32)
            == expected.convertToFormat(QImage::Format_RGB32);
    }

    std::vector<int> shownPegs()
    {
        std::vector<int> pegs;
        for (int hole = 1; hole <= kHoleCount; ++hole) {
            if (shows(hole, HolePicture::peg)) {
                pegs.push_back(hole);
            } else {
                EXPECT_TRUE(shows(hole, HolePicture::nopeg)) << "hole " << hole;
            }
        }
        return pegs;
    }

    /// Pixels in the keyboard's yellow in the 2-pixel ring around hole @p hole (of 244).
    int yellowAround(int hole)
    {
        const QRect cell = form.Image1(hole - 1)->geometry();
        const QImage ring = form.grab(cell.adjusted(-2, -2, 2, 2)).toImage();
        const QRect inner(QPoint(2, 2), cell.size());
        int yellow = 0;
        for (int i = 0; i < ring.width() * ring.height(); ++i) {
            const QPoint at(i % ring.width(), i / ring.width());
            yellow += !inner.contains(at) && ring.pixel(at) == qRgb(255, 224, 0) ? 1 : 0;
        }
        return yellow;
    }

    void key(Qt::Key key) { QTest::keyClick(window, key); }

    /// Home, Right to hole @p from, Space; Home, Right to hole @p to, Enter.
    void keyJump(int from, int to)
    {
        for (const auto& [hole, press] :
            { std::pair(from, Qt::Key_Space), std::pair(to, Qt::Key_Enter) }) {
            key(Qt::Key_Home);
            for (int at = 1; at < hole; ++at) {
                key(Qt::Key_Right);
            }
            key(press);
        }
    }

    long count(const std::string& entry) const
    {
        return std::count(fakes.log.begin(), fakes.log.end(), entry);
    }

    RecordingPorts fakes;
    Main_form form { fakes, fakes, fakes };
    QWindow* window = nullptr;
    SeenMessage seen;
};

const std::vector<int> kStart = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14 };

TEST_F(MainWindowTest, StartsWithTheLaidOutWindowAndTheStartPosition)
{
    EXPECT_EQ(form.windowTitle(), "Tarnwick");
    EXPECT_EQ(form.geometry(), QRect(181, 96, 336, 328));
    EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "fixed size";
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);

    const QRect cells[] = { { 160, 56, 32, 25 }, { 128, 104, 32, 25 }, { 176, 104, 32, 25 },
        { 104, 152, 32, 25 }, { 152, 152, 32, 25 }, { 200, 152, 32, 25 }, { 80, 208, 32, 25 },
        { 128, 208, 32, 25 }, { 184, 208, 32, 25 }, { 232, 208, 32, 25 }, { 48, 264, 32, 25 },
        { 104, 264, 32, 25 }, { 160, 264, 32, 25 }, { 208, 264, 32, 25 }, { 256, 264, 32, 25 } };
    for (int index = 0; index < kHoleCount; ++index) {
        EXPECT_EQ(form.Image1(index)->geometry(), cells[index]) << "Image1(" << index << ")";
    }

    struct ButtonCase {
        QPushButton* button = nullptr;
        const char* caption = nullptr;
        QRect geometry;
    };
    const ButtonCase buttons[] = {
        { form.Command1(), "Start Game", { 248, 16, 81, 25 } },
        { form.Command2(), "HELP", { 256, 48, 65, 25 } },
        { form.Command3(), "QUIT", { 256, 80, 65, 25 } },
    };
    for (const ButtonCase& b : buttons) {
        EXPECT_EQ(b.button->text(), b.caption);
        EXPECT_EQ(b.button->geometry(), b.geometry) << b.caption;
        EXPECT_TRUE(b.button->font().bold()) << b.caption;
        EXPECT_LE(
            b.button->fontMetrics().horizontalAdvance(b.button->text()), b.geometry.width() - 8)
            << b.caption << " fits";
    }
    EXPECT_EQ(QApplication::focusWidget(), form.Command1());
    EXPECT_EQ(form.Command1()->nextInFocusChain(), form.Command2());
    EXPECT_EQ(form.Command2()->nextInFocusChain(), form.Command3());

    EXPECT_EQ(shownPegs(), kStart);
    EXPECT_EQ(form.Image1(5)->accessibleName(), "Hole 6, peg");
    EXPECT_EQ(form.Image1(14)->accessibleName(), "Hole 15, empty");
    // Screen readers skip fillers: the window is a frame, each cell a graphic.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&form)->role(), QAccessible::Window);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(form.Image1(5))->role(), QAccessible::Graphic);
}

TEST_F(MainWindowTest, SetupMoveWithTheMouse)
{
    press(cellCentre(1));
    EXPECT_TRUE(form.isDragging());
    EXPECT_NE(QGuiApplication::overrideCursor(), nullptr) << "the drag icon follows the pointer";
    EXPECT_TRUE(shows(1, HolePicture::nopeg));
    moveTo(cellCentre(15));
    release(cellCentre(15));

    EXPECT_FALSE(form.isDragging());
    EXPECT_EQ(shownPegs(), (std::vector<int> { 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 }));
    EXPECT_EQ(form.Image1(0)->accessibleName(), "Hole 1, empty");
    EXPECT_EQ(count("cue pickup"), 1);
    EXPECT_EQ(count("cue pegdrop"), 1);
}

TEST_F(MainWindowTest, DropOnAnOccupiedHolePutsThePegBack)
{
    dragPeg(4, 5);
    EXPECT_EQ(shownPegs(), kStart);
    EXPECT_EQ(count("cue pegdrop"), 0);
    EXPECT_EQ(form.game().state().Picked_Hole, No_Hole);
}

TEST_F(MainWindowTest, ReleaseOverAButtonDoesNotClickItAndTheNextBackgroundMoveReturnsThePeg)
{
    for (QPushButton* button : { form.Command3(), form.Command1() }) {
        const QPoint onButton = button->geometry().center();
        press(cellCentre(6));
        moveTo(onButton);
        release(onButton);
        EXPECT_FALSE(form.isDragging());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(shows(6, HolePicture::nopeg)) << "still held";

        moveTo(onButton + QPoint(1, 0));
        EXPECT_TRUE(shows(6, HolePicture::nopeg)) << "a move over a button is no background move";
        moveTo(kSky);
        EXPECT_EQ(shownPegs(), kStart);
    }
    EXPECT_EQ(count("endProgram"), 0) << "QUIT was not clicked";
    EXPECT_EQ(form.game().state().Game_Mode, Mode_Setup) << "Start Game was not clicked";
}

TEST_F(MainWindowTest, ReleaseOutsideTheWindowEndsTheDragWithNoDrop)
{
    press(cellCentre(13));
    release(QPoint(-40, 500));
    EXPECT_FALSE(form.isDragging());
    EXPECT_EQ(form.game().state().Picked_Hole, 13);
    moveTo(kSky);
    EXPECT_EQ(shownPegs(), kStart);
}

TEST_F(MainWindowTest, MovesOverCellsAreNotBackgroundMoves)
{
    press(cellCentre(2));
    release(QPoint(-5, -5));
    moveTo(cellCentre(3));
    moveTo(cellCentre(7));
    EXPECT_EQ(form.game().state().Picked_Hole, 2);
    moveTo(kSky);
    EXPECT_EQ(form.game().state().Picked_Hole, No_Hole);
}

TEST_F(MainWindowTest, DoubleClickOnAPegPicksItUpTwiceAndPutsItBack)
{
    QTest::mouseDClick(window, Qt::LeftButton, {}, cellCentre(9));
    // Each press picks the peg up and each release drops it on its own hole.
    EXPECT_EQ(count("cue pickup"), 2);
    EXPECT_EQ(count("cue pegdrop"), 2);
    EXPECT_EQ(shownPegs(), kStart);
    EXPECT_FALSE(form.isDragging());
}

TEST_F(MainWindowTest, FurtherPressesDuringADragKeepTheGrab)
{
    press(cellCentre(4));
    QTest::mousePress(window, Qt::RightButton, {}, cellCentre(5));
    EXPECT_TRUE(form.isDragging());
    release(cellCentre(15));
    EXPECT_EQ(form.game().state().Board(15), true);
    // Left held, the right button would steer the next test's pointer.
    QTest::mouseRelease(window, Qt::RightButton, {}, cellCentre(5));
}

TEST_F(MainWindowTest, PlayPhaseJumpAndRejectedJump)
{
    QTest::mouseClick(form.Command1(), Qt::LeftButton);
    EXPECT_EQ(form.game().state().Game_Mode, Mode_Play);

    dragPeg(1, 15); // no such jump
    EXPECT_EQ(shownPegs(), kStart);
    EXPECT_EQ(count("cue pegdrop"), 1);

    dragPeg(6, 15); // over 10
    EXPECT_EQ(shownPegs(), (std::vector<int> { 1, 2, 3, 4, 5, 7, 8, 9, 11, 12, 13, 14, 15 }));
}

TEST_F(MainWindowTest, KeyboardPressesTheFocusedButtonAndEscapeDoesNothing)
{
    // Enter on HELP presses HELP, not Start Game: there is no default button.
    form.Command2()->setFocus();
    QTest::keyClick(form.Command2(), Qt::Key_Enter);
    EXPECT_EQ(form.game().state().Game_Mode, Mode_Setup);
    form.Command1()->setFocus();
    QTest::keyClick(form.Command1(), Qt::Key_Escape);
    EXPECT_EQ(form.game().state().Game_Mode, Mode_Setup);
    QTest::keyClick(form.Command1(), Qt::Key_Return);
    EXPECT_EQ(form.game().state().Game_Mode, Mode_Play);

    QTest::keyClick(form.Command3(), Qt::Key_Space);
    EXPECT_EQ(count("endProgram"), 1);
}

TEST_F(MainWindowTest, TheBoardIsTheTabStopAfterQuitMarkedAndSpokenWhileItHasTheKeys)
{
    QTest::mouseClick(window, Qt::LeftButton, {}, cellCentre(6));
    EXPECT_EQ(QApplication::focusWidget(), form.Command1()) << "a click gives the board no focus";

    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    EXPECT_EQ(yellowAround(1), 0);
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form.boardFocus());
    EXPECT_EQ(yellowAround(1), 244);
    key(Qt::Key_Right);
    key(Qt::Key_Down);
    EXPECT_EQ(form.game().keyboardHole(), 4);
    EXPECT_EQ(yellowAround(4), 244);
    EXPECT_EQ(yellowAround(1), 0);

    key(Qt::Key_Space);
    const QAccessibleInterface* board = QAccessible::queryAccessibleInterface(form.boardFocus());
    EXPECT_EQ(board->text(QAccessible::Name), "Hole 4, empty; holding the peg from hole 4");
    EXPECT_EQ(board->role(), QAccessible::Canvas);
    key(Qt::Key_Enter); // the peg back in its hole

    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form.Command1());
    EXPECT_EQ(yellowAround(4), 0);
    EXPECT_EQ(board->text(QAccessible::Name), "");
}

TEST_F(MainWindowTest, HelpOpensTheRulesBesideAStillPlayableGame)
{
    QTest::mouseClick(form.Command2(), Qt::LeftButton);
    frm_Rules* rules = form.rules().window();
    ASSERT_NE(rules, nullptr);
    EXPECT_TRUE(QTest::qWaitForWindowExposed(rules));
    EXPECT_EQ(rules->parentWidget(), nullptr) << "no owner";

    // Where the rules cover a cell, a release there is over the rules, not the cell.
    const QPoint coveredCell = form.Image1(14)->mapToGlobal(QPoint(5, 5));
    ASSERT_TRUE(rules->frameGeometry().contains(coveredCell)) << "centred over the board";
    dragPeg(1, 15);
    EXPECT_FALSE(form.isDragging());
    EXPECT_EQ(form.game().state().Picked_Hole, 1) << "no drop under the rules window";
    moveTo(kSky);
    EXPECT_EQ(shownPegs(), kStart);

    // Moved aside, the rules leave the whole board playable.
    rules->move(form.frameGeometry().right() + 20, form.frameGeometry().bottom() + 20);
    dragPeg(1, 15);
    EXPECT_EQ(shownPegs(), (std::vector<int> { 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 }));
    const QPoint where = rules->pos();
    QTest::mouseClick(form.Command2(), Qt::LeftButton);
    EXPECT_EQ(form.rules().window(), rules);
    EXPECT_EQ(rules->pos(), where);
}

TEST_F(MainWindowTest, ClosingTheWindowEndsTheProgramAsQuitDoes)
{
    form.close();
    EXPECT_EQ(count("endProgram"), 1);
}

// Runs at the scale factor the environment sets: 1 in the ordinary run, and 2
// in a run of its own. The window scales as a whole; cells take the picture
// rendered for that density, not blown-up 1x pixels.
TEST_F(MainWindowTest, HighDensityScalesTheWholeWindowWithMatchingPictures)
{
    const qreal expectedRatio = qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
        ? qEnvironmentVariable("QT_SCALE_FACTOR").toDouble()
        : 1.0;
    ASSERT_EQ(form.devicePixelRatio(), expectedRatio);
    const int ratio = static_cast<int>(expectedRatio);

    const QImage shot = form.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shot.size(), QSize(336 * ratio, 328 * ratio));

    const QString suffix = ratio == 2 ? QStringLiteral("@2x") : QString();
    struct PictureCase {
        int hole;
        QString file;
    };
    const PictureCase cases[] = {
        { 1, ":/pictures/peg" + suffix + ".png" },
        { 15, ":/pictures/nopeg" + suffix + ".png" },
    };
    for (const PictureCase& c : cases) {
        const QRect cell = form.Image1(c.hole - 1)->geometry();
        const QImage drawn = shot.copy(QRect(cell.topLeft() * ratio, cell.size() * ratio));
        const QImage rendering = QImage(c.file).convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(rendering.size(), QSize(32 * ratio, 25 * ratio)) << c.file.toStdString();
        EXPECT_EQ(drawn, rendering) << c.file.toStdString();
    }
    const QImage board
        = QImage(":/pictures/board" + suffix + ".png").convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shot.pixel(2 * ratio, 2 * ratio), board.pixel(2 * ratio, 2 * ratio));
}

struct WholeGameCase {
    const char* name;
    testing::TriangleSolver::Ending ending;
    const char* message;
};

void PrintTo(const WholeGameCase& c, std::ostream* os)
{
    *os << c.name;
}

class WholeGames : public MainWindowTest, public ::testing::WithParamInterface<WholeGameCase> {
protected:
    void expectTheEndAndTheReset();
};

TEST_P(WholeGames, PlayedWithTheMouseEndInTheMessageAndTheReset)
{
    testing::TriangleSolver solver(GetParam().ending);
    const auto line = solver.solve(0x7FFFU & ~(1U << 3)); // hole 4 empty
    ASSERT_TRUE(line.has_value());

    dragPeg(4, 15); // setup: hole 4 becomes the empty one
    QTest::keyClick(form.Command1(), Qt::Key_Space);
    for (std::size_t i = 0; i + 1 < line->size(); ++i) {
        dragPeg(line->at(i).from, line->at(i).to);
    }
    answerNextMessage();
    dragPeg(line->back().from, line->back().to);
    expectTheEndAndTheReset();
}

TEST_P(WholeGames, PlayedWithTheKeyboardAloneEndInTheMessageAndTheReset)
{
    const auto line = testing::TriangleSolver(GetParam().ending).solve(0x3FFF); // hole 15 empty
    ASSERT_TRUE(line.has_value());
    key(Qt::Key_Space); // on Start Game, which has the focus at start
    for (int stop = 0; stop < 3; ++stop) {
        key(Qt::Key_Tab);
    }
    for (std::size_t i = 0; i + 1 < line->size(); ++i) {
        keyJump(line->at(i).from, line->at(i).to);
    }
    answerNextMessage(true);
    keyJump(line->back().from, line->back().to);
    EXPECT_FALSE(seen.keysBehindItMoved) << "keys go to the message alone";
    expectTheEndAndTheReset();
}

void WholeGames::expectTheEndAndTheReset()
{
    EXPECT_EQ(seen.caption, "Tarnwick");
    EXPECT_EQ(seen.text, GetParam().message);
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, 1);
    EXPECT_FALSE(seen.buttonHasIcon);
    if (windowManagerFrames()) {
        EXPECT_GE(seen.titleBarHeight, 16) << "the caption shows in a title bar";
    }
    if (GetParam().ending == testing::TriangleSolver::Ending::onePeg) {
        EXPECT_EQ(seen.pegsOnBoard, 1) << "the final board stays while the message shows";
        EXPECT_EQ(count("cue winner"), 1);
    } else {
        EXPECT_GE(seen.pegsOnBoard, 2);
        EXPECT_EQ(count("cue loser") + count("cue loser4") + count("cue loser3"), 1);
    }
    EXPECT_EQ(shownPegs(), kStart);
    EXPECT_EQ(form.game().state().Game_Mode, Mode_Setup);
    EXPECT_FALSE(form.isDragging());
}

const WholeGameCase kWholeGames[] = {
    { "Win", testing::TriangleSolver::Ending::onePeg, "You're A Winner" },
    { "Loss", testing::TriangleSolver::Ending::stuckWithSeveral, "You're A Loser" },
};

INSTANTIATE_TEST_SUITE_P(ToTheEnd, WholeGames, ::testing::ValuesIn(kWholeGames),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace tarnwick
