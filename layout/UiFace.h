#pragma once

#include <array>
#include <cmath>
#include <string_view>

namespace tarnwick {

/// A font the windows ask for. The game was laid out around two classic
/// bitmap faces that no platform here has; each front-end asks for the
/// stand-ins below instead, at the same size and weight.
struct UiFace {
    /// Faces in order of preference on Linux and in the browser. Nimbus Sans
    /// is a Helvetica clone, narrow enough for the rules to fit their window;
    /// Liberation Sans and Arial share its advance widths.
    std::array<std::string_view, 4> families;
    /// The face on Windows, present on every Windows 10 and 11, which scales
    /// with the screen where the bitmap faces did not.
    std::string_view windowsFace;
    /// The size in points; at 96 dpi a point is 4/3 of a pixel.
    double points = 0;
    bool bold = false;

    /// The size in whole pixels at @p dpi, rounded to the nearest.
    [[nodiscard]] int pixelsAt(int dpi) const
    {
        return static_cast<int>(std::lround(points * dpi / 72.0));
    }
};

inline constexpr std::array<std::string_view, 4> kSansFamilies { "Nimbus Sans", "Liberation Sans",
    "Arial", "Helvetica" };

/// The push buttons' captions: "MS Sans Serif", 8.25 pt, bold.
inline constexpr UiFace kButtonFont { kSansFamilies, "Microsoft Sans Serif", 8.25, true };

/// The rules window's printed lines: "System", 9.75 pt, bold.
inline constexpr UiFace kPrintFont { kSansFamilies, "Tahoma", 9.75, true };

} // namespace tarnwick
