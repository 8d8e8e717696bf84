// The storage behind the shared words.
#include "shared_words.h"

#include "errors.h"
#include "platform.h"

SharedWords& Rt_Words() {
    // Runtime shared words: read and written by the start-up, program and timer threads.
    static SharedWords words;
    return words;
}

void Rt_ResetWords() {
    SharedWords& words = Rt_Words();
    words.checkRequest = 0;
    words.stop = 0;
    words.programEnded = 0;
    words.finishedThreads = 0;
    words.exitIntercept = 0;
    words.exitRequest = 0;
    words.modeHandshake = 0;
    words.displayEnable = 1;
    words.exitCode = 0;
    words.loopHold = 0;
    words.timerHold = 0;
    words.loopRunning = 0;
    words.fullScreenRequests = 0;
    words.waitMask = 0;
    Err_Reset();
}

namespace {
void Notify(plat::WakeSignal& signal) {
    if (plat::Clock* clock = plat::Plat().clock) clock->notify(signal);
}
}  // namespace

void Rt_WakeProgram() {
    Notify(Rt_Words().programWake);
}

void Rt_RequestCheck() {
    Rt_Words().checkRequest.store(1, std::memory_order_release);
    Rt_WakeProgram();
}

void Rt_RequestStop() {
    SharedWords& words = Rt_Words();
    words.stop.store(1, std::memory_order_release);
    words.checkRequest.store(1, std::memory_order_release);
    Notify(words.programWake);
    Notify(words.timerWake);
}
