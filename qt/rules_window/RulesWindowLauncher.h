#pragma once

#include <QPointer>

class QScreen;

namespace tarnwick {

class frm_Rules;

/// Opens the rules window for the game window that owns it: at most one at a
/// time, created afresh after each close, and closed with its owner.
class RulesWindowLauncher {
public:
    RulesWindowLauncher() = default;
    /// Closes the rules window if it is open.
    ~RulesWindowLauncher();

    RulesWindowLauncher(const RulesWindowLauncher&) = delete;
    RulesWindowLauncher& operator=(const RulesWindowLauncher&) = delete;

    /// "HELP": creates the rules window, centres it on @p screen and shows it
    /// when it is not open; otherwise only raises and activates it, where it is.
    void Command2_Click(QScreen* screen);

    /// The open rules window, or nullptr when none is open.
    frm_Rules* window() const;

    /// Closes the rules window if it is open, as its OK button does.
    void closeWindow();

private:
    QPointer<frm_Rules> m_window;
};

} // namespace tarnwick
