// Measures how much processor time a thread polling Kbd_Inkey on an empty ring takes.
// Usage: bench_inkey [seconds] [--yield-only]; --yield-only polls with a bare yield instead,
// for comparison. Prints the thread's CPU time as a share of the wall time.
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "keyboard.h"
#include "low_memory.h"
#include "platform.h"
#include "tool_usage.h"

namespace {

constexpr const char* kUsage =
    "usage: bench_inkey [SECONDS] [--yield-only]\n"
    "       the CPU share of a thread polling an empty key ring for SECONDS (10);\n"
    "       --yield-only polls with a bare yield instead, for comparison\n";

double Seconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    double run_s = 10.0;
    bool yield_only = false;
    if (Tool_AskedForHelp(argc, argv)) return Tool_Usage(kUsage, true);
    for (int i = 1; i < argc; ++i) {
        char* end = nullptr;
        if (std::strcmp(argv[i], "--yield-only") == 0) {
            yield_only = true;
        } else if (run_s = std::strtod(argv[i], &end);
                   end == argv[i] || *end != '\0' || !(run_s > 0)) {
            return Tool_Usage(kUsage, false);
        }
    }
    plat::SdlClock clock;
    plat::Platform platform;
    platform.clock = &clock;
    plat::Plat_Install(platform);
    Rt_ClearLowMemory();
    Kbd_Reset();

    double cpu_s = 0.0;
    double wall_s = 0.0;
    long polls = 0;
    std::thread poller([&] {
        const double wall_start = Seconds(CLOCK_MONOTONIC);
        const double cpu_start = Seconds(CLOCK_THREAD_CPUTIME_ID);
        while (Seconds(CLOCK_MONOTONIC) - wall_start < run_s) {
            if (yield_only) {
                clock.delay_ms(0);
            } else if (!Kbd_Inkey().empty()) {
                std::fprintf(stderr, "unexpected key\n");
            }
            ++polls;
        }
        cpu_s = Seconds(CLOCK_THREAD_CPUTIME_ID) - cpu_start;
        wall_s = Seconds(CLOCK_MONOTONIC) - wall_start;
    });
    poller.join();
    std::printf("%s: %ld polls in %.2f s, thread CPU %.3f s = %.2f %% of one core\n",
                yield_only ? "yield only" : "Kbd_Inkey", polls, wall_s, cpu_s,
                100.0 * cpu_s / wall_s);
    return 0;
}
