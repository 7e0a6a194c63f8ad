#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tarnwick::test {

/// How long the threads of a test session waited for a processor, by the
/// kernel's own figures: each thread's run delay (the time it could run but
/// was not running, /proc/.../schedstat) and the time the host stole from
/// the machine's processors (/proc/stat).
///
/// A recording of a real audio server has a dropout when its stream runs
/// dry. Where that is because a loaded machine kept the game's or the
/// server's threads from a processor, the kernel counts it here; where the
/// game handed out silence, or blocked its own audio thread, nobody waited.
class ProcessorWait {
public:
    using Clock = std::chrono::steady_clock;

    /// Watches this process and every process whose environment has
    /// @p tagName set to @p tagValue (the audio server of the session).
    ProcessorWait(std::string tagName, std::string tagValue);

    /// Forgets every sample and finds the processes to watch again.
    void reset();

    /// Reads every watched thread's counters now.
    void sample();

    /// How much of the time between @p from and @p to some watched thread
    /// waited for a processor or some processor was stolen, each moment
    /// counted once however many waited.
    Clock::duration waitingTime(Clock::time_point from, Clock::time_point to) const;

    /// Counters of one moment: cumulative waits of each thread (by its
    /// schedstat path) and stolen time of each processor ("cpu0 stolen").
    struct Sample {
        Clock::time_point taken {};
        std::map<std::string, std::int64_t> waitNanoseconds;
    };

    /// The samples so far, oldest first.
    const std::vector<Sample>& samples() const { return m_samples; }

    /// For tests of the arithmetic: adds a sample as if it had been read.
    void add(Sample sample) { m_samples.push_back(std::move(sample)); }

private:
    void findThreads();

    std::string m_tag; ///< "NAME=VALUE", as it stands in an environment.
    std::vector<std::string> m_processes; ///< /proc/PID folders.
    std::vector<std::string> m_threads; ///< Their schedstat files.
    int m_samplesSinceScan = 0;
    std::vector<Sample> m_samples;
};

} // namespace tarnwick::test
