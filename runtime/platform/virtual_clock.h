// Virtual time: a clock that moves only when every thread taking part in it waits.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "clock.h"

namespace plat {

struct VirtualSeat;

// Time does not run by itself. The threads that take part (ClockThread, ClockSeat) run one at
// a time: the running one holds the clock while it computes, and time stands still. When it
// sleeps or waits, the clock goes to the waiting thread with the earliest wake-up (first come,
// first served among equal ones), and time jumps to that wake-up at once. So a wait of five
// minutes costs nothing, and the same inputs give the same interleaving of the threads, and
// so the same run, at any machine load.
//
// delay_ms(0) lets every other thread that can run now go first; when none can, it waits
// until the next wake-up of another thread. A notified waiter can run at the current instant.
// Threads that do not take part are not scheduled: their sleeps and waits end once virtual
// time has passed their wake-up. When every thread that takes part waits for a signal without
// a timeout and none is away (ClockAway), nothing can ever wake them: the process aborts with
// a message naming them.
class VirtualClock final : public Clock {
  public:
    explicit VirtualClock(int start_seconds_of_day);
    ~VirtualClock() override;
    VirtualClock(const VirtualClock&) = delete;
    VirtualClock& operator=(const VirtualClock&) = delete;

    uint32_t ticks_ms() override;
    void delay_ms(uint32_t delay_ms) override;
    TimeOfDay local_time() override;
    bool set_time_of_day(int seconds_of_day) override;
    void wait(WakeSignal& signal, uint32_t seen_generation, uint32_t timeout_ms) override;
    void notify(WakeSignal& signal) override;
    bool is_virtual() const override { return true; }

    // How often the clock went from one thread to another (a cost worth keeping low).
    uint64_t hand_offs() const { return hand_offs_.load(std::memory_order_relaxed); }

  private:
    void* reserve_seat(const char* name) override;
    void cancel_seat(void* seat) override;
    void take_seat(void* seat) override;
    bool join_calling_thread(const char* name) override;
    void leave() override;
    void step_out() override;
    void step_in() override;

    VirtualSeat* own_seat() const;
    VirtualSeat* add_seat(const char* name);
    void remove_seat(VirtualSeat* seat);
    // The seat that runs next: the earliest (wake-up, order) of those that can run, leaving
    // out `except`; null when none can.
    VirtualSeat* earliest(const VirtualSeat* except) const;
    // Gives the clock to the earliest seat, moving time to its wake-up; with none, the clock
    // stays free (or, when nothing can ever run again, the process aborts).
    void dispatch();
    // The calling seat has said how it waits: hands the clock on and returns once it is back.
    void pass_turn(std::unique_lock<std::mutex>& lock, VirtualSeat& self);
    void wait_for_turn(std::unique_lock<std::mutex>& lock, VirtualSeat& self);
    void advance_to(uint64_t when_ms);
    [[noreturn]] void report_deadlock() const;
    // A thread that does not take part sleeps until virtual time has reached `when_ms`, or,
    // with a signal, until it moves on.
    void outsider_wait(std::unique_lock<std::mutex>& lock, uint64_t when_ms,
                       const WakeSignal* signal, uint32_t seen_generation);

    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<VirtualSeat>> seats_;  // in the order they joined
    VirtualSeat* running_ = nullptr;                   // the seat that holds the clock
    uint64_t order_ = 0;
    std::atomic<uint64_t> now_ms_{0};
    std::atomic<int64_t> day_offset_ms_{0};  // milliseconds since midnight at tick 0
    std::atomic<uint64_t> hand_offs_{0};
    std::condition_variable outsiders_;  // time moved or a signal was notified
};

}  // namespace plat
