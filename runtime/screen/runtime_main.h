// RuntimeMain: start-up, the three threads, the display and event loop, shutdown and Rt_End.
#pragma once

#include <cstdint>
#include <string>

#include "platform.h"

using MainModule = void (*)();

// Runs the whole program on the given seams and returns its exit code once every thread of
// the runtime has ended. Start-up failures return their exit codes (100, 601, 602, 7000).
int RuntimeRun(int argc, char** argv, const plat::Platform& platform, MainModule main_module);

// A routine the display and event loop runs on the start-up thread after every pass (the
// replay driver injects keys and reads frames through it). Set before RuntimeRun.
using LoopHook = void (*)();
void Rt_SetLoopHook(LoopHook hook);
// Event passes made by the display loop since start-up.
uint64_t Rt_EventPasses();

// The program's entry operation: RuntimeRun, then the process ends with its exit code. In a
// browser it returns once the threads run, and the page runs the loop frame by frame.
int RuntimeMain(int argc, char** argv, const plat::Platform& platform, MainModule main_module);

// The program's end statement: the end prompt, a key, and the program thread parks.
[[noreturn]] void Rt_End();

// The arguments after the program name joined with single blanks.
const std::string& Rt_CommandLine();

// Working directory of the program: the directory part of a module path, cut after its last
// '\', '/' or ':' (a colon stays, so a drive root stays a drive root).
std::string Rt_DirectoryOfModule(const std::string& module_path);
