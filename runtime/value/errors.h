// Numbered runtime errors, the statement check and the end of the program thread.
#pragma once

#include <cstdint>
#include <string>

#include "shared_words.h"

// The fixed message of an error number ("Unprintable error" for numbers not in the table).
const char* Err_Message(uint32_t number);

// Records a runtime error for the current statement (only the first one counts; a number
// below 1 or beyond 32 bits becomes 5).
// Critical numbers show their box at once and end the process; they do not return.
void Err_Raise(int64_t number);

// The pending error of the current statement, 0 when none. Every runtime operation that can
// fail looks at this first and does nothing while it is non-zero.
uint32_t Err_Pending();
inline bool Err_IsPending() { return Err_Pending() != 0; }

// Runs at the end of a statement when the check request flag is set: waits on the wait mask,
// stops the program thread when the program is closing, and shows the error box for a
// pending error. Returns whether the statement must run again (never, without a handler).
bool Err_CheckPoint(int line);

// The cheap part of the statement check that every statement of the game ends with.
inline void Err_EndStatement(int line) {
    if (Rt_Words().checkRequest.load(std::memory_order_acquire) != 0) Err_CheckPoint(line);
}

// Ends a statement of the game: `STMT(Scr_Print(text, true));`. For a statement that declares
// a variable, write the declaration and then `END_STATEMENT;`.
#define STMT(...)                   \
    do {                            \
        __VA_ARGS__;                \
        Err_EndStatement(__LINE__); \
    } while (false)
#define END_STATEMENT Err_EndStatement(__LINE__)

// Thrown by Rt_ParkProgramThread to unwind the program thread's stack; caught only at the
// thread's entry. Game code never catches it.
struct ProgramThreadExit {};

// Marks the calling thread as the program thread (called at its entry).
void Rt_SetProgramThread();
bool Rt_IsProgramThread();

// Parks the program thread until shutdown and then ends it. Never returns.
[[noreturn]] void Rt_ParkProgramThread();

// Ends the program as a critical error does: exit code 0 through the shutdown sequence when
// called on the program thread, immediately otherwise. Never returns.
[[noreturn]] void Rt_CriticalExit();

// A routine the statement check runs on the program thread whenever it is requested, also
// while the program waits there (the replay driver reads the game's state through it).
using Err_TrapHook = void (*)();
void Err_SetTrapHook(Err_TrapHook hook);

// Forgets any pending error (used when a fresh program starts in the same process).
void Err_Reset();
