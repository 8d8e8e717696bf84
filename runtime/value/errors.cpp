// The error table, Err_Raise, the statement check and the parking of the program thread.
#include "errors.h"

#include <cstdio>
#include <cstdlib>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform.h"

namespace {

struct ErrorText {
    uint32_t number;
    const char* message;
};

constexpr ErrorText kErrors[] = {
    {1, "NEXT without FOR"},
    {2, "Syntax error"},
    {3, "RETURN without GOSUB"},
    {4, "Out of DATA"},
    {5, "Illegal function call"},
    {6, "Overflow"},
    {7, "Out of memory"},
    {8, "Label not defined"},
    {9, "Subscript out of range"},
    {10, "Duplicate definition"},
    {12, "Illegal in direct mode"},
    {13, "Type mismatch"},
    {14, "Out of string space"},
    {16, "String formula too complex"},
    {17, "Cannot continue"},
    {18, "Function not defined"},
    {19, "No RESUME"},
    {20, "RESUME without error"},
    {24, "Device timeout"},
    {25, "Device fault"},
    {26, "FOR without NEXT"},
    {27, "Out of paper"},
    {29, "WHILE without WEND"},
    {30, "WEND without WHILE"},
    {33, "Duplicate label"},
    {35, "Subprogram not defined"},
    {37, "Argument-count mismatch"},
    {38, "Array not defined"},
    {40, "Variable required"},
    {50, "FIELD overflow"},
    {51, "Internal error"},
    {52, "Bad file name or number"},
    {53, "File not found"},
    {54, "Bad file mode"},
    {55, "File already open"},
    {56, "FIELD statement active"},
    {57, "Device I/O error"},
    {58, "File already exists"},
    {59, "Bad record length"},
    {61, "Disk full"},
    {62, "Input past end of file"},
    {63, "Bad record number"},
    {64, "Bad file name"},
    {67, "Too many files"},
    {68, "Device unavailable"},
    {69, "Communication-buffer overflow"},
    {70, "Permission denied"},
    {71, "Disk not ready"},
    {72, "Disk-media error"},
    {73, "Feature unavailable"},
    {74, "Rename across disks"},
    {75, "Path/File access error"},
    {76, "Path not found"},
    {258, "Invalid handle"},
    {300, "Memory region out of range"},
    {301, "Invalid size"},
    {302, "Source memory region out of range"},
    {303, "Destination memory region out of range"},
    {304, "Source and destination memory regions out of range"},
    {305, "Source memory has been freed"},
    {306, "Destination memory has been freed"},
    {307, "Memory already freed"},
    {308, "Memory has been freed"},
    {309, "Memory not initialized"},
    {310, "Source memory not initialized"},
    {311, "Destination memory not initialized"},
    {312, "Source and destination memory not initialized"},
    {313, "Source and destination memory have been freed"},
};

bool IsFatal(uint32_t number) { return number >= 300 && number <= 313; }

// Text and caption of a critical number; false when the number is not critical.
bool CriticalBox(int64_t number, std::string& text, std::string& caption) {
    if (number == 11 || number == 256 || number == 259 || number == 260 || number == 261) {
        text = number == 11    ? "Division by zero"
               : number == 256 ? "Out of stack space"
               : number == 259 ? "Cannot find dynamic library file"
                               : "Sub/Function does not exist in dynamic library";
        caption = "Critical Error";
        return true;
    }
    if (number == 257) {
        text = "Out of memory";
        caption = "Critical Error #1";
        return true;
    }
    if (number >= 502 && number <= 518) {
        text = "Out of memory";
        caption = "Critical Error #" + std::to_string(number - 500);
        return true;
    }
    return false;
}

plat::BoxAnswer ShowBox(const std::string& caption, const std::string& text,
                        plat::BoxButtons buttons) {
    // The box's words also go to standard error: there is no log, and a player who reports a
    // fault can copy them from there.
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    plat::MessageBox* box = plat::Plat().message_box;
    return box == nullptr ? plat::BoxAnswer::NotShown : box->show(caption, text, buttons);
}

// Only the program thread reads or writes the pending error.
thread_local bool t_is_program_thread = false;
uint32_t g_pending_error = 0;  // program-thread state: the first error of the statement
// Set before the program thread starts and only read by it afterwards.
std::atomic<Err_TrapHook> g_trap_hook{nullptr};

void RunTrapHook() {
    if (Err_TrapHook hook = g_trap_hook.load(std::memory_order_acquire)) hook();
}

// The program thread's waits at its statement check and while parked: until the program-wake
// signal moves past `seen` (a cleared wait bit, a request, the stop flag) or `timeout_ms` have
// passed. Every writer of those words notifies the signal, so the timeout is only a safety net.
void WaitForWake(uint32_t seen, uint32_t timeout_ms) {
    plat::Clock* clock = plat::Plat().clock;
    if (clock != nullptr) {
        clock->wait(Rt_Words().programWake, seen, timeout_ms);
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
    }
}

// Longest look-again interval while the statement check holds the program thread.
constexpr uint32_t kCheckWaitMs = 100;
// The parked program thread looks at the stop flag at least this often.
constexpr uint32_t kParkedWaitMs = 16;

}  // namespace

const char* Err_Message(uint32_t number) {
    for (const ErrorText& entry : kErrors) {
        if (entry.number == number) return entry.message;
    }
    return "Unprintable error";
}

uint32_t Err_Pending() { return g_pending_error; }

void Err_Reset() { g_pending_error = 0; }

void Err_SetTrapHook(Err_TrapHook hook) { g_trap_hook.store(hook, std::memory_order_release); }

void Rt_SetProgramThread() { t_is_program_thread = true; }

bool Rt_IsProgramThread() { return t_is_program_thread; }

void Err_Raise(int64_t number) {
    std::string text;
    std::string caption;
    if (CriticalBox(number, text, caption)) {
        ShowBox(caption, text, plat::BoxButtons::Ok);
        Rt_CriticalExit();
    }
    if (g_pending_error != 0) return;
    // A number the 32-bit pending word cannot hold counts as one below 1.
    const bool fits = number >= 1 && number <= int64_t{UINT32_MAX};
    g_pending_error = fits ? static_cast<uint32_t>(number) : 5u;
    Rt_Words().checkRequest.store(1, std::memory_order_release);
}

bool Err_CheckPoint(int line) {
    SharedWords& words = Rt_Words();
    words.checkRequest.store(0, std::memory_order_release);
    for (;;) {
        const uint32_t seen = words.programWake.generation();
        if (words.waitMask.load(std::memory_order_acquire) == 0 &&
            words.stop.load(std::memory_order_acquire) == 0) {
            break;
        }
        if (words.stop.load(std::memory_order_acquire) != 0) Rt_ParkProgramThread();
        RunTrapHook();
        WaitForWake(seen, kCheckWaitMs);
    }
    const uint32_t number = g_pending_error;
    if (number == 0) {
        // The program's event traps would be served here; the game defines none.
        RunTrapHook();
        return false;
    }

    std::string text = "Line:" + std::to_string(line) + "\n" + Err_Message(number);
    std::string caption;
    if (IsFatal(number)) {
        caption = "Critical Error #" + std::to_string(number);
        ShowBox(caption, text, plat::BoxButtons::Ok);
        Rt_CriticalExit();
    }
    text += "\nContinue?";
    caption = "Unhandled Error #" + std::to_string(number);
    const plat::BoxAnswer answer = ShowBox(caption, text, plat::BoxButtons::YesNo);
    if (answer == plat::BoxAnswer::Yes || answer == plat::BoxAnswer::NotShown) {
        g_pending_error = 0;
        return false;
    }
    words.programEnded.store(1, std::memory_order_release);
    Rt_ParkProgramThread();
}

void Rt_ParkProgramThread() {
    SharedWords& words = Rt_Words();
    words.finishedThreads.fetch_or(kFinishedProgram, std::memory_order_acq_rel);
    for (;;) {
        const uint32_t seen = words.programWake.generation();
        if (words.stop.load(std::memory_order_acquire) != 0) break;
        WaitForWake(seen, kParkedWaitMs);
    }
    throw ProgramThreadExit{};
}

void Rt_CriticalExit() {
    if (Rt_IsProgramThread()) {
        Rt_Words().exitCode.store(0, std::memory_order_release);
        Rt_Words().programEnded.store(1, std::memory_order_release);
        Rt_ParkProgramThread();
    }
    std::_Exit(0);
}
