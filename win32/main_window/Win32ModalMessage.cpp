#include "Win32ModalMessage.h"

#include "WideText.h"
#include "WindowTexts.h"

namespace tarnwick {

void Win32ModalMessage::showMessage(std::string_view text)
{
    // Owned by the game window, which takes no input while the box is open.
    MessageBoxW(
        m_owner, wideText(text).c_str(), wideText(kMainCaption).c_str(), MB_OK | MB_APPLMODAL);
}

} // namespace tarnwick
