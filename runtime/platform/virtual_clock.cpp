// The virtual clock: one thread runs at a time, and time jumps to the earliest wake-up.
#include "virtual_clock.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>

namespace plat {

struct VirtualSeat {
    enum class State { Ready, Running, Sleeping, Waiting, Away };
    std::string name;
    State state = State::Ready;
    uint64_t wake_ms = 0;                // when it may run (Ready: when it became ready)
    uint64_t order = 0;                  // first come, first served among equal wake-ups
    const WakeSignal* signal = nullptr;  // while Waiting
    std::condition_variable turn;
};

namespace {

constexpr uint64_t kNever = UINT64_MAX;
constexpr int64_t kDayMs = 86'400'000;

// The seat of the calling thread, and the clock it is a seat of.
thread_local VirtualSeat* t_seat = nullptr;
thread_local const VirtualClock* t_seat_clock = nullptr;

bool CanRun(const VirtualSeat& seat) {
    switch (seat.state) {
        case VirtualSeat::State::Ready:
        case VirtualSeat::State::Sleeping:
            return true;
        case VirtualSeat::State::Waiting:
            return seat.wake_ms != kNever;
        default:
            return false;
    }
}

const char* StateName(VirtualSeat::State state) {
    switch (state) {
        case VirtualSeat::State::Ready:
            return "ready";
        case VirtualSeat::State::Running:
            return "running";
        case VirtualSeat::State::Sleeping:
            return "sleeping";
        case VirtualSeat::State::Waiting:
            return "waiting for a signal";
        case VirtualSeat::State::Away:
            return "away";
    }
    return "?";
}

}  // namespace

VirtualClock::VirtualClock(int start_seconds_of_day) {
    day_offset_ms_.store(int64_t{start_seconds_of_day} * 1000);
}

VirtualClock::~VirtualClock() = default;

uint32_t VirtualClock::ticks_ms() {
    return static_cast<uint32_t>(now_ms_.load(std::memory_order_acquire));
}

TimeOfDay VirtualClock::local_time() {
    return TimeOfDayAt(day_offset_ms_.load(), static_cast<int64_t>(now_ms_.load() % kDayMs));
}

bool VirtualClock::set_time_of_day(int seconds_of_day) {
    day_offset_ms_.store(
        DayOffsetFor(seconds_of_day, static_cast<int64_t>(now_ms_.load() % kDayMs)));
    return true;
}

// ---- Sleeping and waiting -----------------------------------------------------------------------

void VirtualClock::delay_ms(uint32_t delay_ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    VirtualSeat* self = own_seat();
    const uint64_t now = now_ms_.load();
    if (self == nullptr || running_ != self) {
        outsider_wait(lock, now + delay_ms, nullptr, 0);
        return;
    }
    uint64_t wake = now + delay_ms;
    if (delay_ms == 0) {
        // Everyone else who can run now goes first; with nobody, the next one to wake does.
        const VirtualSeat* other = earliest(self);
        if (other == nullptr) return;
        wake = std::max(now, other->wake_ms);
    }
    self->state = VirtualSeat::State::Sleeping;
    self->wake_ms = wake;
    self->order = ++order_;
    pass_turn(lock, *self);
}

void VirtualClock::wait(WakeSignal& signal, uint32_t seen_generation, uint32_t timeout_ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (signal.generation_.load() != seen_generation) return;
    VirtualSeat* self = own_seat();
    const uint64_t deadline = timeout_ms == kWaitForever ? kNever : now_ms_.load() + timeout_ms;
    if (self == nullptr || running_ != self) {
        outsider_wait(lock, deadline, &signal, seen_generation);
        return;
    }
    self->state = VirtualSeat::State::Waiting;
    self->signal = &signal;
    self->wake_ms = deadline;
    self->order = ++order_;
    pass_turn(lock, *self);
}

void VirtualClock::notify(WakeSignal& signal) {
    std::lock_guard<std::mutex> lock(mutex_);
    signal.generation_.fetch_add(1, std::memory_order_acq_rel);
    const uint64_t now = now_ms_.load();
    for (const auto& seat : seats_) {
        if (seat->state == VirtualSeat::State::Waiting && seat->signal == &signal) {
            seat->state = VirtualSeat::State::Ready;
            seat->signal = nullptr;
            seat->wake_ms = now;
            seat->order = ++order_;
        }
    }
    outsiders_.notify_all();
    if (running_ == nullptr) dispatch();
}

// ---- Taking part --------------------------------------------------------------------------------

void* VirtualClock::reserve_seat(const char* name) {
    std::lock_guard<std::mutex> lock(mutex_);
    VirtualSeat* seat = add_seat(name);
    if (running_ == nullptr) dispatch();
    return seat;
}

void VirtualClock::cancel_seat(void* seat) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto* cancelled = static_cast<VirtualSeat*>(seat);
    const bool held = running_ == cancelled;
    remove_seat(cancelled);
    if (held) {
        running_ = nullptr;
        dispatch();
    }
}

void VirtualClock::take_seat(void* seat) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto* taken = static_cast<VirtualSeat*>(seat);
    t_seat = taken;
    t_seat_clock = this;
    wait_for_turn(lock, *taken);
}

bool VirtualClock::join_calling_thread(const char* name) {
    if (own_seat() != nullptr) return false;
    std::unique_lock<std::mutex> lock(mutex_);
    VirtualSeat* seat = add_seat(name);
    t_seat = seat;
    t_seat_clock = this;
    if (running_ == nullptr) dispatch();
    wait_for_turn(lock, *seat);
    return true;
}

void VirtualClock::leave() {
    std::lock_guard<std::mutex> lock(mutex_);
    VirtualSeat* self = own_seat();
    if (self == nullptr) return;
    t_seat = nullptr;
    t_seat_clock = nullptr;
    const bool held = running_ == self;
    remove_seat(self);
    if (held) {
        running_ = nullptr;
        dispatch();
    }
}

void VirtualClock::step_out() {
    std::lock_guard<std::mutex> lock(mutex_);
    VirtualSeat* self = own_seat();
    if (self == nullptr || running_ != self) return;
    self->state = VirtualSeat::State::Away;
    running_ = nullptr;
    dispatch();
}

void VirtualClock::step_in() {
    std::unique_lock<std::mutex> lock(mutex_);
    VirtualSeat* self = own_seat();
    if (self == nullptr || self->state != VirtualSeat::State::Away) return;
    self->state = VirtualSeat::State::Ready;
    self->wake_ms = now_ms_.load();
    self->order = ++order_;
    if (running_ == nullptr) dispatch();
    wait_for_turn(lock, *self);
}

// ---- The schedule (callers hold the lock) -------------------------------------------------------

VirtualSeat* VirtualClock::own_seat() const {
    return t_seat_clock == this ? t_seat : nullptr;
}

VirtualSeat* VirtualClock::add_seat(const char* name) {
    auto seat = std::make_unique<VirtualSeat>();
    seat->name = name != nullptr ? name : "thread";
    seat->state = VirtualSeat::State::Ready;
    seat->wake_ms = now_ms_.load();
    seat->order = ++order_;
    seats_.push_back(std::move(seat));
    return seats_.back().get();
}

void VirtualClock::remove_seat(VirtualSeat* seat) {
    for (auto it = seats_.begin(); it != seats_.end(); ++it) {
        if (it->get() == seat) {
            seats_.erase(it);
            return;
        }
    }
}

VirtualSeat* VirtualClock::earliest(const VirtualSeat* except) const {
    VirtualSeat* best = nullptr;
    for (const auto& seat : seats_) {
        if (seat.get() == except || !CanRun(*seat)) continue;
        if (best == nullptr ||
            std::tie(seat->wake_ms, seat->order) < std::tie(best->wake_ms, best->order)) {
            best = seat.get();
        }
    }
    return best;
}

void VirtualClock::dispatch() {
    VirtualSeat* next = earliest(nullptr);
    if (next == nullptr) {
        for (const auto& seat : seats_) {
            if (seat->state == VirtualSeat::State::Away) return;
        }
        if (!seats_.empty()) report_deadlock();
        return;
    }
    advance_to(next->wake_ms);
    running_ = next;
    hand_offs_.fetch_add(1, std::memory_order_relaxed);
    next->turn.notify_one();
}

void VirtualClock::pass_turn(std::unique_lock<std::mutex>& lock, VirtualSeat& self) {
    if (earliest(nullptr) == &self) {
        // The thread that waits is itself the first to wake: it goes on without a switch.
        advance_to(self.wake_ms);
        self.state = VirtualSeat::State::Running;
        self.signal = nullptr;
        return;
    }
    running_ = nullptr;
    dispatch();
    wait_for_turn(lock, self);
}

void VirtualClock::wait_for_turn(std::unique_lock<std::mutex>& lock, VirtualSeat& self) {
    self.turn.wait(lock, [&] { return running_ == &self; });
    self.state = VirtualSeat::State::Running;
    self.signal = nullptr;
}

void VirtualClock::advance_to(uint64_t when_ms) {
    if (when_ms != kNever && when_ms > now_ms_.load()) {
        now_ms_.store(when_ms, std::memory_order_release);
        outsiders_.notify_all();
    }
}

void VirtualClock::outsider_wait(std::unique_lock<std::mutex>& lock, uint64_t when_ms,
                                 const WakeSignal* signal, uint32_t seen_generation) {
    for (;;) {
        if (signal != nullptr && signal->generation_.load() != seen_generation) return;
        if (now_ms_.load() >= when_ms) return;
        if (seats_.empty() && when_ms != kNever) {
            // Nobody takes part, so nobody else keeps time: it is this thread's to move.
            advance_to(when_ms);
            return;
        }
        outsiders_.wait(lock);
    }
}

void VirtualClock::report_deadlock() const {
    std::string who;
    for (const auto& seat : seats_) {
        if (!who.empty()) who += ", ";
        who += seat->name + " (" + StateName(seat->state) + ")";
    }
    std::fprintf(stderr,
                 "virtual clock: at %llu ms every thread waits for a signal that none of them "
                 "can give: %s\n",
                 static_cast<unsigned long long>(now_ms_.load()), who.c_str());
    std::fflush(stderr);
    std::abort();
}

}  // namespace plat
