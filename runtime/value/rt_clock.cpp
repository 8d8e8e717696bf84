// Storage of the clock origin.
#include "rt_clock.h"

#include <atomic>

namespace {
// Runtime shared words: written once by the start-up thread, read by the program thread.
std::atomic<uint32_t> g_start_tick{0};
std::atomic<int64_t> g_start_time_ms{0};
}  // namespace

void Rt_SetClockOrigin(uint32_t start_tick, int64_t start_time_ms) {
    g_start_tick.store(start_tick, std::memory_order_release);
    g_start_time_ms.store(start_time_ms, std::memory_order_release);
}

uint32_t Rt_StartTick() { return g_start_tick.load(std::memory_order_acquire); }

int64_t Rt_StartTimeMs() { return g_start_time_ms.load(std::memory_order_acquire); }
