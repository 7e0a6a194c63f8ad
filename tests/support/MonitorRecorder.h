#pragma once

#include "ProcessorWait.h"

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct pa_simple;

namespace tarnwick::test {

/// Records what an audio server's sink plays, through its monitor source,
/// as mono samples, and knows when each block was heard.
class MonitorRecorder {
public:
    using Clock = std::chrono::steady_clock;

    /// Frames per second of the recording.
    static constexpr int kSampleRate = 48000;

    /// Records @p source, e.g. "test.monitor", from the server the
    /// environment names.
    /// With @p watchWaits, also samples how long the session's threads wait
    /// for a processor (processorWait()); a program that only listens has
    /// no use for it, and a browser's many threads make it costly.
    explicit MonitorRecorder(std::string source, bool watchWaits = true);
    ~MonitorRecorder();

    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    /// Connects and starts recording; false (with @p error set) if it cannot.
    bool start(std::string* error);

    /// Stops recording and returns everything the sink played from start()
    /// until now.
    std::vector<float> stop();

    /// Samples recorded so far.
    std::size_t sampleCount() const;

    /// A copy of the samples recorded from @p first on, while recording too.
    std::vector<float> samplesFrom(std::size_t first) const;

    /// When the sink played sample @p index, by the server's own latency
    /// figures: for any sample recorded so far.
    Clock::time_point timeOfSample(std::size_t index) const;

    /// For how long a thread of the test session (this process and the audio
    /// server) waited for a processor, or a processor was stolen by the host,
    /// from @p lead before the sink played the sample at @p fromSeconds until
    /// it played the one at @p toSeconds; only after stop(). See
    /// ProcessorWait::waitingTime.
    Clock::duration processorWait(double fromSeconds, double toSeconds, Clock::duration lead) const;

    /// The same between two moments; only after stop().
    Clock::duration processorWait(Clock::time_point from, Clock::time_point to) const
    {
        return m_processorWait.waitingTime(from, to);
    }

    /// Waits until the server delivers the monitor in real time, as it does
    /// only some seconds after it starts. False if it never does in @p limit.
    bool waitForRealTime(std::chrono::milliseconds limit);

private:
    struct Block {
        std::size_t end = 0; ///< One past the block's last sample.
        Clock::time_point heard {}; ///< When the block's last sample was played.
    };

    void run();

    std::string m_source;
    pa_simple* m_stream = nullptr;
    std::thread m_thread;
    bool m_stopping = false;
    Clock::time_point m_stopAt {}; ///< When stop() was called.
    mutable std::mutex m_mutex;
    std::vector<float> m_samples;
    std::vector<Block> m_blocks;
    bool m_watchWaits = true;
    ProcessorWait m_processorWait; ///< Sampled by the recording thread only.
};

} // namespace tarnwick::test
