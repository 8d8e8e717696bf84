// The real and the scaled clocks, the real-time wait for a wake signal, and taking part.
#include "clock.h"

#include <SDL.h>

#include <ctime>
#include <thread>
#include <utility>

namespace plat {

// ---- Waiting for a wake signal in real time --------------------------------------------------

void Clock::wait(WakeSignal& signal, uint32_t seen_generation, uint32_t timeout_ms) {
    std::unique_lock<std::mutex> lock(signal.mutex_);
    const auto changed = [&] { return signal.generation_.load() != seen_generation; };
    if (timeout_ms == kWaitForever) {
        signal.changed_.wait(lock, changed);
    } else {
        signal.changed_.wait_for(lock, real_time_of(timeout_ms), changed);
    }
}

void Clock::notify(WakeSignal& signal) {
    {
        // Under the signal's lock, so that a waiter cannot miss it between its look at the
        // generation and its sleep.
        std::lock_guard<std::mutex> lock(signal.mutex_);
        signal.generation_.fetch_add(1, std::memory_order_acq_rel);
    }
    signal.changed_.notify_all();
}

// ---- Taking part --------------------------------------------------------------------------------

ClockSeat::ClockSeat(Clock* clock, const char* name)
    : clock_(clock), seat_(clock != nullptr ? clock->reserve_seat(name) : nullptr) {}

ClockSeat::ClockSeat(ClockSeat&& other) noexcept
    : clock_(std::exchange(other.clock_, nullptr)), seat_(std::exchange(other.seat_, nullptr)) {}

ClockSeat& ClockSeat::operator=(ClockSeat&& other) noexcept {
    if (this != &other) {
        if (clock_ != nullptr && seat_ != nullptr) clock_->cancel_seat(seat_);
        clock_ = std::exchange(other.clock_, nullptr);
        seat_ = std::exchange(other.seat_, nullptr);
    }
    return *this;
}

ClockSeat::~ClockSeat() {
    if (clock_ != nullptr && seat_ != nullptr) clock_->cancel_seat(seat_);
}

ClockThread::ClockThread(Clock* clock, const char* name) {
    if (clock != nullptr && clock->join_calling_thread(name)) clock_ = clock;
}

ClockThread::ClockThread(ClockSeat&& seat) {
    ClockSeat taken(std::move(seat));
    if (taken.clock_ != nullptr && taken.seat_ != nullptr) {
        taken.clock_->take_seat(std::exchange(taken.seat_, nullptr));
        clock_ = taken.clock_;
    }
}

ClockThread::~ClockThread() {
    if (clock_ != nullptr) clock_->leave();
}

ClockAway::ClockAway(Clock* clock) : clock_(clock) {
    if (clock_ != nullptr) clock_->step_out();
}

ClockAway::~ClockAway() {
    if (clock_ != nullptr) clock_->step_in();
}

// ---- Real time ----------------------------------------------------------------------------------

uint32_t SdlClock::ticks_ms() {
    return SDL_GetTicks();
}

void SdlClock::delay_ms(uint32_t delay_ms) {
    if (delay_ms == 0) {
        std::this_thread::yield();
    } else {
        SDL_Delay(delay_ms);
    }
}

TimeOfDay SdlClock::local_time() {
    return SystemLocalTime();
}

TimeOfDay SystemLocalTime() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm parts{};
    TimeOfDay result;
    if (localtime_r(&seconds, &parts) == nullptr) return result;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    result.hours = parts.tm_hour;
    result.minutes = parts.tm_min;
    result.seconds = parts.tm_sec;
    result.millis = static_cast<int>(ms.count() % 1000);
    result.valid = true;
    return result;
}

// ---- Real time sped up --------------------------------------------------------------------------

namespace {
int64_t steady_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
constexpr int64_t kDayMs = 86'400'000;
}  // namespace

TimeOfDay TimeOfDayAt(int64_t day_offset_ms, int64_t elapsed_ms) {
    const int64_t now_ms = (day_offset_ms + elapsed_ms % kDayMs) % kDayMs;
    TimeOfDay result;
    result.hours = static_cast<int>(now_ms / 3'600'000);
    result.minutes = static_cast<int>(now_ms / 60'000 % 60);
    result.seconds = static_cast<int>(now_ms / 1000 % 60);
    result.millis = static_cast<int>(now_ms % 1000);
    result.valid = true;
    return result;
}

int64_t DayOffsetFor(int seconds_of_day, int64_t elapsed_ms) {
    int64_t offset = (int64_t{seconds_of_day} * 1000 - elapsed_ms % kDayMs) % kDayMs;
    if (offset < 0) offset += kDayMs;
    return offset;
}

ScaledClock::ScaledClock(uint32_t speed, int start_seconds_of_day)
    : speed_(speed == 0 ? 1 : speed), origin_ns_(steady_ns()) {
    day_offset_ms_.store(int64_t{start_seconds_of_day} * 1000);
}

uint64_t ScaledClock::elapsed_us() {
    return static_cast<uint64_t>(steady_ns() - origin_ns_) / 1000 * speed_;
}

uint32_t ScaledClock::ticks_ms() {
    return static_cast<uint32_t>(elapsed_us() / 1000);
}

void ScaledClock::delay_ms(uint32_t delay_ms) {
    if (delay_ms == 0) {
        std::this_thread::yield();
        return;
    }
    std::this_thread::sleep_for(real_time_of(delay_ms));
}

std::chrono::microseconds ScaledClock::real_time_of(uint32_t clock_ms) const {
    return std::chrono::microseconds(uint64_t{clock_ms} * 1000 / speed_);
}

TimeOfDay ScaledClock::local_time() {
    return TimeOfDayAt(day_offset_ms_.load(), static_cast<int64_t>(elapsed_us() / 1000));
}

bool ScaledClock::set_time_of_day(int seconds_of_day) {
    day_offset_ms_.store(DayOffsetFor(seconds_of_day, static_cast<int64_t>(elapsed_us() / 1000)));
    return true;
}

}  // namespace plat
