#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tarnwick {

/// Platform layer: finds out whether the window system Qt will use can be
/// reached, and if not, why. Where none can, Qt's own failure is an abort
/// and a core dump; the program ends with one clear line instead.
///
/// Only the X11 connection is probed (through libxcb, on Linux); any other
/// platform asked for (offscreen, Wayland, ...) is left to Qt.
class DisplayCheck {
public:
    /// What decides where the window goes.
    struct Environment {
        std::optional<std::string> platform; ///< QT_QPA_PLATFORM or "-platform NAME".
        std::optional<std::string> display; ///< DISPLAY.
        std::optional<std::string> waylandDisplay; ///< WAYLAND_DISPLAY.
    };

    /// Tells whether an X server answers at the given DISPLAY value.
    using XProbe = std::function<bool(const std::string& display)>;

    /// Reads the environment of this process and Qt's "-platform" argument.
    static Environment fromProcess(int argc, const char* const* argv);

    /// One line saying why no window can be shown, or nothing when one can
    /// (as far as can be told before Qt starts).
    static std::optional<std::string> problem(const Environment& environment, const XProbe& probe);

    /// Connects to the X server at @p display and disconnects again.
    static bool canConnectToX(const std::string& display);
};

} // namespace tarnwick
