#pragma once

#include <string_view>

namespace tarnwick {

/// A modal message box with one OK button and the program's title.
class ModalMessage {
public:
    virtual ~ModalMessage() = default;

    /// Shows @p text and returns only once the player has closed the box.
    virtual void showMessage(std::string_view text) = 0;
};

} // namespace tarnwick
