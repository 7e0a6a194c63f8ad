#include "BoardFocus.h"

#include <QKeyEvent>

namespace tarnwick {

BoardFocus::BoardFocus(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

std::optional<BoardKey> BoardFocus::boardKeyFor(const QKeyEvent& event)
{
    // The keypad's keys carry the keypad modifier; anything else is a chord.
    if ((event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        return std::nullopt;
    }
    switch (event.key()) {
    case Qt::Key_Left:
        return BoardKey::left;
    case Qt::Key_Right:
        return BoardKey::right;
    case Qt::Key_Up:
        return BoardKey::up;
    case Qt::Key_Down:
        return BoardKey::down;
    case Qt::Key_Home:
        return BoardKey::home;
    case Qt::Key_End:
        return BoardKey::end;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // A held key picks up and drops once, as a held button clicks once.
        return event.isAutoRepeat() ? std::nullopt : std::optional(BoardKey::activate);
    default:
        return std::nullopt;
    }
}

void BoardFocus::announce(const QString& spoken)
{
    // Qt tells screen readers of the new name itself (AT-SPI's name change).
    setAccessibleName(spoken);
}

void BoardFocus::keyPressEvent(QKeyEvent* event)
{
    if (const std::optional<BoardKey> key = boardKeyFor(*event)) {
        event->accept();
        emit keyDown(*key);
    } else {
        QWidget::keyPressEvent(event);
    }
}

void BoardFocus::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    emit gotFocus();
}

void BoardFocus::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    emit lostFocus();
}

} // namespace tarnwick
