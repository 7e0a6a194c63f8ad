// "HELP" and the rules window's life, on an offscreen screen of 1023 x 767.
#include "RulesWindowLauncher.h"
#include "frm_Rules.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

// Centred on the whole screen in whole pixels, half pixels dropped.
QPoint centredCorner(const QSize& outer)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return { (screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2 };
}

bool framedAndCentred(const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    return frame.size() != window.size() && frame.topLeft() == centredCorner(frame.size());
}

void runDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(RulesWindowLauncher, CentresOnOpenLeavesItWhileOpenAndCentresAfreshAfterOk)
{
    ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1023, 767))
        << "run with QT_QPA_PLATFORM=offscreen:configfile=offscreen-screen.json";
    RulesWindowLauncher launcher;
    EXPECT_EQ(launcher.window(), nullptr);

    launcher.Command2_Click(QGuiApplication::primaryScreen());
    QPointer<frm_Rules> first = launcher.window();
    ASSERT_FALSE(first.isNull());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(first));
    EXPECT_TRUE(framedAndCentred(*first));

    first->move(5, 7);
    launcher.Command2_Click(QGuiApplication::primaryScreen());
    EXPECT_EQ(launcher.window(), first.data());
    EXPECT_EQ(first->frameGeometry().topLeft(), QPoint(5, 7));
    EXPECT_TRUE(QTest::qWaitForWindowActive(first));

    QTest::mouseClick(first->btn_OK(), Qt::LeftButton);
    EXPECT_EQ(launcher.window(), nullptr);
    // "HELP" may come before Qt has deleted the closed window: never reuse it.
    launcher.Command2_Click(QGuiApplication::primaryScreen());
    QPointer<frm_Rules> second = launcher.window();
    ASSERT_FALSE(second.isNull());
    EXPECT_NE(second.data(), first.data());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(second));
    EXPECT_TRUE(framedAndCentred(*second));
    runDeferredDeletes();
    EXPECT_TRUE(first.isNull());

    launcher.closeWindow();
    EXPECT_EQ(launcher.window(), nullptr);
    runDeferredDeletes();
    EXPECT_TRUE(second.isNull());
}

TEST(RulesWindowLauncher, TakesTheRulesWindowWithItWhenDestroyed)
{
    QPointer<frm_Rules> window;
    {
        RulesWindowLauncher launcher;
        launcher.Command2_Click(QGuiApplication::primaryScreen());
        window = launcher.window();
        ASSERT_FALSE(window.isNull());
    }
    EXPECT_TRUE(window.isNull());
}

// Before showing, the frame is a guess: none, or the game window's. Once the
// real frame is known the window is centred on it.
TEST(RulesWindowCentring, CentresOnItsRealFrameOnceKnown)
{
    frm_Rules window;
    window.Form_Load(nullptr);
    EXPECT_EQ(window.pos(), centredCorner(window.size()));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(framedAndCentred(window));
}

TEST(RulesWindowCentring, GuessesItsFrameFromTheGameWindow)
{
    QWidget gameWindow;
    gameWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&gameWindow));
    const QSize gameFrame = gameWindow.frameGeometry().size() - gameWindow.size();
    ASSERT_FALSE(gameFrame.isNull());

    frm_Rules window;
    window.Form_Load(nullptr);
    const QPoint guessed = window.pos();
    EXPECT_EQ(guessed, centredCorner(window.size() + gameFrame));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.frameGeometry().topLeft(), guessed) << "moved after showing";
}

} // namespace
} // namespace tarnwick
