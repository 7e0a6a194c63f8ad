#pragma once

#include "ModalMessage.h"

class QWidget;

namespace tarnwick {

/// The end-of-game message: the text alone, one OK button, no icon, and the
/// program's name as caption. Blocks the whole program until closed.
class QtModalMessage final : public ModalMessage {
public:
    explicit QtModalMessage(QWidget* parent);

    void showMessage(std::string_view text) override;

private:
    QWidget* m_parent;
};

} // namespace tarnwick
