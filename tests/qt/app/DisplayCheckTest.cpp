#include "DisplayCheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarnwick {
namespace {

using Environment = DisplayCheck::Environment;

struct DisplayCase {
    const char* name;
    Environment environment;
    bool xAnswers;
    /// Empty when the program goes on to start Qt; else a piece of the line.
    std::string problem;
};

void PrintTo(const DisplayCase& c, std::ostream* os)
{
    *os << c.name;
}

class DisplayCheckCases : public ::testing::TestWithParam<DisplayCase> { };

TEST_P(DisplayCheckCases, StartsQtOnlyWhereAWindowCanShow)
{
    const DisplayCase& c = GetParam();
    std::vector<std::string> probed;
    const auto probe = [&](const std::string& display) {
        probed.push_back(display);
        return c.xAnswers;
    };
    const auto problem = DisplayCheck::problem(c.environment, probe);
    if (c.problem.empty()) {
        EXPECT_FALSE(problem.has_value()) << *problem;
        return;
    }
    ASSERT_TRUE(problem.has_value());
    EXPECT_NE(problem->find(c.problem), std::string::npos) << *problem;
    EXPECT_EQ(problem->find('\n'), std::string::npos) << "one line";
    EXPECT_EQ(problem->rfind("tarnwick: ", 0), 0U) << *problem;
    if (c.environment.display) {
        EXPECT_EQ(probed, std::vector<std::string> { *c.environment.display });
    } else {
        EXPECT_TRUE(probed.empty()) << "nothing to probe";
    }
}

const DisplayCase kCases[] = {
    { "XServerAnswers", { {}, ":0", {} }, true, "" },
    { "NoDisplayAtAll", { {}, {}, {} }, true, "DISPLAY is not set" },
    { "DisplayPointsNowhere", { {}, ":99", {} }, false, "cannot open display \":99\"" },
    { "XcbAskedForWithoutDisplay", { "xcb", {}, {} }, true, "DISPLAY is not set" },
    { "XcbWithOptionsPointsNowhere", { "xcb:nograb", ":7", {} }, false, "\":7\"" },
    { "OffscreenNeedsNoDisplay", { "offscreen", {}, {} }, false, "" },
    { "OffscreenWithOptions", { "offscreen:fontengine=freetype", ":5", {} }, false, "" },
    { "WaylandSessionWithoutDisplay", { {}, {}, "wayland-0" }, false, "" },
    { "WaylandBesideADeadXServer", { {}, ":3", "wayland-0" }, false, "" },
    { "XcbOrWaylandFallsBackToWayland", { "xcb;wayland", {}, "wayland-0" }, false, "" },
    { "EmptyRequestIsQtsOwnChoice", { ";", {}, {} }, false, "DISPLAY is not set" },
};

INSTANTIATE_TEST_SUITE_P(Environments, DisplayCheckCases, ::testing::ValuesIn(kCases),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DisplayCheckTest, PlatformArgumentOverridesTheVariable)
{
    const char* argv[] = { "tarnwick", "-platform", "offscreen" };
    EXPECT_EQ(DisplayCheck::fromProcess(3, argv).platform, "offscreen");
    const char* dangling[] = { "tarnwick", "-platform" };
    const auto environment = DisplayCheck::fromProcess(2, dangling);
    EXPECT_NE(environment.platform, std::optional<std::string>("-platform"));
}

} // namespace
} // namespace tarnwick
