// The rules window on a real X server with a window manager: what the player
// sees is the framed window, and the frame arrives only after it is shown.
#include "RulesWindowLauncher.h"
#include "frm_Rules.h"

#include <QGuiApplication>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace tarnwick {
namespace {

QString runTool(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(5000) || tool.exitCode() != 0) {
        return {};
    }
    return QString::fromLocal8Bit(tool.readAllStandardOutput());
}

QString property(WId window, const char* name)
{
    return runTool(QStringLiteral("xprop"),
        { QStringLiteral("-id"), QString::number(window), QString::fromLatin1(name) });
}

// The framed window as the X server has it: the client's absolute position
// and size, grown by the frame extents the window manager announced.
std::optional<QRect> framedRect(WId window)
{
    const QString info
        = runTool(QStringLiteral("xwininfo"), { QStringLiteral("-id"), QString::number(window) });
    const QRegularExpression field(
        QStringLiteral(R"(Absolute upper-left X:\s+(-?\d+).*Absolute upper-left Y:\s+(-?\d+).*)"
                       R"(Width:\s+(\d+).*Height:\s+(\d+))"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch client = field.match(info);
    const QRegularExpressionMatch extents
        = QRegularExpression(QStringLiteral(R"(= (\d+), (\d+), (\d+), (\d+))"))
              .match(property(window, "_NET_FRAME_EXTENTS"));
    if (!client.hasMatch() || !extents.hasMatch()) {
        return std::nullopt;
    }
    const int left = extents.captured(1).toInt();
    const int right = extents.captured(2).toInt();
    const int top = extents.captured(3).toInt();
    const int bottom = extents.captured(4).toInt();
    return QRect(client.captured(1).toInt() - left, client.captured(2).toInt() - top,
        client.captured(3).toInt() + left + right, client.captured(4).toInt() + top + bottom);
}

bool isCentred(const QRect& framed)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return std::abs(framed.left() - (screen.width() - framed.width()) / 2) <= 1
        && std::abs(framed.top() - (screen.height() - framed.height()) / 2) <= 1;
}

bool isCentredNow(WId window)
{
    const std::optional<QRect> framed = framedRect(window);
    return framed && isCentred(*framed);
}

std::optional<QPoint> framedCorner(WId window)
{
    const std::optional<QRect> framed = framedRect(window);
    return framed ? std::optional<QPoint>(framed->topLeft()) : std::nullopt;
}

// Polls until @p done holds, for at most five seconds.
bool waitUntil(const std::function<bool()>& done)
{
    for (int tries = 0; tries < 100; ++tries) {
        if (done()) {
            return true;
        }
        QTest::qWait(50);
    }
    return done();
}

class RulesUnderWindowManager : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"))
            << "run through run-under-openbox.sh";
    }

    void TearDown() override
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Opens the rules and waits until the window manager has framed them.
    frm_Rules* openAndWaitForFrame()
    {
        m_launcher.Command2_Click(QGuiApplication::primaryScreen());
        frm_Rules* window = m_launcher.window();
        if (window == nullptr || !QTest::qWaitForWindowExposed(window)) {
            return nullptr;
        }
        const WId id = window->winId();
        if (!waitUntil([id] { return framedRect(id).has_value(); })) {
            return nullptr;
        }
        return window;
    }

    RulesWindowLauncher m_launcher;
};

TEST_F(RulesUnderWindowManager, OpensWithItsFrameCentredOnTheScreen)
{
    frm_Rules* window = openAndWaitForFrame();
    ASSERT_NE(window, nullptr) << "the window manager never framed the window";
    const WId id = window->winId();

    std::optional<QRect> framed;
    const bool centred = waitUntil([&] {
        framed = framedRect(id);
        return framed && isCentred(*framed);
    });
    ASSERT_TRUE(framed.has_value());
    EXPECT_TRUE(centred) << "framed at " << framed->x() << "," << framed->y() << " size "
                         << framed->width() << "x" << framed->height();
    // A real frame, not just the client area.
    EXPECT_GT(framed->height(), frm_Rules::kClientSize.height());
    EXPECT_EQ(window->size(), frm_Rules::kClientSize);
}

// The window manager's own answer for maximising and resizing. Openbox keeps
// minimising for every normal window whatever the client asks, so for the
// buttons the hints the window sets are what can be checked.
TEST_F(RulesUnderWindowManager, AllowsNeitherMaximiseNorResize)
{
    frm_Rules* window = openAndWaitForFrame();
    ASSERT_NE(window, nullptr);
    const QString allowed = property(window->winId(), "_NET_WM_ALLOWED_ACTIONS");
    ASSERT_TRUE(allowed.contains(QStringLiteral("_NET_WM_ACTION_CLOSE"))) << allowed.toStdString();
    EXPECT_TRUE(allowed.contains(QStringLiteral("_NET_WM_ACTION_MOVE")));
    EXPECT_FALSE(allowed.contains(QStringLiteral("_NET_WM_ACTION_MAXIMIZE")));
    EXPECT_FALSE(allowed.contains(QStringLiteral("_NET_WM_ACTION_RESIZE")));
    EXPECT_TRUE(
        property(window->winId(), "_NET_WM_NAME").contains(QStringLiteral("\"Tarnwick Rules\"")));
}

TEST_F(RulesUnderWindowManager, AsksForNoMinimiseOrMaximiseButton)
{
    frm_Rules* window = openAndWaitForFrame();
    ASSERT_NE(window, nullptr);
    const QString hints = property(window->winId(), "_MOTIF_WM_HINTS");
    const QRegularExpressionMatch fields
        = QRegularExpression(QStringLiteral(R"(= (0x[0-9a-f]+), (0x[0-9a-f]+), (0x[0-9a-f]+))"))
              .match(hints);
    ASSERT_TRUE(fields.hasMatch()) << hints.toStdString();
    const uint flags = fields.captured(1).toUInt(nullptr, 16);
    const uint functions = fields.captured(2).toUInt(nullptr, 16);
    const uint decorations = fields.captured(3).toUInt(nullptr, 16);

    // Motif: flags 1 functions, 2 decorations; function bits 1 all,
    // 8 minimise, 16 maximise, 32 close; decoration bits 1 all, 8 title,
    // 32 minimise button, 64 maximise button.
    ASSERT_EQ(flags & 0x3U, 0x3U);
    EXPECT_EQ(functions & (0x1U | 0x8U | 0x10U), 0U);
    EXPECT_NE(functions & 0x20U, 0U);
    EXPECT_EQ(decorations & (0x1U | 0x20U | 0x40U), 0U);
    EXPECT_NE(decorations & 0x8U, 0U);
}

TEST_F(RulesUnderWindowManager, StaysWhereMovedOnHelpAndIsCentredAgainAfterOk)
{
    QPointer<frm_Rules> first = openAndWaitForFrame();
    ASSERT_FALSE(first.isNull());
    const WId firstId = first->winId();
    ASSERT_TRUE(waitUntil([firstId] { return isCentredNow(firstId); }));

    const QPoint moved(40, 30);
    first->move(moved);
    ASSERT_TRUE(waitUntil([&] { return framedCorner(firstId) == moved; }))
        << "the window manager did not move the window";

    m_launcher.Command2_Click(QGuiApplication::primaryScreen());
    QTest::qWait(300);
    EXPECT_EQ(m_launcher.window(), first.data());
    EXPECT_EQ(framedCorner(firstId), std::optional<QPoint>(moved)) << "HELP moved the open window";

    QTest::mouseClick(first->btn_OK(), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(first.isNull());

    frm_Rules* second = openAndWaitForFrame();
    ASSERT_NE(second, nullptr);
    const WId secondId = second->winId();
    EXPECT_TRUE(waitUntil([secondId] { return isCentredNow(secondId); }));
}

} // namespace
} // namespace tarnwick
