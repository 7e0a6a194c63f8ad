#pragma once

#include "TwipGeometry.h"

namespace tarnwick {

/// The rules window's client area (it is centred, so only the size counts).
inline constexpr TwipRect kRulesClientTwips { 0, 0, 8250, 5505 };

/// Where "OK" sits in the rules window's client area.
inline constexpr TwipRect kOkButtonTwips { 3240, 4920, 1095, 375 };

/// The rules window's background, teal, as red, green and blue.
inline constexpr int kTealRed = 0;
inline constexpr int kTealGreen = 128;
inline constexpr int kTealBlue = 128;

} // namespace tarnwick
