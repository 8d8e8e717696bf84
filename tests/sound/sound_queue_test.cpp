// The sound queue: the pump on its own thread, the program thread held until tunes are heard.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "sound_test_support.h"

namespace {

using namespace std::chrono_literals;

// Waits (in real time, generously) until the condition holds; false when it never did.
bool Eventually(const std::function<bool()>& condition) {
    const auto give_up = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < give_up) {
        if (condition()) return true;
        std::this_thread::sleep_for(200us);
    }
    return condition();
}

class QueueTest : public sound_test::SoundFixture {
protected:
    void SetUp() override {
        SoundFixture::SetUp();
        pump_ = std::thread([this] {
            // As the display loop does: one step per pass.
            while (!stop_pump_.load()) {
                Snd_PumpQueue();
                std::this_thread::sleep_for(100us);
            }
        });
    }

    void TearDown() override {
        // A program thread still waiting (after a failure) parks and ends.
        Rt_Words().stop.store(1);
        stop_pump_.store(true);
        if (pump_.joinable()) pump_.join();
        if (program_.joinable()) program_.join();
        SoundFixture::TearDown();
    }

    // Runs one statement on a program thread: the sound call, then the statement check.
    void RunStatement(std::function<void()> statement) {
        program_ = std::thread([this, statement = std::move(statement)] {
            Rt_SetProgramThread();
            try {
                statement();
                returned_.store(true);
                Err_EndStatement(1);
                released_.store(true);
            } catch (const ProgramThreadExit&) {
            }
        });
    }

    size_t Starts() { return mixer_.starts().size(); }

    // Lets game time run, 5 ms per look, until the condition holds.
    bool RunClockUntil(const std::function<bool()>& condition) {
        return Eventually([&] {
            clock_.advance(5);
            return condition();
        });
    }

    std::atomic<bool> stop_pump_{false};
    std::atomic<bool> returned_{false};
    std::atomic<bool> released_{false};
    std::thread pump_;
    std::thread program_;
};

TEST_F(QueueTest, ForegroundTuneHoldsTheProgramThreadUntilHeard) {
    RunStatement([] { Snd_PlayMacro("L30O4abc"); });
    ASSERT_TRUE(Eventually([&] { return returned_.load() && Starts() >= 1; }));
    // Game time stands still: the start-up silence sounds on and the tune waits behind it.
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(released_.load());
    EXPECT_EQ(Starts(), 1u);

    clock_.set(371);  // 8192 frames of silence are 371.5 ms
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(Starts(), 1u);
    clock_.set(372);
    ASSERT_TRUE(Eventually([&] { return Starts() >= 2; }));
    EXPECT_EQ(mixer_.starts()[1].kind, "tune");
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(released_.load());  // the tune is still sounding

    clock_.set(372 + 1000);
    ASSERT_TRUE(Eventually([&] { return released_.load(); }));
    // The pump releases the program thread just before it starts the marker.
    ASSERT_TRUE(Eventually([&] { return Starts() >= 3; }));
    const std::vector<std::string> log = mixer_.log_lines();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], "0 silence 0.37 s");
    EXPECT_EQ(log[1], "372 tune L30O4abc");
    EXPECT_EQ(log[2], "1372 silence marker");
    EXPECT_EQ(Rt_Words().waitMask.load(), 0);
}

TEST_F(QueueTest, BackgroundTuneReturnsAtOnce) {
    RunStatement([] { Snd_PlayMacro("MBC"); });
    ASSERT_TRUE(Eventually([&] { return released_.load(); }));
    EXPECT_EQ(Rt_Words().waitMask.load(), 0);
    program_.join();
    ASSERT_TRUE(Eventually([&] { return Starts() == 1; }));
    EXPECT_EQ(Snd_QueuedCount(), 1u);  // still in the silence; the tune is queued behind it

    returned_ = false;
    released_ = false;
    RunStatement([] { Snd_PlayMacro("MFC"); });
    ASSERT_TRUE(Eventually([&] { return returned_.load(); }));
    EXPECT_EQ(Rt_Words().waitMask.load() & kWaitSound, kWaitSound);
    ASSERT_TRUE(RunClockUntil([&] { return released_.load(); }));
    ASSERT_TRUE(Eventually([&] { return Starts() >= 4; }));
    const std::vector<std::string> log = mixer_.log_lines();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_NE(log[1].find(" tune MBC"), std::string::npos);
    EXPECT_NE(log[2].find(" tune MFC"), std::string::npos);
    EXPECT_NE(log[3].find(" silence marker"), std::string::npos);
}

TEST_F(QueueTest, ToneWaitsForItsOwnStartOnly) {
    RunStatement([] { Snd_Tone(440.0, 18.2); });  // one second
    ASSERT_TRUE(Eventually([&] { return returned_.load() && Starts() >= 1; }));
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(released_.load());  // the silence before it is still sounding
    clock_.set(372);
    ASSERT_TRUE(Eventually([&] { return released_.load(); }));
    // Released as the tone started; it sounds on, and no marker follows it.
    ASSERT_TRUE(Eventually([&] { return Starts() >= 2 && Snd_QueuedCount() == 0; }));
    const std::vector<plat::VirtualStart> starts = mixer_.starts();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[1].kind, "tone");
    EXPECT_TRUE(mixer_.playing(starts[1].channel));
}

TEST_F(QueueTest, ToneOfZeroTicksPlaysNothing) {
    RunStatement([] { Snd_Tone(440.0, 0.0); });
    ASSERT_TRUE(Eventually([&] { return released_.load(); }));
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(Rt_Words().waitMask.load(), 0);
    ASSERT_TRUE(Eventually([&] { return Starts() == 1; }));
    clock_.set(100'000);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(Starts(), 1u);  // the start-up silence only
}

TEST_F(QueueTest, TunesPlayOneAfterAnotherAndSlotsAreReclaimed) {
    RunStatement([] {
        for (int i = 0; i < 300; ++i) Snd_PlayMacro("MBL64C");
    });
    ASSERT_TRUE(Eventually([&] { return released_.load(); }));
    // 300 tunes do not fit in 256 slots at once: those beyond are dropped without an error.
    EXPECT_EQ(Err_Pending(), 0u);
    for (uint32_t now = 0; now < 60'000 && !(Snd_QueuedCount() == 0 && !mixer_.playing(-1));
         now += 5) {
        clock_.set(now);
        std::this_thread::sleep_for(50us);
    }
    ASSERT_TRUE(Eventually([&] { return Snd_QueuedCount() == 0; }));
    const std::vector<plat::VirtualStart> starts = mixer_.starts();
    EXPECT_EQ(starts.size(), 256u);  // the silence and 255 tunes
    for (size_t i = 1; i < starts.size(); ++i) {
        EXPECT_GE(starts[i].start_ms, starts[i - 1].start_ms) << i;
    }
    stop_pump_.store(true);
    pump_.join();
    // Only the last sound of the queue still holds its slot until Snd_StopAll.
    EXPECT_EQ(mixer_.live_chunks(), 1u);
    Snd_StopAll();
    EXPECT_EQ(mixer_.live_chunks(), 0u);
}

TEST_F(QueueTest, StopAllReleasesAWaitingProgramThread) {
    RunStatement([] { Snd_PlayMacro("L1C"); });
    ASSERT_TRUE(Eventually([&] { return returned_.load(); }));
    std::this_thread::sleep_for(5ms);
    EXPECT_FALSE(released_.load());
    Snd_StopAll();
    ASSERT_TRUE(Eventually([&] { return released_.load(); }));
    EXPECT_EQ(Snd_QueuedCount(), 0u);
}

TEST_F(QueueTest, BeepIsQueuedWithoutWaiting) {
    RunStatement([] { Snd_Beep(); });
    ASSERT_TRUE(Eventually([&] { return released_.load(); }));
    EXPECT_EQ(Rt_Words().waitMask.load(), 0);
    ASSERT_TRUE(RunClockUntil([&] { return Starts() >= 2; }));
    const plat::VirtualStart beep = mixer_.starts()[1];
    EXPECT_EQ(beep.kind, "beep");
    const SoundSamples wave = Snd_MakeWave(783.99, 0.2, 1.0);
    EXPECT_EQ(beep.length_bytes, wave.length_bytes);
}

TEST_F(QueueTest, NoAudioDeviceEndsTheProgramWithItsExitCode) {
    stop_pump_.store(true);
    pump_.join();
    mixer_.refuse_open(true);
    Rt_Words().stop.store(1);  // the shutdown sequence has already begun, so parking ends at once
    std::atomic<bool> ended{false};
    program_ = std::thread([&] {
        Rt_SetProgramThread();
        try {
            Snd_PlayMacro("C");
        } catch (const ProgramThreadExit&) {
            ended.store(true);
        }
    });
    program_.join();
    EXPECT_TRUE(ended.load());
    EXPECT_EQ(Rt_Words().exitCode.load(), 10001);
    EXPECT_EQ(Rt_Words().programEnded.load(), 1);
    EXPECT_EQ(mixer_.open_count(), 0);
}

}  // namespace
