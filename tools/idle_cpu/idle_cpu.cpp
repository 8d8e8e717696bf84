// Processor time per thread from /proc/PID/task, for the idle-screen measurements.
#include "idle_cpu.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

namespace {

// Clock ticks of user plus system time of one task, -1 when it cannot be read.
long long TaskTicks(pid_t pid, pid_t tid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid) + "/stat");
    std::string line;
    if (!std::getline(in, line)) return -1;
    // The name may hold blanks and parentheses: the fields start after the last ')'.
    const size_t close = line.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(line.substr(close + 2));
    std::string field;
    long long utime = -1;
    long long stime = -1;
    // Fields 3 (state) onwards; utime and stime are fields 14 and 15.
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number == 14) utime = std::stoll(field);
        if (number == 15) stime = std::stoll(field);
    }
    return utime < 0 || stime < 0 ? -1 : utime + stime;
}

std::string TaskName(pid_t pid, pid_t tid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

std::map<pid_t, long long> AllTicks(pid_t pid) {
    std::map<pid_t, long long> ticks;
    std::error_code error;
    for (const auto& entry :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        const pid_t tid = static_cast<pid_t>(std::stol(entry.path().filename().string()));
        const long long t = TaskTicks(pid, tid);
        if (t >= 0) ticks[tid] = t;
    }
    return ticks;
}

}  // namespace

bool IdleCpu_Measure(pid_t pid, double seconds, ProcessCpu& result) {
    result = ProcessCpu{};
    result.pid = pid;
    const double tick_s = 1.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
    const std::map<pid_t, long long> before = AllTicks(pid);
    if (before.empty()) return false;
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const std::map<pid_t, long long> after = AllTicks(pid);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (after.empty() || result.seconds <= 0) return false;
    long long total = 0;
    for (const auto& [tid, ticks] : after) {
        const auto was = before.find(tid);
        const long long spent = ticks - (was == before.end() ? 0 : was->second);
        total += spent;
        result.threads.push_back({tid, TaskName(pid, tid),
                                  100.0 * static_cast<double>(spent) * tick_s / result.seconds});
    }
    result.percent = 100.0 * static_cast<double>(total) * tick_s / result.seconds;
    return true;
}

std::string IdleCpu_Report(const std::string& title, const ProcessCpu& result) {
    char line[160];
    std::snprintf(line, sizeof line, "%s: %.2f %% of a core over %.1f s\n", title.c_str(),
                  result.percent, result.seconds);
    std::string report = line;
    // The first thread named "program" is the program thread; threads it starts (SDL's audio
    // thread) inherit its name.
    pid_t program_tid = 0;
    for (const ThreadCpu& thread : result.threads) {
        if (thread.name == "program" && program_tid == 0) program_tid = thread.tid;
    }
    // A runtime that does not name its threads: they are told apart by the order of creation.
    const char* const by_order[] = {"SDL timer", "program", "timer-event"};
    size_t unnamed = 0;
    double all_but_sdl_timer = 0;
    for (const ThreadCpu& thread : result.threads) {
        std::string label;
        if (thread.tid == result.pid) {
            label = "start-up (display loop)";
        } else if (thread.tid == program_tid || thread.name == "timer-event") {
            label = thread.name;
        } else if (program_tid == 0) {
            label = unnamed < 3 ? by_order[unnamed] : "SDL audio or other";
            ++unnamed;
        } else {
            label = thread.tid < program_tid && unnamed++ == 0 ? "SDL timer" : "SDL audio or other";
        }
        if (label != "SDL timer") all_but_sdl_timer += thread.percent;
        std::snprintf(line, sizeof line, "  %-24s %7d  %6.2f %%\n", label.c_str(),
                      static_cast<int>(thread.tid), thread.percent);
        report += line;
    }
    std::snprintf(line, sizeof line, "  %-24s %7s  %6.2f %%\n", "all but SDL timer", "",
                  all_but_sdl_timer);
    return report + line;
}
