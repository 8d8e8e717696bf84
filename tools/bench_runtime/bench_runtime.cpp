// Measures the runtime's start-up (process start to the first presented frame, without the
// wait for the wall clock's second) and the CPU share of its threads while nothing happens.
// A benchmark, not a test: run it by hand on a quiet machine.
#include <pthread.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdio>

#include "errors.h"
#include "keyboard.h"
#include "runtime_main.h"
#include "screen.h"
#include "tool_usage.h"

namespace {

using Steady = std::chrono::steady_clock;
const Steady::time_point g_process_start = Steady::now();

// Real time, noting when start-up waited for the wall clock's second to turn.
class TimedClock final : public plat::Clock {
public:
    uint32_t ticks_ms() override { return real_.ticks_ms(); }
    void delay_ms(uint32_t delay_ms) override { real_.delay_ms(delay_ms); }
    plat::TimeOfDay local_time() override {
        const auto now = Steady::now();
        if (calls_++ == 0) first_call_ = now;
        last_call_ = now;
        return real_.local_time();
    }
    double sync_ms() const {
        return std::chrono::duration<double, std::milli>(last_call_ - first_call_).count();
    }

private:
    plat::SdlClock real_;
    int calls_ = 0;
    Steady::time_point first_call_{};
    Steady::time_point last_call_{};
};

std::atomic<double> g_first_frame_ms{-1};
std::atomic<int> g_phase{0};
Steady::time_point g_idle_start;
double g_loop_cpu_start_s = 0;

double ThreadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double g_process_cpu_start_s = 0;
double g_loop_share = 0;
double g_process_share = 0;

// Runs on the start-up thread after every pass of the display loop.
void Hook() {
    if (g_first_frame_ms.load() < 0 && Scr_CurrentSurface() != nullptr) {
        g_first_frame_ms = std::chrono::duration<double, std::milli>(Steady::now() - g_process_start).count();
        g_idle_start = Steady::now();
        g_loop_cpu_start_s = ThreadCpuSeconds();
        g_process_cpu_start_s = ProcessCpuSeconds();
        g_phase = 1;
    }
    if (g_phase == 1 && Steady::now() - g_idle_start > std::chrono::seconds(10)) {
        const double wall = std::chrono::duration<double>(Steady::now() - g_idle_start).count();
        g_loop_share = (ThreadCpuSeconds() - g_loop_cpu_start_s) / wall;
        g_process_share = (ProcessCpuSeconds() - g_process_cpu_start_s) / wall;
        g_phase = 2;
        Rt_Words().programEnded = 1;
    }
}

// The program waits for a key, as the menu does.
void IdleProgram() {
    for (;;) {
        RtString key = Kbd_Inkey();
        END_STATEMENT;
    }
}

}  // namespace

int main(int argc, char** argv) {
    constexpr const char* kUsage =
        "usage: bench_runtime\n"
        "       start-up time and the idle CPU share of the runtime over 10 s\n";
    if (argc > 1) return Tool_Usage(kUsage, Tool_AskedForHelp(argc, argv));
    TimedClock clock;
    const std::unique_ptr<plat::Window> window = plat::MakeSdlWindow();
    plat::Platform platform;
    platform.clock = &clock;
    platform.window = window.get();
    Rt_SetLoopHook(Hook);
    const int code = RuntimeRun(argc, argv, platform, IdleProgram);
    std::printf("first presented frame after %.1f ms (%.1f ms without the wait for the second)\n",
                g_first_frame_ms.load(), g_first_frame_ms.load() - clock.sync_ms());
    std::printf("idle for 10 s: display loop %.2f%% of a core, whole process %.2f%%\n",
                100 * g_loop_share, 100 * g_process_share);
    return code;
}
