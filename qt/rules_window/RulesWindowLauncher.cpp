#include "RulesWindowLauncher.h"

#include "frm_Rules.h"

namespace tarnwick {

RulesWindowLauncher::~RulesWindowLauncher()
{
    // Deleted at once rather than closed: the event loop that would carry out
    // a deferred delete may already have ended.
    delete m_window.data();
}

void RulesWindowLauncher::Command2_Click(QScreen* screen)
{
    if (frm_Rules* open = window()) {
        open->raise();
        open->activateWindow();
        return;
    }
    m_window = new frm_Rules;
    m_window->Form_Load(screen);
    m_window->show();
}

frm_Rules* RulesWindowLauncher::window() const
{
    // A closed window is gone for the player even while Qt has yet to delete it.
    if (m_window == nullptr || m_window->isHidden()) {
        return nullptr;
    }
    return m_window.data();
}

void RulesWindowLauncher::closeWindow()
{
    if (frm_Rules* open = window()) {
        open->close();
    }
}

} // namespace tarnwick
