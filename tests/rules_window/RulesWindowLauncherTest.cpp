// "HELP" and the rules window's life: centred when it opens, left alone while
// open, opened afresh after OK. Runs on an offscreen screen of 1023 x 767.
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

QScreen* screen()
{
    return QGuiApplication::primaryScreen();
}

// Centred on the whole screen in whole pixels, half pixels dropped.
QPoint centredFrameCorner(const QSize& outer)
{
    const QRect whole = screen()->geometry();
    return { (whole.width() - outer.width()) / 2, (whole.height() - outer.height()) / 2 };
}

void runDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class Launcher : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(screen()->geometry(), QRect(0, 0, 1023, 767))
            << "run with QT_QPA_PLATFORM=offscreen:configfile=offscreen-screen.json";
    }

    void TearDown() override { runDeferredDeletes(); }

    frm_Rules* openRules()
    {
        m_launcher.Command2_Click(screen());
        frm_Rules* window = m_launcher.window();
        if (window != nullptr) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        }
        return window;
    }

    RulesWindowLauncher m_launcher;
};

TEST_F(Launcher, NothingIsOpenBeforeHelp)
{
    EXPECT_EQ(m_launcher.window(), nullptr);
}

TEST_F(Launcher, FirstHelpCentresTheFramedWindowOnTheScreen)
{
    frm_Rules* window = openRules();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    const QRect frame = window->frameGeometry();
    // The frame must count: centring the client area alone would be off.
    ASSERT_GT(frame.width(), window->width());
    ASSERT_GT(frame.height(), window->height());
    EXPECT_EQ(frame.topLeft(), centredFrameCorner(frame.size()));
    EXPECT_EQ(window->size(), QSize(550, 367));
}

TEST_F(Launcher, HelpWhileOpenRaisesTheSameWindowWhereThePlayerLeftIt)
{
    QPointer<frm_Rules> first = openRules();
    ASSERT_FALSE(first.isNull());
    first->move(5, 7);
    const QRect moved = first->frameGeometry();

    m_launcher.Command2_Click(screen());

    EXPECT_EQ(m_launcher.window(), first.data());
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->frameGeometry(), moved);
    EXPECT_TRUE(QTest::qWaitForWindowActive(first));
}

TEST_F(Launcher, HelpAfterOkOpensAFreshWindowCentredAgain)
{
    QPointer<frm_Rules> first = openRules();
    ASSERT_FALSE(first.isNull());
    first->move(5, 7);

    QTest::mouseClick(first->btn_OK(), Qt::LeftButton);
    EXPECT_EQ(m_launcher.window(), nullptr);
    runDeferredDeletes();
    EXPECT_TRUE(first.isNull());

    frm_Rules* second = openRules();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(
        second->frameGeometry().topLeft(), centredFrameCorner(second->frameGeometry().size()));
}

TEST_F(Launcher, HelpRightAfterOkDoesNotReuseTheClosingWindow)
{
    QPointer<frm_Rules> first = openRules();
    ASSERT_FALSE(first.isNull());
    QTest::keyClick(first->btn_OK(), Qt::Key_Space);

    // Qt deletes the closed window only once events run; "HELP" may come first.
    m_launcher.Command2_Click(screen());
    QPointer<frm_Rules> second = m_launcher.window();
    ASSERT_FALSE(second.isNull());
    EXPECT_NE(second.data(), first.data());
    EXPECT_TRUE(second->isVisible());

    runDeferredDeletes();
    EXPECT_TRUE(first.isNull());
    EXPECT_FALSE(second.isNull());
}

TEST_F(Launcher, CloseWindowUnloadsIt)
{
    QPointer<frm_Rules> window = openRules();
    ASSERT_FALSE(window.isNull());
    m_launcher.closeWindow();
    EXPECT_EQ(m_launcher.window(), nullptr);
    runDeferredDeletes();
    EXPECT_TRUE(window.isNull());
}

TEST(LauncherLifetime, DestroyingTheLauncherClosesTheWindow)
{
    QPointer<frm_Rules> window;
    {
        RulesWindowLauncher launcher;
        launcher.Command2_Click(screen());
        window = launcher.window();
        ASSERT_FALSE(window.isNull());
    }
    EXPECT_TRUE(window.isNull());
}

TEST(LauncherLifetime, OpenRulesDoNotKeepTheProgramRunning)
{
    RulesWindowLauncher launcher;
    launcher.Command2_Click(screen());
    ASSERT_NE(launcher.window(), nullptr);
    EXPECT_FALSE(launcher.window()->testAttribute(Qt::WA_QuitOnClose));
}

// Until the frame is known the window is placed on an estimate; the real
// frame then moves it to the centre before anyone can see it elsewhere.
TEST(RulesCentring, CentresAgainOnceItsFrameIsKnown)
{
    frm_Rules window;
    window.Form_Load(screen());
    EXPECT_EQ(window.pos(), centredFrameCorner(window.size()));

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QRect frame = window.frameGeometry();
    ASSERT_NE(frame.size(), window.size());
    EXPECT_EQ(frame.topLeft(), centredFrameCorner(frame.size()));
}

TEST(RulesCentring, EstimatesItsFrameFromTheGameWindow)
{
    QWidget gameWindow;
    gameWindow.resize(300, 200);
    gameWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&gameWindow));
    const QMargins gameFrame(gameWindow.geometry().left() - gameWindow.frameGeometry().left(),
        gameWindow.geometry().top() - gameWindow.frameGeometry().top(),
        gameWindow.frameGeometry().right() - gameWindow.geometry().right(),
        gameWindow.frameGeometry().bottom() - gameWindow.geometry().bottom());
    ASSERT_FALSE(gameFrame.isNull());

    frm_Rules window;
    window.Form_Load(screen());
    const QPoint beforeShowing = window.pos();
    EXPECT_EQ(beforeShowing, centredFrameCorner(window.size().grownBy(gameFrame)));

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.frameGeometry().topLeft(), beforeShowing) << "moved after showing";
}

} // namespace
} // namespace tarnwick
