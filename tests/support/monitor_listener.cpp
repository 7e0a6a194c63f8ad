// Tells another test program, a browser test say, when the private audio
// server's sink sounds: the stretches of sound the monitor recorder hears,
// timed by the monotonic clock that both programs read.
//
//   tarnwick_monitor_listener [SOURCE]
//
// Prints "ready" once the server delivers the monitor in real time, then one
// line "sound START END" (milliseconds of CLOCK_MONOTONIC, when the sink
// played the first and last loud sample) for each stretch of sound, as soon
// as 20 ms of quiet end it. Ends, with the open stretch printed, when its
// input closes.
#include "MonitorRecorder.h"

#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <poll.h>
#include <unistd.h>

namespace {

using tarnwick::test::MonitorRecorder;

// About -40 dBFS: far above the null sink's silence, far below any cue.
constexpr float kLoud = 0.01F;
constexpr std::size_t kQuietToEnd = MonitorRecorder::kSampleRate / 50;

double milliseconds(MonitorRecorder::Clock::time_point time)
{
    return std::chrono::duration<double, std::milli>(time.time_since_epoch()).count();
}

/// Finds the stretches of sound as the samples come in.
class SpanFinder {
public:
    explicit SpanFinder(const MonitorRecorder& recorder)
        : m_recorder(recorder)
    { }

    /// Takes the samples that follow those already taken.
    void take(const std::vector<float>& fresh)
    {
        for (const float sample : fresh) {
            if (std::fabs(sample) >= kLoud) {
                if (m_start && m_next - m_lastLoud > kQuietToEnd) {
                    print();
                }
                if (!m_start) {
                    m_start = m_next;
                }
                m_lastLoud = m_next;
            }
            ++m_next;
        }
        if (m_start && m_next - m_lastLoud > kQuietToEnd) {
            print();
        }
    }

    /// Prints the stretch still sounding, if any.
    void finish()
    {
        if (m_start) {
            print();
        }
    }

    std::size_t taken() const { return m_next; }

private:
    void print()
    {
        std::printf("sound %.1f %.1f\n", milliseconds(m_recorder.timeOfSample(*m_start)),
            milliseconds(m_recorder.timeOfSample(m_lastLoud)));
        std::fflush(stdout);
        m_start.reset();
    }

    const MonitorRecorder& m_recorder;
    std::size_t m_next = 0;
    std::optional<std::size_t> m_start;
    std::size_t m_lastLoud = 0;
};

/// Waits up to @p timeout for the input; false once it has closed.
bool inputStillOpen(std::chrono::milliseconds timeout)
{
    pollfd input { STDIN_FILENO, POLLIN, 0 };
    if (poll(&input, 1, static_cast<int>(timeout.count())) <= 0) {
        return true;
    }
    char discarded[256];
    return read(STDIN_FILENO, discarded, sizeof discarded) > 0;
}

} // namespace

int main(int argc, char** argv)
{
    static_assert(MonitorRecorder::Clock::is_steady);
    MonitorRecorder recorder(argc > 1 ? argv[1] : "test.monitor", false);
    std::string error;
    if (!recorder.waitForRealTime(std::chrono::seconds(20)) || !recorder.start(&error)) {
        std::fprintf(stderr, "tarnwick_monitor_listener: %s does not record in real time %s\n",
            argc > 1 ? argv[1] : "test.monitor", error.c_str());
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    SpanFinder finder(recorder);
    while (inputStillOpen(std::chrono::milliseconds(10))) {
        finder.take(recorder.samplesFrom(finder.taken()));
    }
    recorder.stop();
    finder.take(recorder.samplesFrom(finder.taken()));
    finder.finish();
    return 0;
}
