// idle_cpu [--seconds S] [--title TEXT] PID: the processor time of a running process and of each
// of its threads over S seconds (10 by default), as a share of one core.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "idle_cpu.h"
#include "tool_usage.h"

namespace {

constexpr const char* kUsage =
    "usage: idle_cpu [--seconds S] [--title TEXT] PID\n"
    "       the processor time of process PID and of each of its threads over S seconds\n"
    "       (10), as a share of one core\n";

// A positive number, the whole text; 0 when it is not one.
double Positive(const char* text) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    return end != text && *end == '\0' && value > 0 ? value : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (Tool_AskedForHelp(argc, argv)) return Tool_Usage(kUsage, true);
    double seconds = 10.0;
    std::string title = "process";
    pid_t pid = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            seconds = Positive(argv[++i]);
        } else if (arg == "--title" && i + 1 < argc) {
            title = argv[++i];
        } else if (pid == 0) {
            pid = static_cast<pid_t>(Positive(argv[i]));
        } else {
            return Tool_Usage(kUsage, false);
        }
    }
    if (pid <= 0 || seconds <= 0) return Tool_Usage(kUsage, false);
    ProcessCpu result;
    if (!IdleCpu_Measure(pid, seconds, result)) {
        std::fprintf(stderr, "idle_cpu: cannot read process %d\n", static_cast<int>(pid));
        return 1;
    }
    std::fputs(IdleCpu_Report(title, result).c_str(), stdout);
    return 0;
}
