#pragma once

#include <string_view>

namespace tarnwick {

/// The end-of-game messages, exactly as the player reads them.
inline constexpr std::string_view kWinnerMessage = "You're A Winner";
inline constexpr std::string_view kLoserMessage = "You're A Loser";

} // namespace tarnwick
