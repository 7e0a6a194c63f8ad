// The rules window on a real X server under openbox, where the frame arrives
// only after the window is shown. Positions are read back from the server.
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

QString runTool(const QString& program, WId window, const char* property = nullptr)
{
    QStringList arguments { QStringLiteral("-id"), QString::number(window) };
    if (property != nullptr) {
        arguments << QString::fromLatin1(property);
    }
    QProcess tool;
    tool.start(program, arguments);
    tool.waitForFinished(5000);
    return QString::fromLocal8Bit(tool.readAllStandardOutput());
}

QString property(WId window, const char* name)
{
    return runTool(QStringLiteral("xprop"), window, name);
}

// The client's absolute position and size grown by the frame extents the
// window manager announced; nothing until it has framed the window.
std::optional<QRect> framedRect(WId window)
{
    const QRegularExpressionMatch client = QRegularExpression(
        QStringLiteral(R"(Absolute upper-left X:\s+(-?\d+)\s+Absolute upper-left Y:\s+(-?\d+).*)"
                       R"(Width:\s+(\d+).*Height:\s+(\d+))"),
        QRegularExpression::DotMatchesEverythingOption)
                                               .match(runTool(QStringLiteral("xwininfo"), window));
    const QRegularExpressionMatch frame
        = QRegularExpression(QStringLiteral(R"(= (\d+), (\d+), (\d+), (\d+))"))
              .match(property(window, "_NET_FRAME_EXTENTS"));
    if (!client.hasMatch() || !frame.hasMatch()) {
        return std::nullopt;
    }
    const auto at = [](const QRegularExpressionMatch& m, int i) { return m.captured(i).toInt(); };
    return QRect(at(client, 1), at(client, 2), at(client, 3), at(client, 4))
        .adjusted(-at(frame, 1), -at(frame, 3), at(frame, 2), at(frame, 4));
}

bool isCentred(WId window)
{
    const std::optional<QRect> framed = framedRect(window);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return framed && std::abs(framed->left() - (screen.width() - framed->width()) / 2) <= 1
        && std::abs(framed->top() - (screen.height() - framed->height()) / 2) <= 1;
}

bool waitUntil(const std::function<bool()>& done)
{
    for (int tries = 0; tries < 100 && !done(); ++tries) {
        QTest::qWait(50);
    }
    return done();
}

class RulesUnderOpenbox : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"))
            << "run through scripts/session.py run --wm openbox";
    }

    // "HELP", then waits until the window manager has framed the window.
    frm_Rules* help()
    {
        m_launcher.Command2_Click(QGuiApplication::primaryScreen());
        frm_Rules* window = m_launcher.window();
        const bool framed = window != nullptr && QTest::qWaitForWindowExposed(window)
            && waitUntil([id = window->winId()] { return framedRect(id).has_value(); });
        return framed ? window : nullptr;
    }

    RulesWindowLauncher m_launcher;
};

TEST_F(RulesUnderOpenbox, FramedWindowIsCentredStaysWhereMovedAndIsCentredAfterOk)
{
    QPointer<frm_Rules> first = help();
    ASSERT_FALSE(first.isNull()) << "never framed";
    const WId firstId = first->winId();
    EXPECT_TRUE(waitUntil([firstId] { return isCentred(firstId); }));
    EXPECT_GT(framedRect(firstId).value_or(QRect()).height(), 367) << "no title bar";

    const QPoint moved(40, 30);
    first->move(moved);
    const auto isMoved = [&] { return framedRect(firstId).value_or(QRect()).topLeft() == moved; };
    ASSERT_TRUE(waitUntil(isMoved));
    EXPECT_EQ(help(), first.data());
    QTest::qWait(300);
    EXPECT_TRUE(isMoved()) << "HELP moved the open window";

    QTest::mouseClick(first->btn_OK(), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(first.isNull());
    frm_Rules* second = help();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(waitUntil([id = second->winId()] { return isCentred(id); }));
}

// Openbox keeps minimising for every normal window whatever the window asks,
// so for the buttons the Motif hints the window sets are checked instead.
TEST_F(RulesUnderOpenbox, OffersNoMaximiseNorResizeAndAsksForNoMinimise)
{
    frm_Rules* window = help();
    ASSERT_NE(window, nullptr);
    const QString allowed = property(window->winId(), "_NET_WM_ALLOWED_ACTIONS");
    ASSERT_TRUE(allowed.contains(QStringLiteral("_NET_WM_ACTION_CLOSE"))) << allowed.toStdString();
    EXPECT_FALSE(allowed.contains(QStringLiteral("_NET_WM_ACTION_MAXIMIZE")));
    EXPECT_FALSE(allowed.contains(QStringLiteral("_NET_WM_ACTION_RESIZE")));
    EXPECT_TRUE(
        property(window->winId(), "_NET_WM_NAME").contains(QStringLiteral("\"Tarnwick Rules\"")));

    const QRegularExpressionMatch motif
        = QRegularExpression(QStringLiteral(R"(= (0x[0-9a-f]+), (0x[0-9a-f]+), (0x[0-9a-f]+))"))
              .match(property(window->winId(), "_MOTIF_WM_HINTS"));
    ASSERT_TRUE(motif.hasMatch());
    // Flags 3: functions and decorations given. Functions: 1 all, 8 minimise,
    // 16 maximise, 32 close. Decorations: 1 all, 8 title, 32/64 min/max buttons.
    EXPECT_EQ(motif.captured(1).toUInt(nullptr, 16) & 0x3U, 0x3U);
    EXPECT_EQ(motif.captured(2).toUInt(nullptr, 16) & 0x39U, 0x20U);
    EXPECT_EQ(motif.captured(3).toUInt(nullptr, 16) & 0x69U, 0x8U);
}

} // namespace
} // namespace tarnwick
