// The rules window on its own: what it prints, how it looks, how it closes.
#include "LinePrinter.h"
#include "RulesText.h"
#include "UiFonts.h"
#include "frm_Rules.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
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

// The rules as the player must read them, spelled out independently of the code.
const std::vector<QString> kExpectedLines {
    QString(),
    QStringLiteral(" Tarnwick is a simple game where the object is to have only one peg"),
    QStringLiteral(
        " remaining at the end of the game.  When you jump a piece that piece is removed"),
    QStringLiteral(" from the board.  Play continues until you have no more legal moves left."),
    QStringLiteral(
        " Thats all there is to it.  This game may look simple but it is quite difficult"),
    QStringLiteral(" to master"),
    QString(),
    QStringLiteral(" First you must set up the board in any configuration you like."),
    QStringLiteral(" After you have placed you fourteen pegs in the starting places"),
    QStringLiteral(" you press the start game button."),
    QString(),
};

class RulesWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_window = new frm_Rules;
        m_window->Form_Load(QGuiApplication::primaryScreen());
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window));
    }

    void TearDown() override
    {
        delete m_window.data();
        // Windows closed by a test are deleted once events run.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    static void runDeferredDeletes()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QPointer<frm_Rules> m_window;
};

TEST_F(RulesWindow, PrintsTheElevenLinesFromTheTopInOrder)
{
    RecordingPrinter printer;
    m_window->Form_Paint(printer);
    EXPECT_EQ(printer.lines, kExpectedLines);
}

TEST_F(RulesWindow, EveryLineFitsItsWindowInTheChosenFace)
{
    const QFont font = m_window->font();
    EXPECT_TRUE(QFontInfo(font).family().startsWith(UiFonts::preferredFamily()))
        << "fell back to " << QFontInfo(font).family().toStdString()
        << "; is scripts/setup.sh run?";
    EXPECT_TRUE(font.bold());
    EXPECT_EQ(font.pixelSize(), 13);

    const QFontMetrics metrics(font);
    for (const QString& line : kExpectedLines) {
        EXPECT_LT(metrics.horizontalAdvance(line), frm_Rules::kClientSize.width())
            << line.toStdString();
    }
    // All eleven lines stay above the OK button.
    EXPECT_LE(metrics.height() * static_cast<int>(kExpectedLines.size()),
        frm_Rules::kOkButtonGeometry.top());
}

TEST_F(RulesWindow, PaintsBlackTextOnTealWhereEachLineBelongs)
{
    const QImage shot = m_window->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), frm_Rules::kClientSize) << "scale factor is not 1";

    const QFontMetrics metrics(m_window->font());
    const int lineHeight = metrics.height();
    const QRect button = frm_Rules::kOkButtonGeometry;
    for (int index = 0; index < static_cast<int>(kExpectedLines.size()); ++index) {
        const QString& line = kExpectedLines[index];
        const int top = index * lineHeight;
        int left = shot.width();
        int right = -1;
        int darkest = 255;
        for (int y = top; y < top + lineHeight; ++y) {
            for (int x = 0; x < shot.width(); ++x) {
                const QColor pixel = shot.pixelColor(x, y);
                if (pixel != kTeal) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    darkest
                        = std::min(darkest, std::max({ pixel.red(), pixel.green(), pixel.blue() }));
                }
            }
        }
        SCOPED_TRACE("line " + std::to_string(index + 1));
        if (line.isEmpty()) {
            EXPECT_EQ(right, -1) << "an empty line shows ink";
            continue;
        }
        // Ink starts after the leading space and ends where the text does.
        EXPECT_GT(left, 0);
        EXPECT_LE(left, metrics.horizontalAdvance(QLatin1Char(' ')) + 2);
        EXPECT_NEAR(right, metrics.horizontalAdvance(line), 3);
        EXPECT_LT(darkest, 40) << "text is not black";
    }

    // Below the text, everything but the button is plain teal.
    const int textBottom = lineHeight * static_cast<int>(kExpectedLines.size());
    for (int y = textBottom; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            if (!button.contains(x, y)) {
                ASSERT_EQ(shot.pixelColor(x, y), kTeal) << "at " << x << "," << y;
            }
        }
    }
}

TEST_F(RulesWindow, IsAFixedOwnerlessWindowWithItsCaptionAndColours)
{
    EXPECT_EQ(m_window->windowTitle(), QStringLiteral("Tarnwick Rules"));
    EXPECT_EQ(m_window->parentWidget(), nullptr);
    EXPECT_EQ(m_window->windowModality(), Qt::NonModal);
    EXPECT_EQ(m_window->size(), QSize(550, 367));
    EXPECT_EQ(m_window->minimumSize(), QSize(550, 367));
    EXPECT_EQ(m_window->maximumSize(), QSize(550, 367));

    const Qt::WindowFlags flags = m_window->windowFlags();
    EXPECT_EQ(m_window->windowType(), Qt::Window);
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(m_window->testAttribute(Qt::WA_SetWindowIcon)) << "keeps the default icon";

    EXPECT_EQ(m_window->palette().color(QPalette::Window), kTeal);
    EXPECT_EQ(m_window->palette().color(QPalette::WindowText), QColor(Qt::black));
}

TEST_F(RulesWindow, OkButtonSitsBelowTheTextWithTheFocus)
{
    QPushButton* ok = m_window->btn_OK();
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->objectName(), QStringLiteral("btn_OK"));
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_EQ(ok->geometry(), QRect(216, 328, 73, 25));
    EXPECT_TRUE(ok->font().bold());
    EXPECT_EQ(ok->font().pixelSize(), 11);
    EXPECT_FALSE(ok->isDefault());

    QApplication::setActiveWindow(m_window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_window));
    EXPECT_EQ(QApplication::focusWidget(), ok);
}

TEST_F(RulesWindow, EscapeLeavesItOpen)
{
    QTest::keyClick(m_window->btn_OK(), Qt::Key_Escape);
    QTest::keyClick(m_window, Qt::Key_Escape);
    runDeferredDeletes();
    ASSERT_FALSE(m_window.isNull());
    EXPECT_TRUE(m_window->isVisible());
}

struct CloseCase {
    const char* name;
    void (*act)(frm_Rules&);
};

class RulesWindowCloses : public RulesWindow, public ::testing::WithParamInterface<CloseCase> { };

TEST_P(RulesWindowCloses, AndIsUnloaded)
{
    GetParam().act(*m_window);
    EXPECT_FALSE(m_window->isVisible());
    runDeferredDeletes();
    EXPECT_TRUE(m_window.isNull()) << "closed but not deleted";
}

INSTANTIATE_TEST_SUITE_P(Ways, RulesWindowCloses,
    ::testing::Values(
        CloseCase { "Enter", [](frm_Rules& w) { QTest::keyClick(w.btn_OK(), Qt::Key_Enter); } },
        CloseCase { "Return", [](frm_Rules& w) { QTest::keyClick(w.btn_OK(), Qt::Key_Return); } },
        CloseCase { "Space", [](frm_Rules& w) { QTest::keyClick(w.btn_OK(), Qt::Key_Space); } },
        CloseCase { "Click", [](frm_Rules& w) { QTest::mouseClick(w.btn_OK(), Qt::LeftButton); } },
        // What the platform sends when the player closes it through its frame.
        CloseCase { "Frame",
            [](frm_Rules& w) {
                QCloseEvent request;
                QCoreApplication::sendEvent(w.windowHandle(), &request);
            } }),
    [](const ::testing::TestParamInfo<CloseCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace tarnwick
