// Storage of the clock origin.
#include "rt_clock.h"

#include <atomic>

namespace {
// Runtime shared words: the clock origin, written by the start-up thread, read by any thread.
std::atomic<uint32_t> g_start_tick{0};
std::atomic<int64_t> g_start_time_ms{0};
}  // namespace

void Rt_SetClockOrigin(uint32_t start_tick, int64_t start_time_ms) {
    g_start_tick.store(start_tick);
    g_start_time_ms.store(start_time_ms);
}

uint32_t Rt_StartTick() {
    return g_start_tick.load();
}

int64_t Rt_StartTimeMs() {
    return g_start_time_ms.load();
}
