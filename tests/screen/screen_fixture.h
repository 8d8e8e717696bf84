// A fresh screen runtime for each test: shared words idle, memory cleared, the start-up screen.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "errors.h"
#include "low_memory.h"
#include "platform.h"
#include "screen.h"
#include "shared_words.h"

// Time that moves only when the test (or a delay) moves it.
class ManualClock final : public plat::Clock {
  public:
    uint32_t ticks_ms() override { return ticks_.load(); }
    void delay_ms(uint32_t delay_ms) override {
        ticks_ += delay_ms;
        if (delay_ms == 0) std::this_thread::yield();
    }
    plat::TimeOfDay local_time() override { return {}; }

  private:
    std::atomic<uint32_t> ticks_{0};
};

class ScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::Plat_Install(plat::Platform{});
        Rt_ResetWords();
        Rt_ClearLowMemory();
        Scr_Startup();
    }
    void TearDown() override {
        Rt_ResetWords();
        plat::Plat_Install(plat::Platform{});
    }
    static ImagePage& Active() { return *Scr_ActivePage(); }
    static uint8_t PixelAt(const ImagePage& page, int x, int y) {
        return page.store[static_cast<size_t>(y) * page.width + x];
    }
};
