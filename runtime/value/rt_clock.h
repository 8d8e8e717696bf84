// The clock origin recorded at start-up, from which the timer and the BIOS ticks are reckoned.
#pragma once

#include <cstdint>

// Records the tick at which the wall clock's second turned during start-up, and the time of
// day at that moment in milliseconds since midnight.
void Rt_SetClockOrigin(uint32_t start_tick, int64_t start_time_ms);
uint32_t Rt_StartTick();
int64_t Rt_StartTimeMs();
