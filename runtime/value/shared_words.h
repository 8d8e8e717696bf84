// The words through which the runtime's threads meet, each with one writer and no lock.
#pragma once

#include <atomic>
#include <cstdint>

#include "clock.h"

struct SharedWords {
    // Set by anyone who needs the program thread to run Err_CheckPoint after its statement.
    std::atomic<int32_t> checkRequest{0};
    // Set by the shutdown sequence: the program and timer threads must end.
    std::atomic<int32_t> stop{0};
    // Set by the program thread (Rt_End, a refused error box) or the stop key: the loop leaves.
    std::atomic<int32_t> programEnded{0};
    // Bit 1: program thread parked; bit 2: timer-event thread returned.
    std::atomic<int32_t> finishedThreads{0};
    // Set by a program that wants to see window-close and stop-key requests itself.
    std::atomic<int32_t> exitIntercept{0};
    // Bit 1 window close, bit 2 stop key; only meaningful while exitIntercept is set.
    std::atomic<int32_t> exitRequest{0};
    // Mode change: 0 idle, 1 requested by Scr_SetMode, 2 granted by the presenter.
    std::atomic<int32_t> modeHandshake{0};
    // 1 present every frame, -1 present once more and then 0, 0 off.
    std::atomic<int32_t> displayEnable{1};
    // The process's exit code at shutdown.
    std::atomic<int32_t> exitCode{0};
    // Hold request to the display loop (1 asked, 2 holding) and to the timer-event thread.
    std::atomic<int32_t> loopHold{0};
    std::atomic<int32_t> timerHold{0};
    // Set once the display and event loop runs; Scr_SetMode then uses the handshake.
    std::atomic<int32_t> loopRunning{0};
    // Alt+Enter presses not yet taken by the presenter (each toggles full screen once).
    std::atomic<int32_t> fullScreenRequests{0};
    // Non-zero holds the program thread at its statement check; bit 2 is the sound marker,
    // bit 4 the Pause key.
    std::atomic<uint8_t> waitMask{0};
    // Set by the program thread while it waits for a key with its key ring empty (Kbd_Inkey
    // after many empty polls in a row, Kbd_ReadChars); the replay driver reads it.
    std::atomic<int32_t> keyWait{0};

    // Wakes the program thread where it waits through the clock (for a key, at its statement
    // check, parked): notified with every key stored, check request, cleared wait bit and stop.
    plat::WakeSignal programWake;
    // Wakes the timer-event thread: notified with the stop flag (and with its hold request).
    plat::WakeSignal timerWake;
};

constexpr int32_t kFinishedProgram = 1;
constexpr int32_t kFinishedTimer = 2;
constexpr uint8_t kWaitSound = 2;
constexpr uint8_t kWaitPause = 4;

// The process's one set of shared words.
SharedWords& Rt_Words();
// Every word back to where a run starts, and no error pending: a second run in the same
// process (or the next test) starts afresh. Only while no runtime thread runs.
void Rt_ResetWords();

// Wakes the program thread wherever it waits through the clock; any thread.
void Rt_WakeProgram();
// Asks the program thread to run its statement check after its current statement, and wakes
// it if it waits for a key meanwhile; any thread.
void Rt_RequestCheck();
// Sets the stop flag (and the check request) and wakes the program and timer-event threads.
void Rt_RequestStop();
