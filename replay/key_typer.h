// Presses typed into the window one per pass of the display loop, as a person types.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "window.h"

class KeyTyper {
  public:
    // Any thread: queues one press, whose events go into the window together.
    void press(std::vector<plat::WindowEvent> events);
    // Start-up thread, from the loop hook after each pass: in a new event pass, injects the
    // next press. True when that pass injected a press or read the one injected before it,
    // which is when a thread waiting on the typing has something new to see.
    bool serve();
    // Whether every press has gone in and an event pass after the last one has read it.
    bool drained() const;

  private:
    std::mutex mutex_;  // guards the queue; held only to take or add one press
    std::deque<std::vector<plat::WindowEvent>> presses_;
    std::atomic<int32_t> pending_{0};
    std::atomic<uint64_t> lastInjectionPass_{0};  // the event pass after which the last went in
    // Start-up thread only.
    uint64_t servedPass_ = 0;
    bool injectionUnread_ = false;
};
