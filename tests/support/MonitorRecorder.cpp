#include "MonitorRecorder.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace tarnwick::test {

namespace {

// 2 ms blocks: fine enough to time the first sound of a cue.
constexpr std::size_t kBlockSamples = MonitorRecorder::kSampleRate / 500;

} // namespace

MonitorRecorder::MonitorRecorder(std::string source)
    : m_source(std::move(source))
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
    m_thread = std::thread([this] { run(); });
    return true;
}

void MonitorRecorder::run()
{
    std::vector<std::int16_t> block(kBlockSamples);
    for (;;) {
        int code = 0;
        if (pa_simple_read(m_stream, block.data(), block.size() * sizeof(std::int16_t), &code)
            < 0) {
            return;
        }
        const auto arrived = Clock::now();
        const pa_usec_t latency = pa_simple_get_latency(m_stream, &code);
        const std::lock_guard lock(m_mutex);
        for (const std::int16_t sample : block) {
            m_samples.push_back(static_cast<float>(sample) / 32768.0F);
        }
        m_blocks.push_back({ m_samples.size(), arrived - std::chrono::microseconds(latency) });
        if (m_stopping) {
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
