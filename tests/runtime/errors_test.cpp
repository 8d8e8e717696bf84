// Err_Raise and Err_CheckPoint on a program thread of the test's own.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "errors.h"
#include "platform.h"
#include "test_platform.h"
#include "virtual_clock.h"

namespace {

class ErrorsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Rt_ResetWords();
        plat::Platform platform;
        platform.clock = &clock_;
        platform.message_box = &box_;
        plat::Plat_Install(platform);
    }
    void TearDown() override { Err_Reset(); }

    // Runs `body` as the program thread and reports whether it was parked (ended). A parked
    // program thread waits for the stop flag, which the test sets as the shutdown would.
    bool RunProgram(const std::function<void()>& body) {
        std::atomic<bool> parked{false};
        std::atomic<bool> finished{false};
        std::thread program = StartProgram([&] {
            try {
                body();
            } catch (const ProgramThreadExit&) {
                parked = true;
            }
            finished = true;
        });
        while (!finished.load()) {
            if ((Rt_Words().finishedThreads.load() & kFinishedProgram) != 0) Rt_RequestStop();
            clock_.delay_ms(1);
        }
        Join(program);
        return parked.load();
    }

    // A program thread that takes part in the test's virtual clock.
    std::thread StartProgram(std::function<void()> body) {
        return std::thread(
            [body = std::move(body)](plat::ClockSeat seat) {
                const plat::ClockThread on_clock(std::move(seat));
                Rt_SetProgramThread();
                body();
            },
            plat::ClockSeat(&clock_, "program"));
    }
    void Join(std::thread& thread) {
        const plat::ClockAway away(&clock_);
        thread.join();
    }

    plat::VirtualClock clock_{0};
    const plat::ClockThread on_clock_{&clock_, "test"};
    testing_support::ScriptedBox box_;
};

TEST_F(ErrorsTest, MessagesOfTheTable) {
    EXPECT_STREQ(Err_Message(5), "Illegal function call");
    EXPECT_STREQ(Err_Message(53), "File not found");
    EXPECT_STREQ(Err_Message(62), "Input past end of file");
    EXPECT_STREQ(Err_Message(258), "Invalid handle");
    EXPECT_STREQ(Err_Message(313), "Source and destination memory have been freed");
    EXPECT_STREQ(Err_Message(11), "Unprintable error");
    EXPECT_STREQ(Err_Message(77), "Unprintable error");
    EXPECT_STREQ(Err_Message(0), "Unprintable error");
}

TEST_F(ErrorsTest, OnlyTheFirstErrorOfAStatementCountsAndZeroBecomesFive) {
    Err_Raise(0);
    EXPECT_EQ(Err_Pending(), 5u);
    EXPECT_EQ(Rt_Words().checkRequest.load(), 1);
    Err_Raise(53);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    Err_Raise(-7);
    EXPECT_EQ(Err_Pending(), 5u);
    // Numbers beyond 32 bits count as below 1, not as their low bits.
    for (const int64_t beyond : {int64_t{1} << 32, (int64_t{1} << 32) + 53, INT64_MAX}) {
        Err_Reset();
        Err_Raise(beyond);
        EXPECT_EQ(Err_Pending(), 5u) << beyond;
    }
    Err_Reset();
    Err_Raise(int64_t{UINT32_MAX});
    EXPECT_EQ(Err_Pending(), UINT32_MAX);
}

TEST_F(ErrorsTest, YesContinuesWithTheNextStatement) {
    box_.push_answer(plat::BoxAnswer::Yes);
    int reached = 0;
    const bool parked = RunProgram([&] {
        Err_Raise(5);
        Err_Raise(9);  // the second error of the same statement is not shown
        EXPECT_FALSE(Err_CheckPoint(937));
        reached = 1;
    });
    EXPECT_FALSE(parked);
    EXPECT_EQ(reached, 1);
    EXPECT_EQ(Err_Pending(), 0u);
    const auto shown = box_.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Unhandled Error #5");
    EXPECT_EQ(shown[0].text, "Line:937\nIllegal function call\nContinue?");
    EXPECT_EQ(shown[0].buttons, plat::BoxButtons::YesNo);
}

TEST_F(ErrorsTest, NoEndsTheProgram) {
    box_.push_answer(plat::BoxAnswer::No);
    int reached = 0;
    const bool parked = RunProgram([&] {
        Err_Raise(1234);
        Err_CheckPoint(12);
        reached = 1;
    });
    EXPECT_TRUE(parked);
    EXPECT_EQ(reached, 0);
    EXPECT_EQ(Rt_Words().programEnded.load(), 1);
    const auto shown = box_.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Unhandled Error #1234");
    EXPECT_EQ(shown[0].text, "Line:12\nUnprintable error\nContinue?");
}

TEST_F(ErrorsTest, FatalNumbersEndTheProgramWithoutAQuestion) {
    const bool parked = RunProgram([&] {
        Err_Raise(307);
        Err_CheckPoint(40);
    });
    EXPECT_TRUE(parked);
    EXPECT_EQ(Rt_Words().exitCode.load(), 0);
    const auto shown = box_.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Critical Error #307");
    EXPECT_EQ(shown[0].text, "Line:40\nMemory already freed");
    EXPECT_EQ(shown[0].buttons, plat::BoxButtons::Ok);
}

TEST_F(ErrorsTest, CriticalNumbersEndAtOnce) {
    int reached = 0;
    const bool parked = RunProgram([&] {
        Err_Raise(11);
        reached = 1;
    });
    EXPECT_TRUE(parked);
    EXPECT_EQ(reached, 0);
    auto shown = box_.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Critical Error");
    EXPECT_EQ(shown[0].text, "Division by zero");

    SetUp();
    RunProgram([&] { Err_Raise(513); });
    shown = box_.shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].caption, "Critical Error #13");
    EXPECT_EQ(shown[1].text, "Out of memory");
}

TEST_F(ErrorsTest, TheCheckWaitsWhileTheWaitMaskIsSetAndGoesOnAtOnceWhenWoken) {
    std::atomic<int> stage{0};
    Rt_Words().waitMask = kWaitSound;
    Rt_Words().checkRequest = 1;
    std::thread program = StartProgram([&] {
        Err_EndStatement(1);
        stage = 1;
    });
    clock_.delay_ms(60'000);
    EXPECT_EQ(stage.load(), 0);
    // Cleared as the sound pump clears it: the program goes on in the same instant.
    const uint32_t cleared_ms = clock_.ticks_ms();
    Rt_Words().waitMask = 0;
    Rt_WakeProgram();
    clock_.delay_ms(0);
    EXPECT_EQ(stage.load(), 1);
    EXPECT_EQ(clock_.ticks_ms(), cleared_ms);
    Join(program);
}

TEST_F(ErrorsTest, TheStopFlagParksTheProgramThreadAtItsNextCheck) {
    Rt_Words().stop = 1;
    Rt_Words().checkRequest = 1;
    int reached = 0;
    EXPECT_TRUE(RunProgram([&] {
        STMT(reached = 1);
        reached = 2;
    }));
    EXPECT_EQ(reached, 1);
    EXPECT_EQ(Rt_Words().finishedThreads.load() & kFinishedProgram, kFinishedProgram);
}

}  // namespace
