// The clock origin that the timer and the BIOS tick counter count from.
#pragma once

#include <cstdint>

// Captured once at start-up, at the turn of a wall-clock second: the tick count of the clock
// seam at that moment and the local time of day then, in milliseconds since midnight (0 when
// the local time could not be read). Written by the start-up thread before the program
// thread exists; read by the program thread (Num_Timer) afterwards.
void Rt_SetClockOrigin(uint32_t start_tick, int64_t start_time_ms);
uint32_t Rt_StartTick();
int64_t Rt_StartTimeMs();
