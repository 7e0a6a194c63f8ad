#include "Main_form.h"
#include "Pictures.h"
#include "RecordingPorts.h"
#include "TriangleSolver.h"
#include "frm_Rules.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <sstream>

namespace tarnwick {
namespace {

using testing::GeometricJump;
using testing::RecordingPorts;

constexpr std::uint16_t kStartPosition = 0x3FFF; // holes 1..14

// Background spots: outside every cell and button.
const QPoint kBackground[] = { { 20, 20 }, { 320, 300 }, { 10, 200 }, { 230, 120 } };
// Spots outside the window, some far off the screen.
const QPoint kOutside[] = { { -40, 500 }, { 400, -10 }, { 2000, 1500 }, { 336, 328 } };

/// Holes with a peg, as bits, the held peg counted in its hole.
std::uint16_t position(const GameState& s)
{
    std::uint16_t bits = 0;
    for (int hole = 1; hole <= kHoleCount; ++hole) {
        if (s.Board(hole) || s.Picked_Hole == hole) {
            bits = static_cast<std::uint16_t>(bits | (1U << (hole - 1)));
        }
    }
    return bits;
}

bool has(std::uint16_t bits, int hole)
{
    return ((bits >> (hole - 1)) & 1U) != 0;
}

// A long scripted mouse and keyboard session on the real window: fast
// presses and releases over cells, buttons, the background, the rules window
// and outside the window, HELP and OK again and again, and Start Game pressed
// from the keyboard while a peg is held. After every event the pegs, the
// pictures and the drag state must still agree.
class MouseSession {
public:
    explicit MouseSession(unsigned seed)
        : m_random(seed)
    {
        s_chainedHandler = qInstallMessageHandler(quietOutsideNotes);
        m_form.show();
        m_form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_form));
        m_window = m_form.windowHandle();

        // The end-of-game message is answered as soon as it opens.
        m_answer.setInterval(2);
        QObject::connect(&m_answer, &QTimer::timeout, [this] { answerMessage(); });
        m_answer.start();
    }

    ~MouseSession()
    {
        m_answer.stop();
        qInstallMessageHandler(s_chainedHandler);
    }

    void run(int events)
    {
        for (int i = 0; i < events && !::testing::Test::HasFailure(); ++i) {
            const GameState before = m_form.game().state();
            const int messagesBefore = m_messages;
            const std::string event = step();
            checkTransition(before, messagesBefore, i, event);
            checkState(i, event, i % 64 == 0);
        }
        finish();
    }

    int jumps() const { return m_jumps; }
    int gamesEnded() const { return m_messages; }

private:
    // Events outside the window are the point here; QTest notes each one.
    static void quietOutsideNotes(
        QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (!text.contains(QLatin1String("occurs outside target window"))) {
            s_chainedHandler(type, context, text);
        }
    }
    static inline QtMessageHandler s_chainedHandler = nullptr;

    QPoint cellCentre(int hole) const { return m_form.Image1(hole - 1)->geometry().center(); }
    int anyHole() { return pick(1, kHoleCount); }
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    bool coin(double p) { return std::bernoulli_distribution(p)(m_random); }
    template <typename T, std::size_t N> T any(const T (&from)[N])
    {
        return from[static_cast<std::size_t>(pick(0, static_cast<int>(N) - 1))];
    }

    QPoint anyButton()
    {
        QPushButton* buttons[] = { m_form.Command1(), m_form.Command2(), m_form.Command3() };
        return any(buttons)->geometry().center();
    }

    /// Where the rules window is, in the game window's coordinates.
    std::optional<QPoint> overRules() const
    {
        frm_Rules* rules = m_form.rules().window();
        if (rules == nullptr || !rules->isVisible()) {
            return std::nullopt;
        }
        return m_form.mapFromGlobal(rules->geometry().center());
    }

    const GeometricJump* legalJumpFrom(int hole) const
    {
        const GameState& s = m_form.game().state();
        for (const GeometricJump& jump : m_geometry) {
            if (jump.from == hole && s.Board(jump.over) && !s.Board(jump.to)) {
                return &jump;
            }
        }
        return nullptr;
    }

    // Half the presses in play take a peg that can jump, so games end.
    QPoint pressTarget()
    {
        const GameState& s = m_form.game().state();
        if (s.Game_Mode == Mode_Play && coin(0.5)) {
            for (const GeometricJump& jump : m_geometry) {
                if (s.Board(jump.from) && s.Board(jump.over) && !s.Board(jump.to)) {
                    return cellCentre(jump.from);
                }
            }
        }
        return cellCentre(anyHole());
    }

    // Half the releases of a held peg aim at a legal jump; the rest anywhere.
    QPoint releaseTarget()
    {
        const int held = m_form.game().state().Picked_Hole;
        if (held != No_Hole && coin(0.5)) {
            if (const GeometricJump* jump = legalJumpFrom(held)) {
                return cellCentre(jump->to);
            }
        }
        switch (pick(0, 5)) {
        case 0:
            return anyButton();
        case 1:
            return any(kBackground);
        case 2:
            return any(kOutside);
        case 3:
            if (auto rules = overRules()) {
                return *rules;
            }
            [[fallthrough]];
        default:
            return cellCentre(anyHole());
        }
    }

    QPoint moveTarget()
    {
        switch (pick(0, 3)) {
        case 0:
            return any(kBackground);
        case 1:
            return anyButton();
        default:
            return cellCentre(anyHole());
        }
    }

    std::string step()
    {
        std::ostringstream what;
        const int kind = pick(0, 19);
        if (kind < 7) {
            if (m_buttonDown) {
                const QPoint at = releaseTarget();
                QTest::mouseRelease(m_window, Qt::LeftButton, {}, at);
                m_buttonDown = false;
                what << "release at " << at.x() << "," << at.y();
            } else {
                const QPoint at = pressTarget();
                QTest::mousePress(m_window, Qt::LeftButton, {}, at);
                m_buttonDown = true;
                what << "press at " << at.x() << "," << at.y();
            }
        } else if (kind < 10) {
            const QPoint at = moveTarget();
            QTest::mouseMove(m_window, at);
            what << "move to " << at.x() << "," << at.y();
        } else if (kind == 10 && !m_buttonDown) {
            QTest::mouseClick(m_window, Qt::LeftButton, {}, m_form.Command2()->geometry().center());
            what << "HELP";
        } else if (kind == 11) {
            frm_Rules* rules = m_form.rules().window();
            if (rules != nullptr && rules->isVisible()) {
                QTest::mouseClick(rules->windowHandle(), Qt::LeftButton, {},
                    rules->btn_OK()->geometry().center());
                what << "OK";
            }
        } else if (kind == 12 || kind == 13) {
            // Keyboard "Start Game", in the middle of whatever the mouse does.
            m_form.Command1()->setFocus();
            QTest::keyClick(m_form.Command1(), Qt::Key_Space);
            what << "Space on Start Game";
        } else if (kind == 14 && !m_buttonDown) {
            const QPoint at = cellCentre(anyHole());
            QTest::mouseDClick(m_window, Qt::LeftButton, {}, at);
            what << "double click at " << at.x() << "," << at.y();
        } else if (kind == 15) {
            const QPoint at = coin(0.5) ? cellCentre(anyHole()) : any(kBackground);
            QTest::mousePress(m_window, Qt::RightButton, {}, at);
            QTest::mouseRelease(m_window, Qt::RightButton, {}, at);
            what << "right click at " << at.x() << "," << at.y();
        } else if (kind == 16 && !m_buttonDown) {
            // Press and release on one cell at once, as a quick tap does.
            const QPoint at = pressTarget();
            QTest::mousePress(m_window, Qt::LeftButton, {}, at);
            QTest::mouseRelease(m_window, Qt::LeftButton, {}, at);
            what << "tap at " << at.x() << "," << at.y();
        } else {
            const QPoint at = any(kBackground);
            QTest::mouseMove(m_window, at);
            what << "background move to " << at.x() << "," << at.y();
        }
        return what.str();
    }

    void answerMessage()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        ++m_messages;
        // The message shows the final board: no jump may be left on it. The
        // jumping peg has landed, so the board alone holds every peg.
        GameState board = m_form.game().state();
        board.Picked_Hole = No_Hole;
        const std::uint16_t atEnd = position(board);
        for (const GeometricJump& jump : m_geometry) {
            EXPECT_FALSE(has(atEnd, jump.from) && has(atEnd, jump.over) && !has(atEnd, jump.to))
                << "the game ended with the jump " << jump.from << "-" << jump.to << " left";
        }
        box->button(QMessageBox::Ok)->click();
    }

    // The pegs change only by one accepted jump, a setup move of the held peg,
    // or the reset after a game.
    void checkTransition(
        const GameState& before, int messagesBefore, int event, const std::string& what)
    {
        const GameState& after = m_form.game().state();
        const std::uint16_t from = position(before);
        const std::uint16_t to = position(after);
        if (m_messages != messagesBefore) {
            ASSERT_EQ(m_messages, messagesBefore + 1) << event << " " << what;
            EXPECT_EQ(to, kStartPosition) << "reset after the message, event " << event;
            EXPECT_EQ(after.Game_Mode, Mode_Setup) << event;
            return;
        }
        if (from == to) {
            return;
        }
        // In setup the held peg may go to any empty hole.
        const int held = before.Picked_Hole;
        if (before.Game_Mode == Mode_Setup && held != No_Hole) {
            const auto moved = static_cast<std::uint16_t>(from ^ to);
            const bool leftHeldHole = has(moved, held) && !has(to, held);
            ASSERT_TRUE(leftHeldHole && std::popcount(moved) == 2
                && std::popcount(static_cast<std::uint16_t>(to & moved)) == 1)
                << "setup: pegs " << std::hex << from << " became " << to << std::dec
                << " at event " << event << " (" << what << ")";
            return;
        }
        bool jumped = false;
        for (const GeometricJump& jump : m_geometry) {
            const auto next = static_cast<std::uint16_t>(
                from ^ (1U << (jump.from - 1)) ^ (1U << (jump.over - 1)) ^ (1U << (jump.to - 1)));
            jumped = jumped
                || (before.Game_Mode == Mode_Play && before.Picked_Hole == jump.from
                    && has(from, jump.over) && !has(from, jump.to) && next == to);
        }
        ASSERT_TRUE(jumped) << "pegs " << std::hex << from << " became " << to << std::dec
                            << " at event " << event << " (" << what << ")";
        ++m_jumps;
    }

    void checkState(int event, const std::string& what, bool comparePixels)
    {
        const GameState& s = m_form.game().state();
        const bool holding = s.Picked_Hole != No_Hole;
        const auto where = [&] { return "event " + std::to_string(event) + " (" + what + ")"; };
        ASSERT_TRUE(!holding || (s.Picked_Hole >= 1 && s.Picked_Hole <= kHoleCount)) << where();
        ASSERT_TRUE(!holding || !s.Board(s.Picked_Hole)) << where();
        ASSERT_TRUE(s.Game_Mode == Mode_Setup || s.Game_Mode == Mode_Play) << where();
        ASSERT_TRUE(!m_form.isDragging() || holding) << "a drag with no peg, " << where();
        ASSERT_EQ(QWidget::mouseGrabber(), m_form.isDragging() ? &m_form : nullptr) << where();
        if (!m_buttonDown) {
            ASSERT_FALSE(m_form.isDragging()) << "a drag outlived its release, " << where();
        }
        // The drag icon is the cursor exactly while the drag lasts.
        ASSERT_EQ(QGuiApplication::overrideCursor() != nullptr, m_form.isDragging()) << where();
        ASSERT_EQ(QApplication::activeModalWidget(), nullptr) << "a message left open, " << where();
        for (int hole = 1; hole <= kHoleCount; ++hole) {
            const QString name = m_form.Image1(hole - 1)->accessibleName();
            ASSERT_EQ(name.endsWith(QLatin1String(", peg")), s.Board(hole))
                << "hole " << hole << ", " << where();
            if (comparePixels) {
                ASSERT_TRUE(showsPicture(hole, s.Board(hole)))
                    << "hole " << hole << ", " << where();
            }
        }
    }

    bool showsPicture(int hole, bool peg)
    {
        const QImage drawn = m_form.grab(m_form.Image1(hole - 1)->geometry()).toImage();
        const QImage& expected = peg ? m_pegImage : m_noPegImage;
        return drawn.convertToFormat(QImage::Format_RGB32) == expected;
    }

    // Lets go of everything, as a player walking away does, and checks that
    // nothing of the session is left behind.
    void finish()
    {
        if (m_buttonDown) {
            QTest::mouseRelease(m_window, Qt::LeftButton, {}, kBackground[0]);
            m_buttonDown = false;
        }
        QTest::mouseMove(m_window, kBackground[1]);
        QTest::mouseMove(m_window, kBackground[0]);
        if (frm_Rules* rules = m_form.rules().window()) {
            rules->close();
        }
        const GameState& s = m_form.game().state();
        EXPECT_EQ(s.Picked_Hole, No_Hole);
        EXPECT_FALSE(m_form.isDragging());
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        for (int hole = 1; hole <= kHoleCount; ++hole) {
            EXPECT_TRUE(showsPicture(hole, s.Board(hole))) << "hole " << hole;
        }
    }

    std::mt19937 m_random;
    RecordingPorts m_fakes;
    Main_form m_form { m_fakes, m_fakes, m_fakes };
    QWindow* m_window = nullptr;
    QTimer m_answer;
    std::vector<GeometricJump> m_geometry = testing::geometricJumps();
    const QImage m_pegImage
        = Pictures::pixmap("peg").toImage().convertToFormat(QImage::Format_RGB32);
    const QImage m_noPegImage
        = Pictures::pixmap("nopeg").toImage().convertToFormat(QImage::Format_RGB32);
    bool m_buttonDown = false;
    int m_jumps = 0;
    int m_messages = 0;
};

constexpr int kFullSession = 5000;

// Thousands of events per seed by default; TARNWICK_SESSION_EVENTS shortens
// the run for slow checkers such as valgrind.
int eventsPerSession()
{
    bool ok = false;
    const int events = qEnvironmentVariableIntValue("TARNWICK_SESSION_EVENTS", &ok);
    return ok && events > 0 ? events : kFullSession;
}

class MouseSessionTest : public ::testing::TestWithParam<unsigned> { };

TEST_P(MouseSessionTest, KeepsThePegsThePicturesAndTheDragStateInStep)
{
    MouseSession session(GetParam());
    session.run(eventsPerSession());
    if (eventsPerSession() >= kFullSession) {
        // The session must really play, not only shuffle pegs in setup.
        EXPECT_GT(session.jumps(), 50);
        EXPECT_GT(session.gamesEnded(), 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, MouseSessionTest, ::testing::Values(1U, 2U, 3U));

} // namespace
} // namespace tarnwick
