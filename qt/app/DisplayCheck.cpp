#include "DisplayCheck.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <vector>

#ifdef TARNWICK_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace tarnwick {

namespace {

std::optional<std::string> variable(const char* name)
{
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return std::string(value);
}

// "xcb;wayland" or "offscreen:fontengine=freetype": the names, options cut off.
// No string streams: their first use sets up the C++ locales, a few hundred
// kilobytes of the start-up's memory.
std::vector<std::string> platformNames(std::string_view request)
{
    std::vector<std::string> names;
    while (!request.empty()) {
        const std::string_view part = request.substr(0, request.find(';'));
        const std::string_view name = part.substr(0, part.find(':'));
        if (!name.empty()) {
            names.emplace_back(name);
        }
        request.remove_prefix(std::min(request.size(), part.size() + 1));
    }
    return names;
}

} // namespace

DisplayCheck::Environment DisplayCheck::fromProcess(int argc, const char* const* argv)
{
    Environment environment { variable("QT_QPA_PLATFORM"), variable("DISPLAY"),
        variable("WAYLAND_DISPLAY") };
    // Qt takes "-platform NAME" (or "--platform NAME") over the variable.
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "-platform" || argument == "--platform") {
            environment.platform = argv[i + 1];
        }
    }
    return environment;
}

std::optional<std::string> DisplayCheck::problem(
    const Environment& environment, const XProbe& probe)
{
    std::vector<std::string> names;
    if (environment.platform) {
        names = platformNames(*environment.platform);
    }
    if (names.empty()) {
        // Qt's own choice: X11, or Wayland in a Wayland session.
        names.emplace_back("xcb");
        if (environment.waylandDisplay) {
            names.emplace_back("wayland");
        }
    }
    for (const std::string& name : names) {
        if (name != "xcb") {
            return std::nullopt; // not ours to judge; Qt reports on it
        }
    }
    if (!environment.display) {
        return std::string("tarnwick: no display to show the game on "
                           "(DISPLAY is not set and there is no Wayland session)");
    }
    if (!probe(*environment.display)) {
        return "tarnwick: cannot open display \"" + *environment.display
            + "\": no X server answers there";
    }
    return std::nullopt;
}

bool DisplayCheck::canConnectToX(const std::string& display)
{
#ifdef TARNWICK_HAVE_XCB
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    const bool connected = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return connected;
#else
    // No X11 here: whatever DISPLAY says is left to Qt.
    (void)display;
    return true;
#endif
}

} // namespace tarnwick
