// What the benchmark files share: the run's settings, anchors and idle figures.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "replay_driver.h"

namespace bench {

// Settings from the command line, beside Google Benchmark's own flags.
struct Settings {
    double idle_seconds = 3.0;    // --idle_seconds: each idle screen is measured this long
    // --replay_speed: the whole-game replay's clock, virtual time (max) or N times real time.
    uint32_t replay_speed = kReplaySpeedMax;
    std::string replay_script;    // --replay_script: the whole-game script
    std::string video_driver;     // SDL_VIDEODRIVER as the process started (empty: dummy)
};
Settings& Config();

// Names the anchors a figure is compared with in the closing table: the full names of other
// benchmarks of the same run ("memcpy/1228800"), or none. A figure labelled "wall" instead
// is shown in wall time.
void Anchor(benchmark::State& state, const std::vector<std::string>& anchors);

// Anchors, with the byte or pixel count as argument: copying and comparing that many bytes,
// and looking that many pixel bytes up in a palette one by one.
void Memcpy(benchmark::State& state);
void Memcmp(benchmark::State& state);
void Lookup(benchmark::State& state);

// CPU share of one thread over an idle measurement.
struct ThreadShare {
    int tid = 0;
    std::string name;
    double cpu_percent = 0;
    double wakes_per_second = 0;  // voluntary context switches: how often it slept and woke
};
struct IdleFigure {
    std::string screen;
    double seconds = 0;
    double process_percent = 0;
    std::vector<ThreadShare> threads;
};
// Idle figures measured so far, printed after the table.
std::vector<IdleFigure>& IdleFigures();

}  // namespace bench
