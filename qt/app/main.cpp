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
#include <cstdlib>
#include <mutex>
#include <vector>

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

// Without a reachable display Qt prints a few lines, then aborts with a core
// dump. While Qt starts, its messages are held back: should it fail, and the
// display check tells why, that one line is all the player reads and the
// program ends with status 1. Otherwise everything held back is passed on as
// it came. Asking the X server only then keeps a second connection out of
// every start-up.
class StartUpMessages final {
public:
    StartUpMessages(int argc, char** argv)
        : m_environment(tarnwick::DisplayCheck::fromProcess(argc, argv))
    {
        const std::lock_guard lock(s_mutex);
        s_instance = this;
        s_previous = qInstallMessageHandler(&StartUpMessages::hold);
    }

    ~StartUpMessages() { release(); }

    StartUpMessages(const StartUpMessages&) = delete;
    StartUpMessages& operator=(const StartUpMessages&) = delete;

    /// Passes on what was held back, and from now on every message at once.
    void release()
    {
        std::vector<Held> held;
        {
            const std::lock_guard lock(s_mutex);
            if (s_instance != this) {
                return;
            }
            qInstallMessageHandler(s_previous);
            s_instance = nullptr;
            held.swap(m_held);
        }
        for (const Held& message : held) {
            const QMessageLogContext context(
                message.file, message.line, message.function, message.category);
            s_previous(message.type, context, message.text);
        }
    }

private:
    // The context's strings are literals and the categories' own names.
    struct Held {
        QtMsgType type;
        const char* file;
        int line;
        const char* function;
        const char* category;
        QString text;
    };

    // Qt's own threads (the X event reader among them) may report too.
    static void hold(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        std::unique_lock lock(s_mutex);
        StartUpMessages* self = s_instance;
        if (self == nullptr) {
            lock.unlock();
            s_previous(type, context, text);
            return;
        }
        if (type != QtFatalMsg) {
            self->m_held.push_back(Held {
                type, context.file, context.line, context.function, context.category, text });
            return;
        }
        lock.unlock();
        const auto problem = tarnwick::DisplayCheck::problem(
            self->m_environment, tarnwick::DisplayCheck::canConnectToX);
        if (problem) {
            std::fprintf(stderr, "%s\n", problem->c_str());
            std::_Exit(1);
        }
        // Not a display Qt could not reach: its own story, then its abort.
        self->release();
        s_previous(type, context, text);
    }

    static inline std::mutex s_mutex;
    static inline StartUpMessages* s_instance = nullptr;
    static inline QtMessageHandler s_previous = nullptr;
    tarnwick::DisplayCheck::Environment m_environment;
    std::vector<Held> m_held;
};

} // namespace

int main(int argc, char** argv)
{
    preferX11UnderWayland();

    StartUpMessages startUpMessages(argc, argv);
    QApplication app(argc, argv);
    startUpMessages.release();
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
