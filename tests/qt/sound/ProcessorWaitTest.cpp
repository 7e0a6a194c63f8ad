#include "ProcessorWait.h"
#include "ToneAnalysis.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <string>
#include <vector>

namespace tarnwick::test {
namespace {

using std::chrono::milliseconds;

/// A wait the kernel counted: @p by more for @p waiter in the sample at @p at.
struct Jump {
    const char* waiter = "";
    int at = 0; ///< ms
    int by = 0; ///< ms
};

struct WaitCase {
    const char* name = "";
    std::vector<Jump> jumps;
    int from = 0; ///< ms
    int to = 0; ///< ms
    int expected = 0; ///< ms
    const char* lateThread = ""; ///< First seen at 100 ms, already with a count.
};

TEST(ProcessorWaitTest, CountsEachMomentSomeThreadWaitedOnce)
{
    const WaitCase cases[] = {
        { "nobody waited", {}, 0, 200, 0 },
        { "one wait inside", { { "game", 100, 80 } }, 0, 200, 80 },
        { "one wait, its end asked about", { { "game", 100, 80 } }, 50, 200, 50 },
        { "one wait, its start asked about", { { "game", 100, 80 } }, 0, 60, 40 },
        { "two threads at once", { { "game", 100, 80 }, { "server", 100, 80 } }, 0, 200, 80 },
        { "a server then a game", { { "server", 60, 50 }, { "game", 110, 50 } }, 0, 200, 100 },
        { "a processor stolen", { { "cpu1 stolen", 50, 30 } }, 0, 200, 30 },
        { "before the span", { { "game", 40, 30 } }, 60, 200, 0 },
        { "a thread that starts late", {}, 0, 200, 0, "late" },
    };
    for (const WaitCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProcessorWait waits("UNUSED", "");
        const auto start = ProcessorWait::Clock::time_point {} + std::chrono::hours(1);
        std::map<std::string, std::int64_t> counts { { "game", 5'000'000 }, { "server", 0 },
            { "cpu1 stolen", 0 } };
        for (int at = 0; at <= 300; at += 10) {
            for (const Jump& jump : c.jumps) {
                if (jump.at == at) {
                    counts[jump.waiter] += std::chrono::nanoseconds(milliseconds(jump.by)).count();
                }
            }
            if (at == 100 && *c.lateThread != '\0') {
                counts[c.lateThread] = 70'000'000;
            }
            waits.add({ start + milliseconds(at), counts });
        }
        EXPECT_EQ(std::chrono::duration_cast<milliseconds>(
                      waits.waitingTime(start + milliseconds(c.from), start + milliseconds(c.to))),
            milliseconds(c.expected));
    }
}

TEST(ProcessorWaitTest, WatchesThisProcessTheProcessesOfItsSessionAndEachProcessor)
{
    // A process of the session, as the audio server is, and one of another.
    char sleep[] = "sleep";
    char seconds[] = "5";
    char* arguments[] = { sleep, seconds, nullptr };
    char tagged[] = "TARNWICK_PROCESSOR_WAIT_TEST=session";
    char other[] = "TARNWICK_PROCESSOR_WAIT_TEST=other";
    char* taggedEnvironment[] = { tagged, nullptr };
    char* otherEnvironment[] = { other, nullptr };
    pid_t inSession = 0;
    pid_t outside = 0;
    ASSERT_EQ(posix_spawnp(&inSession, sleep, nullptr, nullptr, arguments, taggedEnvironment), 0);
    ASSERT_EQ(posix_spawnp(&outside, sleep, nullptr, nullptr, arguments, otherEnvironment), 0);

    ProcessorWait waits("TARNWICK_PROCESSOR_WAIT_TEST", "session");
    waits.reset();
    waits.sample();
    kill(inSession, SIGKILL);
    kill(outside, SIGKILL);
    waitpid(inSession, nullptr, 0);
    waitpid(outside, nullptr, 0);

    ASSERT_EQ(waits.samples().size(), 1U);
    const auto watched = [&](const std::string& prefix) {
        const auto& waiters = waits.samples()[0].waitNanoseconds;
        return std::any_of(waiters.begin(), waiters.end(),
            [&](const auto& waiter) { return waiter.first.starts_with(prefix); });
    };
    EXPECT_TRUE(watched("/proc/" + std::to_string(getpid()) + "/task/"));
    EXPECT_TRUE(watched("/proc/" + std::to_string(inSession) + "/task/"));
    EXPECT_FALSE(watched("/proc/" + std::to_string(outside) + "/task/"));
    EXPECT_TRUE(watched("cpu0 stolen"));
}

struct HoleCase {
    const char* name = "";
    double hole = 0.0; ///< Seconds of silence in the tone.
    bool explained = false; ///< What the check of long gaps answers.
    std::size_t spans = 0;
    bool asked = false; ///< Whether the check is asked at all.
};

TEST(ProcessorWaitTest, OnlyAnExplainedDropoutLongerThanTheBridgedOnesJoinsATone)
{
    constexpr int kRate = 48000;
    constexpr double kFrequency = 1000.0;
    constexpr double kHoleStart = 0.3;
    const HoleCase cases[] = {
        { "short, bridged", 0.02, false, 1, false },
        { "long, unexplained", 0.085, false, 2, true },
        { "long, explained", 0.085, true, 1, true },
    };
    for (const HoleCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<float> samples(kRate);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const double t = static_cast<double>(i) / kRate;
            // The tone sounds from 0.1 s to 0.8 s, but for the hole.
            const bool silent = t < 0.1 || t >= 0.8 || (t >= kHoleStart && t < kHoleStart + c.hole);
            samples[i] = silent
                ? 0.0F
                : static_cast<float>(0.4 * std::sin(2.0 * std::numbers::pi * kFrequency * t));
        }
        const ToneAnalysis analysis(samples, kRate);
        bool asked = false;
        const auto spans
            = analysis.spans(kFrequency, 0.2, 0.03, [&](const ToneAnalysis::Span& gap) {
                  asked = true;
                  EXPECT_NEAR(gap.start, kHoleStart, 0.01);
                  EXPECT_NEAR(gap.end, kHoleStart + c.hole, 0.01);
                  return c.explained;
              });
        EXPECT_EQ(asked, c.asked);
        ASSERT_EQ(spans.size(), c.spans);
        if (c.spans == 1) {
            // The tone's own length: the dropout is not counted as heard.
            EXPECT_NEAR(spans[0].length(), 0.7 - c.hole, 0.01);
        }
    }
}

} // namespace
} // namespace tarnwick::test
