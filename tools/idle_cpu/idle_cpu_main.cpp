// idle_cpu [--seconds S] [--title TEXT] PID: the processor time of a running process and of each
// of its threads over S seconds (10 by default), as a share of one core.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "idle_cpu.h"

int main(int argc, char** argv) {
    double seconds = 10.0;
    std::string title = "process";
    pid_t pid = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--seconds" && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (arg == "--title" && i + 1 < argc) {
            title = argv[++i];
        } else {
            pid = static_cast<pid_t>(std::atol(argv[i]));
        }
    }
    if (pid <= 0 || seconds <= 0) {
        std::fprintf(stderr, "usage: idle_cpu [--seconds S] [--title TEXT] PID\n");
        return 2;
    }
    ProcessCpu result;
    if (!IdleCpu_Measure(pid, seconds, result)) {
        std::fprintf(stderr, "idle_cpu: cannot read process %d\n", static_cast<int>(pid));
        return 1;
    }
    std::fputs(IdleCpu_Report(title, result).c_str(), stdout);
    return 0;
}
