#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

/// A shared UTF-8 text as the wide-character Windows APIs take it.
std::wstring wideText(std::string_view text);

} // namespace tarnwick
