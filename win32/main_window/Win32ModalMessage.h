#pragma once

#include "ModalMessage.h"
#include "Win32Api.h"

namespace tarnwick {

/// The end-of-game message: a message box captioned "Tarnwick", text only,
/// one OK button, modal to the game window.
class Win32ModalMessage final : public ModalMessage {
public:
    void setOwner(HWND owner) { m_owner = owner; }
    void showMessage(std::string_view text) override;

private:
    HWND m_owner = nullptr;
};

} // namespace tarnwick
