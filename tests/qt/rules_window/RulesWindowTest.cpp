// The rules window on its own: what it prints, how it looks, how it closes.
#include "LinePrinter.h"
#include "UiFonts.h"
#include "frm_Rules.h"

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QFontInfo>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace tarnwick {
namespace {

const QColor kTeal(0, 128, 128);

class RecordingPrinter final : public LinePrinter {
public:
    void printLine(QStringView line) override { lines.push_back(line.toString()); }
    std::vector<QString> lines;
};

// Spelled out here, apart from the code, exactly as the player must read them.
const std::vector<QString> kExpectedLines { {},
    " Tarnwick is a simple game where the object is to have only one peg",
    " remaining at the end of the game.  When you jump a piece that piece is removed",
    " from the board.  Play continues until you have no more legal moves left.",
    " Thats all there is to it.  This game may look simple but it is quite difficult", " to master",
    {}, " First you must set up the board in any configuration you like.",
    " After you have placed you fourteen pegs in the starting places",
    " you press the start game button.", {} };

class RulesWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_window = new frm_Rules;
        m_window->Form_Load(nullptr);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window));
    }
    void TearDown() override { delete m_window.data(); }

    QPointer<frm_Rules> m_window;
};

TEST_F(RulesWindow, PrintsTheElevenLinesInOrderEachFittingTheWindow)
{
    RecordingPrinter printer;
    m_window->Form_Paint(printer);
    EXPECT_EQ(printer.lines, kExpectedLines);

    const QFont font = m_window->font();
    EXPECT_TRUE(QFontInfo(font).family().startsWith(UiFonts::preferredFamily()))
        << "fell back to " << QFontInfo(font).family().toStdString();
    EXPECT_TRUE(font.bold());
    EXPECT_EQ(font.pixelSize(), 13);
    const QFontMetrics metrics(font);
    for (const QString& line : kExpectedLines) {
        EXPECT_LT(metrics.horizontalAdvance(line), 550) << line.toStdString();
    }
    EXPECT_LE(metrics.height() * 11, frm_Rules::kOkButtonGeometry.top()) << "text under OK";
}

TEST_F(RulesWindow, PaintsBlackTextOnTealWhereEachLineBelongs)
{
    const QImage shot = m_window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), QSize(550, 367)) << "scale factor is not 1";
    const QFontMetrics metrics(m_window->font());

    // Per line: leftmost and rightmost ink, and its darkest channel maximum.
    std::vector<int> left(kExpectedLines.size(), shot.width());
    std::vector<int> right(kExpectedLines.size(), -1);
    std::vector<int> darkest(kExpectedLines.size(), 255);
    for (int y = 0; y < shot.height(); ++y) {
        const auto line = static_cast<std::size_t>(y / metrics.height());
        for (int x = 0; x < shot.width(); ++x) {
            const QColor pixel = shot.pixelColor(x, y);
            if (pixel == kTeal || frm_Rules::kOkButtonGeometry.contains(x, y)) {
                continue;
            }
            ASSERT_LT(line, kExpectedLines.size()) << "ink below the text at " << x << "," << y;
            left[line] = std::min(left[line], x);
            right[line] = std::max(right[line], x);
            darkest[line]
                = std::min(darkest[line], std::max({ pixel.red(), pixel.green(), pixel.blue() }));
        }
    }
    for (std::size_t line = 0; line < kExpectedLines.size(); ++line) {
        const QString& text = kExpectedLines[line];
        SCOPED_TRACE("line " + std::to_string(line + 1));
        if (text.isEmpty()) {
            EXPECT_EQ(right[line], -1) << "ink on an empty line";
            continue;
        }
        // From just after the leading space to where the text ends, in black.
        EXPECT_GE(left[line], 1);
        EXPECT_LE(left[line], metrics.horizontalAdvance(QLatin1Char(' ')) + 2);
        EXPECT_NEAR(right[line], metrics.horizontalAdvance(text), 3);
        EXPECT_LT(darkest[line], 40);
    }
}

TEST_F(RulesWindow, LooksAsDesignedWithTheFocusOnOk)
{
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Tarnwick Rules"));
    EXPECT_EQ(m_window->parentWidget(), nullptr);
    EXPECT_EQ(m_window->minimumSize(), QSize(550, 367));
    EXPECT_EQ(m_window->maximumSize(), QSize(550, 367));
    EXPECT_FALSE(
        m_window->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(m_window->palette().color(QPalette::Window), kTeal);

    QPushButton* ok = m_window->btn_OK();
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_EQ(ok->geometry(), QRect(216, 328, 73, 25));
    EXPECT_TRUE(ok->font().bold());
    EXPECT_EQ(ok->font().pixelSize(), 11);
    QApplication::setActiveWindow(m_window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window));
    EXPECT_EQ(QApplication::focusWidget(), ok);
    EXPECT_FALSE(ok->isDefault()) << "Escape or Enter elsewhere must not reach it";

    // The painted rules reach screen readers as the window's description.
    const QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(m_window);
    EXPECT_EQ(spoken->role(), QAccessible::Window);
    const QStringList lines = spoken->text(QAccessible::Description).split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines.front(), "Tarnwick is a simple game where the object is to have only one peg");
    EXPECT_EQ(lines.back(), "you press the start game button.");
}

TEST_F(RulesWindow, EscapeLeavesItOpen)
{
    QTest::keyClick(m_window->btn_OK(), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(m_window.isNull());
    EXPECT_TRUE(m_window->isVisible());
}

struct CloseCase {
    const char* how;
    void (*act)(frm_Rules&);
};

void PrintTo(const CloseCase& c, std::ostream* out)
{
    *out << c.how;
}

class RulesWindowCloses : public RulesWindow, public ::testing::WithParamInterface<CloseCase> { };

TEST_P(RulesWindowCloses, AndIsUnloaded)
{
    GetParam().act(*m_window);
    EXPECT_FALSE(m_window->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(m_window.isNull()) << "closed but not deleted";
}

INSTANTIATE_TEST_SUITE_P(Ways, RulesWindowCloses,
    ::testing::Values(
        CloseCase { "Enter", [](frm_Rules& w) { QTest::keyClick(w.btn_OK(), Qt::Key_Enter); } },
        CloseCase { "Return", [](frm_Rules& w) { QTest::keyClick(w.btn_OK(), Qt::Key_Return); } },
        CloseCase { "Space", [](frm_Rules& w) { QTest::keyClick(w.btn_OK(), Qt::Key_Space); } },
        CloseCase { "click", [](frm_Rules& w) { QTest::mouseClick(w.btn_OK(), Qt::LeftButton); } },
        // What the platform sends when the player closes it through its frame.
        CloseCase { "frame", [](frm_Rules& w) {
                       QCloseEvent request;
                       QCoreApplication::sendEvent(w.windowHandle(), &request);
                   } }));

} // namespace
} // namespace tarnwick
