#pragma once

class QKeyEvent;
class QWidget;

namespace tarnwick {

/// Lets Enter press the focused push button of @p window, as Space does.
/// Outside a dialog Qt leaves Enter to the window, and auto-default buttons
/// would make themselves default ones, which these windows have none of.
/// Returns true when @p event was such an Enter and the button was clicked.
bool pressFocusedButtonOnEnter(QWidget& window, const QKeyEvent& event);

} // namespace tarnwick
