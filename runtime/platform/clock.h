// The time seam: millisecond ticks, delays, waits for a wake signal and the local time of day.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace plat {

struct TimeOfDay {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    int millis = 0;
    bool valid = false;  // false when the system cannot tell the local time
};

// For clocks that keep their own day: the time of day `elapsed_ms` after a start that stood
// `day_offset_ms` past midnight, and the offset that puts `elapsed_ms` at `seconds_of_day`.
TimeOfDay TimeOfDayAt(int64_t day_offset_ms, int64_t elapsed_ms);
int64_t DayOffsetFor(int seconds_of_day, int64_t elapsed_ms);

// The system's local time of day now, for the clocks that run in real time.
TimeOfDay SystemLocalTime();

// A generation count that threads wait on through a Clock: a waiter remembers the generation
// it saw, checks its condition, and waits until Clock::notify has moved the count on.
class WakeSignal {
  public:
    WakeSignal() = default;
    WakeSignal(const WakeSignal&) = delete;
    WakeSignal& operator=(const WakeSignal&) = delete;

    uint32_t generation() const { return generation_.load(std::memory_order_acquire); }

  private:
    friend class Clock;
    friend class VirtualClock;
    std::atomic<uint32_t> generation_{0};
    // For the clocks that run in real time.
    std::mutex mutex_;
    std::condition_variable changed_;
};

// The timeout of a wait that only a notification ends.
constexpr uint32_t kWaitForever = UINT32_MAX;

class ClockSeat;
class ClockThread;
class ClockAway;

// Every wait and every reading of time in the runtime goes through one Clock, so that
// tests and the replay driver can run the real game faster than real time, or in virtual time.
class Clock {
  public:
    virtual ~Clock() = default;
    // Milliseconds since the clock started (wraps after 49 days like SDL_GetTicks).
    virtual uint32_t ticks_ms() = 0;
    // Sleeps that many milliseconds of this clock; 0 only lets the other threads run.
    virtual void delay_ms(uint32_t delay_ms) = 0;
    virtual TimeOfDay local_time() = 0;
    // The wall clock jumps to this time of day and runs on from there; ticks go on unchanged.
    // False for a clock that cannot (the real one).
    virtual bool set_time_of_day(int /*seconds_of_day*/) { return false; }

    // Returns once the signal's generation differs from `seen_generation` (at once if it does
    // already) or `timeout_ms` of this clock have passed (kWaitForever: no timeout).
    virtual void wait(WakeSignal& signal, uint32_t seen_generation, uint32_t timeout_ms);
    // Moves the signal's generation on and wakes every thread waiting on it.
    virtual void notify(WakeSignal& signal);
    // Whether time moves only when every thread taking part in the clock waits.
    virtual bool is_virtual() const { return false; }

  protected:
    // Real time that `clock_ms` of this clock take (the timeouts of the real-time wait).
    virtual std::chrono::microseconds real_time_of(uint32_t clock_ms) const {
        return std::chrono::microseconds(uint64_t{clock_ms} * 1000);
    }

  private:
    friend class ClockSeat;
    friend class ClockThread;
    friend class ClockAway;
    // Taking part, for the clocks that schedule the threads that use them (VirtualClock);
    // the others ignore it. A seat is an opaque handle owned by the clock.
    virtual void* reserve_seat(const char* /*name*/) { return nullptr; }
    virtual void cancel_seat(void* /*seat*/) {}
    virtual void take_seat(void* /*seat*/) {}
    // False when the calling thread takes part already (the join is then a no-op).
    virtual bool join_calling_thread(const char* /*name*/) { return false; }
    virtual void leave() {}
    virtual void step_out() {}
    virtual void step_in() {}
};

// A place in a clock's schedule that a parent reserves for a thread before starting it, so
// that time cannot move between the start and the thread's first step. Given back unused
// when it is destroyed before a ClockThread took it (the thread could not be started).
class ClockSeat {
  public:
    ClockSeat() = default;
    ClockSeat(Clock* clock, const char* name);
    ClockSeat(ClockSeat&& other) noexcept;
    ClockSeat& operator=(ClockSeat&& other) noexcept;
    ClockSeat(const ClockSeat&) = delete;
    ClockSeat& operator=(const ClockSeat&) = delete;
    ~ClockSeat();

  private:
    friend class ClockThread;
    Clock* clock_ = nullptr;
    void* seat_ = nullptr;
};

// The calling thread takes part in the clock's schedule for the lifetime of this object:
// either it joins now (nothing happens when it takes part already) or it takes the seat its
// parent reserved. Leaving hands the clock on to the next thread.
class ClockThread {
  public:
    ClockThread(Clock* clock, const char* name);
    explicit ClockThread(ClockSeat&& seat);
    ClockThread(const ClockThread&) = delete;
    ClockThread& operator=(const ClockThread&) = delete;
    ~ClockThread();

  private:
    Clock* clock_ = nullptr;
};

// The calling thread steps out of the clock's schedule while it blocks on something the clock
// does not know (joining a thread), so that the others and time can go on meanwhile.
class ClockAway {
  public:
    explicit ClockAway(Clock* clock);
    ClockAway(const ClockAway&) = delete;
    ClockAway& operator=(const ClockAway&) = delete;
    ~ClockAway();

  private:
    Clock* clock_ = nullptr;
};

// Real time: SDL's tick counter and the system's local time.
class SdlClock final : public Clock {
  public:
    uint32_t ticks_ms() override;
    void delay_ms(uint32_t delay_ms) override;
    TimeOfDay local_time() override;
};

// Real time sped up by a whole factor, starting at a chosen time of day: ticks, delays, waits
// and the wall clock all run `speed` times faster, so the game cannot tell the difference.
class ScaledClock final : public Clock {
  public:
    ScaledClock(uint32_t speed, int start_seconds_of_day);
    uint32_t ticks_ms() override;
    void delay_ms(uint32_t delay_ms) override;
    TimeOfDay local_time() override;
    bool set_time_of_day(int seconds_of_day) override;
    uint32_t speed() const { return speed_; }

  protected:
    std::chrono::microseconds real_time_of(uint32_t clock_ms) const override;

  private:
    uint64_t elapsed_us();
    uint32_t speed_ = 1;
    int64_t origin_ns_ = 0;
    // Milliseconds since midnight at tick 0; written by set_time_of_day from the test's thread.
    std::atomic<int64_t> day_offset_ms_{0};
};

}  // namespace plat
