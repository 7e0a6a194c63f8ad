// main() for the test programs that need a QApplication.
#include <QApplication>
#include <QtGlobal>

#include <gtest/gtest.h>

namespace {

QtMessageHandler defaultHandler = nullptr;

// The offscreen platform cannot grab the mouse at the system level and says
// so at every drag; Qt still routes the grab inside the program, which is
// what the tests drive.
void quietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (text.startsWith(QLatin1String("This plugin does not support"))) {
        return;
    }
    defaultHandler(type, context, text);
}

} // namespace

int main(int argc, char** argv)
{
    defaultHandler = qInstallMessageHandler(quietOffscreenNotes);
    // gtest_discover_tests runs this program while building, often with no
    // display: draw offscreen unless a platform was asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
