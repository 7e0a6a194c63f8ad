#include "MonitorRecorder.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace tarnwick::test {

namespace {

// 2 ms blocks: fine enough to time the first sound of a cue.
constexpr std::size_t kBlockSamples = MonitorRecorder::kSampleRate / 500;

// The session's processor waits are read every 10 ms: often enough to
// time a dropout, seldom enough to cost little.
constexpr std::size_t kBlocksPerWaitSample = 5;

// How long stop() waits for the blocks the sink played before it.
constexpr std::chrono::seconds kCatchUpLimit { 1 };

std::string sessionTag()
{
    const char* tag = std::getenv("TARNWICK_SESSION_TAG");
    return tag != nullptr ? tag : "";
}

} // namespace

MonitorRecorder::MonitorRecorder(std::string source, bool watchWaits)
    : m_source(std::move(source))
    , m_watchWaits(watchWaits)
    , m_processorWait("TARNWICK_SESSION_TAG", sessionTag())
{ }

MonitorRecorder::~MonitorRecorder()
{
    stop();
}

bool MonitorRecorder::start(std::string* error)
{
    const pa_sample_spec sampleFormat { PA_SAMPLE_S16LE, kSampleRate, 1 };
    // Small fragments, so blocks arrive as soon as the sink plays them.
    const pa_buffer_attr buffering { static_cast<std::uint32_t>(-1), static_cast<std::uint32_t>(-1),
        static_cast<std::uint32_t>(-1), static_cast<std::uint32_t>(-1),
        static_cast<std::uint32_t>(kBlockSamples * sizeof(std::int16_t)) };
    int code = 0;
    m_stream = pa_simple_new(nullptr, "tarnwick sound test", PA_STREAM_RECORD, m_source.c_str(),
        "monitor", &sampleFormat, nullptr, &buffering, &code);
    if (m_stream == nullptr) {
        if (error != nullptr) {
            *error = pa_strerror(code);
        }
        return false;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = false;
        m_samples.clear();
        m_blocks.clear();
    }
    if (m_watchWaits) {
        m_processorWait.reset();
        m_processorWait.sample();
    }
    m_thread = std::thread([this] { run(); });
    return true;
}

void MonitorRecorder::run()
{
    std::vector<std::int16_t> block(kBlockSamples);
    for (std::size_t count = 1;; ++count) {
        int code = 0;
        if (pa_simple_read(m_stream, block.data(), block.size() * sizeof(std::int16_t), &code)
            < 0) {
            return;
        }
        const auto arrived = Clock::now();
        const pa_usec_t latency = pa_simple_get_latency(m_stream, &code);
        if (m_watchWaits && count % kBlocksPerWaitSample == 0) {
            m_processorWait.sample();
        }
        const std::lock_guard lock(m_mutex);
        for (const std::int16_t sample : block) {
            m_samples.push_back(static_cast<float>(sample) / 32768.0F);
        }
        const Clock::time_point heard = arrived - std::chrono::microseconds(latency);
        m_blocks.push_back({ m_samples.size(), heard });
        // What the sink played before stop() may still be on its way, late
        // on a loaded machine; wait for it, but not for a server that stalls.
        if (m_stopping && (heard >= m_stopAt || arrived >= m_stopAt + kCatchUpLimit)) {
            return;
        }
    }
}

std::vector<float> MonitorRecorder::stop()
{
    if (m_stream == nullptr) {
        return {};
    }
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_stopAt = Clock::now();
    }
    m_thread.join();
    pa_simple_free(m_stream);
    m_stream = nullptr;
    const std::lock_guard lock(m_mutex);
    return m_samples;
}

std::size_t MonitorRecorder::sampleCount() const
{
    const std::lock_guard lock(m_mutex);
    return m_samples.size();
}

std::vector<float> MonitorRecorder::samplesFrom(std::size_t first) const
{
    const std::lock_guard lock(m_mutex);
    if (first >= m_samples.size()) {
        return {};
    }
    return { m_samples.begin() + static_cast<std::ptrdiff_t>(first), m_samples.end() };
}

MonitorRecorder::Clock::time_point MonitorRecorder::timeOfSample(std::size_t index) const
{
    const std::lock_guard lock(m_mutex);
    const auto block = std::upper_bound(m_blocks.begin(), m_blocks.end(), index,
        [](std::size_t wanted, const Block& b) { return wanted < b.end; });
    if (block == m_blocks.end()) {
        return Clock::time_point::max();
    }
    const auto samplesAfter = static_cast<long long>(block->end - 1 - index);
    return block->heard - std::chrono::microseconds(samplesAfter * 1000000 / kSampleRate);
}

MonitorRecorder::Clock::duration MonitorRecorder::processorWait(
    double fromSeconds, double toSeconds, Clock::duration lead) const
{
    const auto index = [](double seconds) {
        return static_cast<std::size_t>(std::max(0.0, seconds) * kSampleRate);
    };
    const Clock::time_point from = timeOfSample(index(fromSeconds));
    const Clock::time_point to = timeOfSample(index(toSeconds));
    if (from == Clock::time_point::max()) {
        return Clock::duration::zero();
    }
    return m_processorWait.waitingTime(from - lead, to);
}

bool MonitorRecorder::waitForRealTime(std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    std::string error;
    while (Clock::now() < deadline) {
        if (!start(&error)) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const std::size_t before = sampleCount();
        const auto from = Clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        const std::size_t after = sampleCount();
        const double seconds = std::chrono::duration<double>(Clock::now() - from).count();
        stop();
        if (static_cast<double>(after - before) >= 0.95 * seconds * kSampleRate) {
            return true;
        }
    }
    return false;
}

} // namespace tarnwick::test
