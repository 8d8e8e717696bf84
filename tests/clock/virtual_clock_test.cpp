// The virtual clock: threads that take part run one at a time, in the order of their wake-ups,
// and time jumps to the next wake-up only when all of them wait.
#include "virtual_clock.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

// What the threads of a test did, in order. Only the thread that holds the clock appends, so
// the clock's hand-overs order the appends.
struct Trace {
    plat::VirtualClock& clock;
    std::vector<std::string> steps;
    void step(const std::string& what) {
        steps.push_back(std::to_string(clock.ticks_ms()) + " " + what);
    }
};

// A thread with a place in the clock reserved before it starts.
std::thread Start(plat::VirtualClock& clock, const char* name, std::function<void()> body) {
    return std::thread(
        [body = std::move(body)](plat::ClockSeat seat) {
            const plat::ClockThread on_clock(std::move(seat));
            body();
        },
        plat::ClockSeat(&clock, name));
}

void Join(plat::VirtualClock& clock, std::thread& thread) {
    const plat::ClockAway away(&clock);
    thread.join();
}

TEST(VirtualClock, ThreadsRunInTheOrderOfTheirWakeUpsAndTimeJumpsBetween) {
    plat::VirtualClock clock(10 * 3600);
    const plat::ClockThread on_clock(&clock, "test");
    Trace trace{clock, {}};
    plat::WakeSignal signal;
    std::thread a = Start(clock, "a", [&] {
        trace.step("a starts");
        clock.delay_ms(300);
        trace.step("a woke");
        // A whole minute of waiting costs nothing; the notification ends it at once.
        const uint32_t seen = signal.generation();
        clock.wait(signal, seen, 60'000);
        trace.step("a notified");
    });
    std::thread b = Start(clock, "b", [&] {
        trace.step("b starts");
        clock.delay_ms(100);
        trace.step("b woke");
        clock.delay_ms(100);
        trace.step("b woke again");
        clock.notify(signal);  // nobody waits yet: the generation moves on all the same
    });
    trace.step("test goes on");  // the new threads wait for the clock
    clock.delay_ms(250);
    trace.step("test woke");
    clock.delay_ms(100);
    trace.step("test notifies");
    clock.notify(signal);
    clock.delay_ms(0);  // the notified thread runs first, at this very instant
    trace.step("test after a");
    Join(clock, a);
    Join(clock, b);

    const std::vector<std::string> expected = {
        "0 test goes on", "0 a starts", "0 b starts",        "100 b woke",     "200 b woke again",
        "250 test woke",  "300 a woke", "350 test notifies", "350 a notified", "350 test after a"};
    EXPECT_EQ(trace.steps, expected);
    EXPECT_EQ(signal.generation(), 2u);
    const plat::TimeOfDay time = clock.local_time();
    EXPECT_EQ(time.hours * 3600 + time.minutes * 60 + time.seconds, 10 * 3600);
    EXPECT_EQ(time.millis, 350);
    EXPECT_TRUE(clock.set_time_of_day(23 * 3600 + 59 * 60 + 59));
    clock.delay_ms(1500);
    EXPECT_EQ(clock.local_time().hours, 0);
    EXPECT_EQ(clock.local_time().seconds, 0);
    EXPECT_EQ(clock.local_time().millis, 500);
}

TEST(VirtualClock, AYieldLetsEveryOtherThreadGoFirst) {
    plat::VirtualClock clock(0);
    const plat::ClockThread on_clock(&clock, "test");
    Trace trace{clock, {}};
    std::thread a = Start(clock, "a", [&] {
        trace.step("a");
        clock.delay_ms(40);
        trace.step("a at 40");
    });
    std::thread b = Start(clock, "b", [&] { trace.step("b"); });
    clock.delay_ms(0);  // a and b can run now: both go first
    trace.step("test");
    clock.delay_ms(0);  // nobody can run now: a's wake-up comes first
    trace.step("test");
    clock.delay_ms(0);  // nobody else is left
    trace.step("test");
    Join(clock, a);
    Join(clock, b);
    const std::vector<std::string> expected = {"0 a",        "0 b",     "0 test",
                                               "40 a at 40", "40 test", "40 test"};
    EXPECT_EQ(trace.steps, expected);
}

TEST(VirtualClockDeathTest, EveryThreadWaitingForASignalThatNoneCanGiveAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            plat::VirtualClock clock(0);
            const plat::ClockThread on_clock(&clock, "lonely");
            plat::WakeSignal signal;
            clock.wait(signal, signal.generation(), plat::kWaitForever);
        },
        "every thread waits for a signal that none of them can give: lonely");
}

}  // namespace
