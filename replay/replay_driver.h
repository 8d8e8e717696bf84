// The replay driver: plays the real game headless from a script, faster than real time.
#pragma once

#include <cstdint>
#include <string>

#include "runtime_main.h"

struct ReplayOptions {
    std::string data_directory;      // --dir; empty: a fresh copy of the data beside the driver
    uint32_t speed = 1;              // --speed
    int clock_seconds_of_day = 10 * 3600;  // --clock
    std::string script_path;
    std::string start_directory;     // where relative output files go
    MainModule main_module = nullptr;
};

// Runs the script against the game; 0 when every line held, 1 otherwise (a message naming the
// script line goes to standard error).
int Replay_Run(const ReplayOptions& options);

// "HH:MM:SS" as seconds since midnight; -1 when malformed.
int Replay_ParseClock(const std::string& text);
