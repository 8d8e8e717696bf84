// Seams for running the real runtime headless in a test: a virtual clock, the SDL window under
// the dummy driver, and a message box answered by the test.
#pragma once

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform.h"
#include "virtual_clock.h"

namespace testing_support {

// A message box that records what it was asked and answers from a script.
class ScriptedBox final : public plat::MessageBox {
public:
    struct Shown {
        std::string caption;
        std::string text;
        plat::BoxButtons buttons;
    };

    void push_answer(plat::BoxAnswer answer) {
        std::lock_guard<std::mutex> lock(mutex_);
        answers_.push_back(answer);
    }

    plat::BoxAnswer show(const std::string& caption, const std::string& text,
                         plat::BoxButtons buttons) override {
        std::lock_guard<std::mutex> lock(mutex_);
        shown_.push_back({caption, text, buttons});
        if (answers_.empty()) return buttons == plat::BoxButtons::Ok ? plat::BoxAnswer::Ok
                                                                    : plat::BoxAnswer::No;
        const plat::BoxAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    std::vector<Shown> shown() {
        std::lock_guard<std::mutex> lock(mutex_);
        return shown_;
    }

private:
    std::mutex mutex_;
    std::deque<plat::BoxAnswer> answers_;
    std::vector<Shown> shown_;
};

// Everything a headless run needs. The clock is virtual: the run is the same at any load, and
// a thread of the test that drives it takes part in the clock (plat::ClockThread).
struct HeadlessPlatform {
    explicit HeadlessPlatform(int start_seconds_of_day = 10 * 3600)
        : clock(start_seconds_of_day), window(plat::MakeSdlWindow()) {}

    plat::Platform platform(bool scripted_box = true) {
        plat::Platform result;
        result.clock = &clock;
        result.window = window.get();
        result.message_box = scripted_box ? &box : nullptr;
        return result;
    }

    plat::VirtualClock clock;
    std::unique_ptr<plat::Window> window;
    ScriptedBox box;
};

}  // namespace testing_support
