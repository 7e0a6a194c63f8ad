// Measures the sound cues against a private audio server (run through
// scripts/session.py --pulse by scripts/benchmark-sound.sh), the player warmed up
// as the game does once its window shows:
//  - the player's cost before the window appears,
//  - wall time of playCue() on the calling (interface) thread,
//  - latency from playCue() to the first sound at the sink: the run's first
//    cue on its own, then 20 with nothing playing (the device closed, as
//    after a pause) and 20 replacing a playing cue,
//  - processor time of the game over the 10 s after its last cue, and over
//    the 10 s after those, idle with the device closed.
#include "CueFolder.h"
#include "MonitorRecorder.h"
#include "SdlAudioOutput.h"
#include "WaveBuilder.h"
#include "WaveCuePlayer.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using tarnwick::test::MonitorRecorder;

double processorSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double threadProcessorMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double millisecondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? NAN : values[values.size() / 2];
}

double worst(const std::vector<double>& values)
{
    return values.empty() ? NAN : *std::max_element(values.begin(), values.end());
}

const char* verdict(bool met)
{
    return met ? "ok" : "OVER TARGET";
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    constexpr int kPlays = 20;
    constexpr double kCallTarget = 0.2;
    constexpr double kLatencyTarget = 15.0;
    constexpr double kLatencyWorst = 30.0;
    constexpr double kBusyTarget = 30.0;
    constexpr double kBusyWorst = 50.0;
    constexpr double kIdleTarget = 0.005;
    // About -46 dBFS: the first audible sample of a cue.
    constexpr float kAudible = 0.005F;

    MonitorRecorder recorder("test.monitor");
    if (!recorder.waitForRealTime(std::chrono::seconds(20))) {
        std::fprintf(stderr, "the audio server's monitor does not keep up; no figures\n");
        return 1;
    }

    const auto beforePlayer = Clock::now();
    tarnwick::WaveCuePlayer player(QStringLiteral(TARNWICK_DEFAULT_CUE_DIR));
    const double constructMs = millisecondsBetween(beforePlayer, Clock::now());
    // The same pick-up beside a silent winner cue, for the second series.
    QTemporaryDir busyFolder;
    QFile::copy(tarnwick::CueFolder(QStringLiteral(TARNWICK_DEFAULT_CUE_DIR))
                    .filePath(tarnwick::Cue::pickup),
        tarnwick::CueFolder(busyFolder.path()).filePath(tarnwick::Cue::pickup));
    QFile silent(tarnwick::CueFolder(busyFolder.path()).filePath(tarnwick::Cue::winner));
    if (!silent.open(QIODevice::WriteOnly)) {
        return 1;
    }
    silent.write(QByteArray::fromStdString(
        tarnwick::test::WaveBuilder::encode({}, std::vector<float>(48000, 0.0F))));
    silent.close();
    tarnwick::WaveCuePlayer busyPlayer(busyFolder.path());
    QWidget window;
    window.show();
    player.warmUp();
    busyPlayer.warmUp();

    std::string error;
    if (!recorder.start(&error)) {
        std::fprintf(stderr, "cannot record the monitor: %s\n", error.c_str());
        return 1;
    }
    QTest::qWait(300);
    // First series: each play opens the device anew, as a cue after a pause
    // in the game does. Second series: the device is open and busy with a
    // (silent) cue when the pick-up starts, as in a quick move.
    std::vector<Clock::time_point> calls;
    std::vector<Clock::time_point> busyCalls;
    std::vector<double> callMs;
    // The thread's own processor time too: where wall time is far above it,
    // the thread was kept off the processor (by the kernel or, in a virtual
    // machine, by its host), not working.
    std::vector<double> callCpuMs;
    const auto timedPlay = [&](tarnwick::WaveCuePlayer& cues, tarnwick::Cue cue) {
        const double cpuBefore = threadProcessorMs();
        const auto before = Clock::now();
        cues.playCue(cue);
        callMs.push_back(millisecondsBetween(before, Clock::now()));
        callCpuMs.push_back(threadProcessorMs() - cpuBefore);
        return before;
    };
    // The first cue of the run: its file is read and decoded first.
    calls.push_back(timedPlay(player, tarnwick::Cue::pegdrop));
    QTest::qWait(600);
    for (int i = 0; i < kPlays; ++i) {
        calls.push_back(timedPlay(player, tarnwick::Cue::pickup));
        QTest::qWait(600);
    }
    for (int i = 0; i < kPlays; ++i) {
        timedPlay(busyPlayer, tarnwick::Cue::winner);
        QTest::qWait(100);
        busyCalls.push_back(timedPlay(busyPlayer, tarnwick::Cue::pickup));
        QTest::qWait(600);
    }
    const std::vector<float> samples = recorder.stop();

    const auto latenciesOf = [&](const std::vector<Clock::time_point>& starts) {
        std::vector<double> found;
        std::size_t index = 0;
        for (const auto call : starts) {
            while (index < samples.size() && recorder.timeOfSample(index) < call) {
                ++index;
            }
            while (index < samples.size() && std::abs(samples[index]) < kAudible) {
                ++index;
            }
            if (index < samples.size()) {
                found.push_back(millisecondsBetween(call, recorder.timeOfSample(index)));
            }
        }
        return found;
    };
    std::vector<double> latencies = latenciesOf(calls);
    const double first = latencies.empty() ? NAN : latencies.front();
    if (!latencies.empty()) {
        latencies.erase(latencies.begin());
    }
    const std::vector<double> busyLatencies = latenciesOf(busyCalls);

    // Let the last cue play out, then leave the game alone: first for the
    // 10 s after the cue, in which the device stays open a while for the
    // rest of a move, then for 10 s more with it closed.
    QTest::qWait(1000);
    const auto idleFor10Seconds = [] {
        // A plain event loop, as the game's: QTest::qWait would poll every 10 ms.
        QEventLoop idle;
        // A timer of its own: the static single shot's slot object reads as a
        // leak to the analyser.
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &idle, &QEventLoop::quit);
        timer.start(10000);
        const double before = processorSeconds();
        idle.exec();
        return processorSeconds() - before;
    };
    const double afterCueSeconds = idleFor10Seconds();
    const double idleSeconds = idleFor10Seconds();

    std::printf("sound: player construction before the window shows: %.3f ms\n", constructMs);
    std::printf("sound: playCue() wall time on the calling thread: median %.4f ms, worst %.4f ms "
                "(target <= %.1f ms) %s\n",
        median(callMs), worst(callMs), kCallTarget,
        verdict(median(callMs) <= kCallTarget && worst(callMs) <= kCallTarget));
    std::printf("sound: playCue() processor time of the calling thread: median %.4f ms, worst "
                "%.4f ms\n",
        median(callCpuMs), worst(callCpuMs));
    std::printf(
        "sound: latency of the run's first cue (read, decoded, device opened): %.1f ms\n", first);
    std::printf(
        "sound: latency play call -> first sound at the sink, nothing playing: median of %zu "
        "%.1f ms, worst %.1f ms (target <= %.0f / %.0f ms) %s\n",
        latencies.size(), median(latencies), worst(latencies), kLatencyTarget, kLatencyWorst,
        verdict(median(latencies) <= kLatencyTarget && worst(latencies) <= kLatencyWorst));
    std::printf("sound: latency replacing a playing cue: median of %zu %.1f ms, worst %.1f ms "
                "(target <= %.0f / %.0f ms) %s\n",
        busyLatencies.size(), median(busyLatencies), worst(busyLatencies), kBusyTarget, kBusyWorst,
        verdict(median(busyLatencies) <= kBusyTarget && worst(busyLatencies) <= kBusyWorst));
    std::printf("sound: processor time over the 10 s after the last cue (device open %lld s of "
                "them): %.4f s\n",
        static_cast<long long>(tarnwick::SdlAudioOutput::kKeepOpen.count()), afterCueSeconds);
    std::printf("sound: idle processor time over the next 10 s, device closed: %.4f s (target <= "
                "%.3f s) %s\n",
        idleSeconds, kIdleTarget, verdict(idleSeconds <= kIdleTarget));
    return latencies.size() == static_cast<std::size_t>(kPlays) ? 0 : 1;
}
