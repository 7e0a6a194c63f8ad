#include "ProcessorWait.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

namespace tarnwick::test {

namespace {

// Threads come and go (the audio device's thread starts with the first
// cue); looking for them at every sample would cost more than the samples.
constexpr int kSamplesPerScan = 25;

std::string readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
}

/// The second figure of a schedstat file: nanoseconds spent runnable but
/// not running; -1 if the thread has gone.
std::int64_t runDelay(const std::string& schedstat)
{
    std::ifstream file(schedstat);
    std::int64_t running = 0;
    std::int64_t waiting = -1;
    file >> running >> waiting;
    return file ? waiting : -1;
}

/// Adds the time the host stole from each processor, as /proc/stat counts it.
void addStolen(std::map<std::string, std::int64_t>& waits)
{
    const long ticks = sysconf(_SC_CLK_TCK);
    std::ifstream file("/proc/stat");
    std::string line;
    while (ticks > 0 && std::getline(file, line) && line.starts_with("cpu")) {
        std::istringstream fields(line);
        std::string name;
        fields >> name;
        if (name == "cpu") {
            continue; // all processors together
        }
        // user nice system idle iowait irq softirq steal
        std::int64_t value = 0;
        std::int64_t steal = 0;
        for (int i = 0; i < 8 && fields >> value; ++i) {
            steal = value;
        }
        waits.emplace(name + " stolen", steal * (1000000000 / ticks));
    }
}

} // namespace

ProcessorWait::ProcessorWait(std::string tagName, std::string tagValue)
    : m_tag(std::move(tagName) + "=" + std::move(tagValue))
{ }

void ProcessorWait::reset()
{
    m_samples.clear();
    m_processes = { "/proc/" + std::to_string(getpid()) };
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos
            || name == std::to_string(getpid())) {
            continue;
        }
        const std::string environment = readFile(entry.path().string() + "/environ");
        std::size_t start = 0;
        while (start < environment.size()) {
            const std::size_t end = std::min(environment.find('\0', start), environment.size());
            if (environment.compare(start, end - start, m_tag) == 0) {
                m_processes.push_back(entry.path().string());
                break;
            }
            start = end + 1;
        }
    }
    m_samplesSinceScan = kSamplesPerScan;
}

void ProcessorWait::findThreads()
{
    m_threads.clear();
    for (const std::string& process : m_processes) {
        std::error_code error;
        for (const auto& task : std::filesystem::directory_iterator(process + "/task", error)) {
            m_threads.push_back(task.path().string() + "/schedstat");
        }
    }
    m_samplesSinceScan = 0;
}

void ProcessorWait::sample()
{
    if (++m_samplesSinceScan >= kSamplesPerScan) {
        findThreads();
    }
    Sample now { Clock::now(), {} };
    addStolen(now.waitNanoseconds);
    for (const std::string& thread : m_threads) {
        if (const std::int64_t delay = runDelay(thread); delay >= 0) {
            now.waitNanoseconds.emplace(thread, delay);
        }
    }
    m_samples.push_back(std::move(now));
}

ProcessorWait::Clock::duration ProcessorWait::waitingTime(
    Clock::time_point from, Clock::time_point to) const
{
    // The kernel adds a wait to a thread's count when the thread gets its
    // processor, so a count that grew by W between two samples stands for a
    // wait that ended in between and began at most W before the later one.
    std::vector<std::pair<Clock::time_point, Clock::time_point>> waits;
    for (std::size_t i = 1; i < m_samples.size(); ++i) {
        const Sample& before = m_samples[i - 1];
        const Sample& after = m_samples[i];
        for (const auto& [waiter, count] : after.waitNanoseconds) {
            const auto previous = before.waitNanoseconds.find(waiter);
            if (previous != before.waitNanoseconds.end() && count > previous->second) {
                waits.emplace_back(
                    after.taken - std::chrono::nanoseconds(count - previous->second), after.taken);
            }
        }
    }
    // How much of [from, to] the waits cover, each moment counted once.
    std::sort(waits.begin(), waits.end());
    Clock::duration covered {};
    Clock::time_point reached = from;
    for (const auto& [begin, end] : waits) {
        const Clock::time_point start = std::max(begin, reached);
        const Clock::time_point stop = std::min(end, to);
        if (stop > start) {
            covered += stop - start;
            reached = stop;
        }
    }
    return covered;
}

} // namespace tarnwick::test
