#include "EnterKey.h"

#include <QKeyEvent>
#include <QPushButton>

namespace tarnwick {

bool pressFocusedButtonOnEnter(QWidget& window, const QKeyEvent& event)
{
    const bool enter = event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter;
    // The keypad's Enter carries the keypad modifier; anything else is a chord.
    const bool plain = (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    auto* button = qobject_cast<QPushButton*>(window.focusWidget());
    if (!enter || !plain || button == nullptr || button->window() != &window) {
        return false;
    }
    button->click();
    return true;
}

} // namespace tarnwick
