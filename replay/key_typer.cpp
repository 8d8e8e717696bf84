// The key typer's queue of presses.
#include "key_typer.h"

#include <utility>

#include "platform.h"
#include "runtime_main.h"

void KeyTyper::press(std::vector<plat::WindowEvent> events) {
    std::lock_guard<std::mutex> lock(mutex_);
    presses_.push_back(std::move(events));
    pending_.fetch_add(1, std::memory_order_acq_rel);
}

bool KeyTyper::serve() {
    const uint64_t passes = Rt_EventPasses();
    if (passes == servedPass_) return false;
    servedPass_ = passes;
    bool news = injectionUnread_;
    injectionUnread_ = false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (!presses_.empty()) {
        for (const plat::WindowEvent& event : presses_.front()) {
            plat::Plat().window->inject_event(event);
        }
        presses_.pop_front();
        lastInjectionPass_.store(passes, std::memory_order_release);
        pending_.fetch_sub(1, std::memory_order_acq_rel);
        injectionUnread_ = true;
        news = true;
    }
    return news;
}

bool KeyTyper::drained() const {
    return pending_.load(std::memory_order_acquire) == 0 &&
           Rt_EventPasses() > lastInjectionPass_.load(std::memory_order_acquire);
}
