#include "ClockRandomSource.h"
#include "CueFolder.h"
#include "DisplayCheck.h"
#include "Main_form.h"
#include "QtProgramControl.h"
#include "WaveCuePlayer.h"

#include <QApplication>
#include <QEvent>
#include <QTimerEvent>

#include <cstdio>

namespace {

// The game places its windows itself (the board at a fixed spot, the rules
// centred), which a Wayland compositor does not allow. Where XWayland is
// there, use it; otherwise Qt falls back to Wayland and the compositor places.
void preferX11UnderWayland()
{
    const bool platformChosen = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    const bool wayland = qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    const bool xwayland = qEnvironmentVariableIsSet("DISPLAY");
    if (!platformChosen && wayland && xwayland) {
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
    }
}

// Loads the audio library once the window's first frame is drawn: start-up
// then maps none of it, and the first cue does not pay for it either.
class WarmUpAfterFirstFrame final : public QObject {
public:
    explicit WarmUpAfterFirstFrame(tarnwick::WaveCuePlayer& cues)
        : m_cues(cues)
    { }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // After this paint, not before it.
            m_timer = startTimer(0);
        }
        return false;
    }

    void timerEvent(QTimerEvent* /*event*/) override
    {
        killTimer(m_timer);
        m_cues.warmUp();
    }

private:
    tarnwick::WaveCuePlayer& m_cues;
    int m_timer = 0;
};

} // namespace

int main(int argc, char** argv)
{
    preferX11UnderWayland();

    // Without a reachable display Qt aborts with a core dump; say why instead.
    const auto displayProblem = tarnwick::DisplayCheck::problem(
        tarnwick::DisplayCheck::fromProcess(argc, argv), tarnwick::DisplayCheck::canConnectToX);
    if (displayProblem) {
        std::fprintf(stderr, "%s\n", displayProblem->c_str());
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarnwick"));
    // Matches the window to its menu entry and icon (the desktop file's name).
    QApplication::setDesktopFileName(QStringLiteral("org.tarnwick.Tarnwick"));

    tarnwick::WaveCuePlayer cues(tarnwick::CueFolder::programFolder());
    tarnwick::ClockRandomSource random;
    tarnwick::QtProgramControl program;

    tarnwick::Main_form mainForm(cues, random, program);
    WarmUpAfterFirstFrame warmUp(cues);
    mainForm.installEventFilter(&warmUp);
    mainForm.show();
    return QApplication::exec();
}
