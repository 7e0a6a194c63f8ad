#include "frm_Rules.h"

#include "AccessibleRoles.h"
#include "EnterKey.h"
#include "PainterLinePrinter.h"
#include "QtText.h"
#include "UiFonts.h"
#include "WindowCentring.h"
#include "WindowTexts.h"

#include <QApplication>
#include <QColor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QScreen>

namespace tarnwick {

namespace {

const QColor kTeal(kTealRed, kTealGreen, kTealBlue);
const QColor kTextColour(Qt::black);

QMargins frameMarginsOf(const QWidget& window)
{
    const QRect outer = window.frameGeometry();
    const QRect inner = window.geometry();
    return { inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
        outer.bottom() - inner.bottom() };
}

} // namespace

frm_Rules::frm_Rules()
    : QWidget(nullptr,
        // A fixed single border with a close button only: setFixedSize alone
        // still leaves a maximise button on some window managers.
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    installAccessibleRoles();
    setAttribute(Qt::WA_DeleteOnClose);
    // The game window decides when the program ends; an open rules window
    // must not keep it running.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(qtText(kRulesCaption));
    // The rules are painted, not kept in a widget: screen readers get them here.
    QStringList spokenLines;
    for (const std::string_view line : kRulesLines) {
        const QString spoken = qtText(line).trimmed();
        if (!spoken.isEmpty()) {
            spokenLines.append(spoken);
        }
    }
    setAccessibleDescription(spokenLines.join(QLatin1Char('\n')));
    setFixedSize(kClientSize);

    QPalette colours = palette();
    colours.setColor(QPalette::Window, kTeal);
    colours.setColor(QPalette::WindowText, kTextColour);
    setPalette(colours);
    setAutoFillBackground(true);
    setFont(UiFonts::printFont());

    m_okButton = new QPushButton(qtText(kOkCaption), this);
    m_okButton->setObjectName(QStringLiteral("btn_OK"));
    m_okButton->setGeometry(kOkButtonGeometry);
    m_okButton->setFont(UiFonts::buttonFont());
    m_okButton->setFocus();
    connect(m_okButton, &QPushButton::clicked, this, &frm_Rules::btn_OK_Click);
}

void frm_Rules::Form_Load(QScreen* screen)
{
    m_screen = screen != nullptr ? screen : QGuiApplication::primaryScreen();
    setScreen(m_screen);
    const QMargins frame = knownFrame();
    m_awaitingFrame = frame.isNull();
    centre(m_awaitingFrame ? estimatedFrame() : frame);
}

void frm_Rules::Form_Paint(LinePrinter& printer) const
{
    for (const std::string_view line : kRulesLines) {
        printer.printLine(qtText(line));
    }
}

void frm_Rules::btn_OK_Click()
{
    close();
}

void frm_Rules::keyPressEvent(QKeyEvent* event)
{
    if (!pressFocusedButtonOnEnter(*this, *event)) {
        QWidget::keyPressEvent(event);
    }
}

void frm_Rules::paintEvent(QPaintEvent* /*event*/)
{
    // The text is not kept anywhere: every paint prints all of it again.
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    PainterLinePrinter printer(painter);
    Form_Paint(printer);
}

void frm_Rules::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    recentreOnceFramed();
}

void frm_Rules::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    recentreOnceFramed();
}

void frm_Rules::centre(const QMargins& frame)
{
    const QSize outer = size().grownBy(frame);
    // move() places a top-level window by its frame's top-left corner.
    move(centredTopLeft(m_screen->geometry(), outer));
}

QMargins frm_Rules::knownFrame() const
{
    return frameMarginsOf(*this);
}

QMargins frm_Rules::estimatedFrame() const
{
    // Until the window manager frames this window, the frame of another of our
    // windows (the game window) is the best guess: same manager, same title bar.
    for (const QWidget* other : QApplication::topLevelWidgets()) {
        if (other != this && other->isVisible() && other->windowType() == Qt::Window) {
            const QMargins frame = frameMarginsOf(*other);
            if (!frame.isNull()) {
                return frame;
            }
        }
    }
    return {};
}

void frm_Rules::recentreOnceFramed()
{
    // On X11 the frame is known only once the window manager has framed the
    // window, just after it is shown and before the player can move it.
    if (!m_awaitingFrame || !isVisible() || m_screen == nullptr) {
        return;
    }
    const QMargins frame = knownFrame();
    if (frame.isNull()) {
        return;
    }
    m_awaitingFrame = false;
    centre(frame);
}

} // namespace tarnwick
