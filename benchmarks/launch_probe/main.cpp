// Starts a program and measures, on the X server in DISPLAY:
//  - the time from starting the process to its first top-level window being
//    mapped (MapNotify on the root window, so no polling),
//  - its peak resident memory (VmHWM) when the window is mapped, and once it
//    has settled and idled,
//  - the shared libraries it has mapped when the window is mapped (the first
//    frame follows at once); with LAUNCH_PROBE_LIBS set, their names are
//    written to that file,
//  - the processor time all its threads use while it idles.
// Prints one line: "map_ms=... map_peak_kib=... libs=... peak_kib=...
// idle_cpu_s=...", then ends it.
//
//   tarnwick_launch_probe IDLE_SECONDS COMMAND [ARGS...]
#include <X11/Xlib.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <poll.h>
#include <set>
#include <string>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

double secondsNow()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Processor time of every thread alive now, in seconds, to the nanosecond.
double threadsCpuSeconds(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (dir == nullptr) {
        return -1.0;
    }
    double total = 0.0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        std::ifstream schedstat(tasks + "/" + entry->d_name + "/schedstat");
        double nanoseconds = 0.0;
        if (schedstat >> nanoseconds) {
            total += nanoseconds * 1e-9;
        }
    }
    closedir(dir);
    return total;
}

long peakResidentKib(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

// The shared libraries mapped into the process, by file name.
std::set<std::string> sharedLibraries(pid_t pid)
{
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::set<std::string> names;
    std::string line;
    while (std::getline(maps, line)) {
        const auto slash = line.rfind('/');
        if (slash != std::string::npos && line.find(".so", slash) != std::string::npos) {
            names.insert(line.substr(slash + 1));
        }
    }
    return names;
}

bool waitForMap(Display* display, double deadline)
{
    pollfd connection { ConnectionNumber(display), POLLIN, 0 };
    while (secondsNow() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && event.xmap.override_redirect == False) {
                return true;
            }
        }
        poll(&connection, 1, 50);
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s IDLE_SECONDS COMMAND [ARGS...]\n", argv[0]);
        return 2;
    }
    const int idleSeconds = std::atoi(argv[1]);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "tarnwick_launch_probe: cannot open the display\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    const double started = secondsNow();
    const pid_t pid = fork();
    if (pid == 0) {
        close(ConnectionNumber(display));
        execvp(argv[2], argv + 2);
        std::perror("exec");
        _exit(127);
    }
    const bool mapped = waitForMap(display, started + 30.0);
    const double mapSeconds = secondsNow() - started;
    const long mapPeak = peakResidentKib(pid);
    const std::set<std::string> libraries = sharedLibraries(pid);
    if (const char* listFile = std::getenv("LAUNCH_PROBE_LIBS")) {
        std::ofstream list(listFile);
        for (const auto& name : libraries) {
            list << name << "\n";
        }
    }

    // Settle, then idle with the window open.
    sleep(1);
    const double cpuBefore = threadsCpuSeconds(pid);
    sleep(static_cast<unsigned>(idleSeconds));
    const double cpuAfter = threadsCpuSeconds(pid);
    const long peak = peakResidentKib(pid);

    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    XCloseDisplay(display);
    if (!mapped) {
        std::fprintf(stderr, "tarnwick_launch_probe: no window was mapped\n");
        return 1;
    }
    std::printf("map_ms=%.1f map_peak_kib=%ld libs=%zu peak_kib=%ld idle_cpu_s=%.4f\n",
        mapSeconds * 1000.0, mapPeak, libraries.size(), peak, cpuAfter - cpuBefore);
    return 0;
}
