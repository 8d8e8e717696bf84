// The time seam: millisecond ticks, delays and the local time of day.
#pragma once

#include <atomic>
#include <cstdint>

namespace plat {

struct TimeOfDay {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int millis = 0;
    bool valid = false;  // false when the system cannot tell the local time
};

// Every wait and every reading of time in the runtime goes through one Clock, so that
// tests and the replay driver can run the real game faster than real time.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since the clock started (wraps after 49 days like SDL_GetTicks).
    virtual uint32_t ticks_ms() = 0;
    // Sleeps that many milliseconds of this clock; 0 only yields the processor.
    virtual void delay_ms(uint32_t delay_ms) = 0;
    virtual TimeOfDay local_time() = 0;
};

// Real time: SDL's tick counter and the system's local time.
class SdlClock final : public Clock {
public:
    uint32_t ticks_ms() override;
    void delay_ms(uint32_t delay_ms) override;
    TimeOfDay local_time() override;
};

// Real time sped up by a whole factor, starting at a chosen time of day: ticks, delays and
// the wall clock all run `speed` times faster, so the game cannot tell the difference.
class ScaledClock final : public Clock {
public:
    ScaledClock(uint32_t speed, int start_seconds_of_day);
    uint32_t ticks_ms() override;
    void delay_ms(uint32_t delay_ms) override;
    TimeOfDay local_time() override;
    // The wall clock jumps to this time of day and runs on from there; ticks go on unchanged.
    void set_time_of_day(int seconds_of_day);
    uint32_t speed() const { return speed_; }

private:
    uint64_t elapsed_us();
    uint32_t speed_ = 1;
    int64_t origin_ns_ = 0;
    // Milliseconds since midnight at tick 0; written by set_time_of_day from the test's thread.
    std::atomic<int64_t> day_offset_ms_{0};
};

}  // namespace plat
