// The replay driver: plays the real game headless from a script, in virtual or sped-up time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "runtime_main.h"
#include "script.h"

// --speed max: virtual time, as fast as the machine goes and the same every time.
constexpr uint32_t kReplaySpeedMax = 0;

// What a run cost, for measurements.
struct ReplayStats {
    uint32_t game_ms = 0;      // the game's clock at the end
    uint64_t frames_read = 0;  // frames the script read (every changed one while it waits)
    uint64_t hand_offs = 0;    // switches of the virtual clock from one thread to another
};

struct ReplayOptions {
    std::string data_directory;            // --dir; empty: a fresh copy of the data beside it
    uint32_t speed = kReplaySpeedMax;      // --speed: kReplaySpeedMax, or N times real time
    int clock_seconds_of_day = 10 * 3600;  // --clock
    std::string script_path;
    std::string start_directory;  // where relative output files go
    MainModule main_module = nullptr;
    ReplayStats* stats = nullptr;  // filled in at the end when given
    // Runs on the program thread at its next statement check for each `note TEXT` line, given
    // the text (brunolt-soak measures the runtime there); `note` does nothing else.
    std::function<void(const std::string& text)> on_note;
};

// Runs the script against the game; 0 when every line held, 1 otherwise (a message naming the
// script line goes to standard error).
int Replay_Run(const ReplayOptions& options);
