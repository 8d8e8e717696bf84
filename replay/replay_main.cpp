// brunolt-replay [--dir DIR] [--speed max|N] [--clock HH:MM:SS] [--stats] SCRIPT
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "game_state.h"
#include "replay_driver.h"

namespace {

// Above this the game runs ahead of the script between two of its commands, and a script that
// passes slower could fail; virtual time has no such limit.
constexpr long kFastestScaledSpeed = 20;

// To standard output with exit code 0 when asked for with --help, else to standard error with 2.
int Usage(bool asked_for_help = false) {
    std::fprintf(asked_for_help ? stdout : stderr,
                 "usage: brunolt-replay [--dir DIR] [--speed max|N] [--clock HH:MM:SS] [--stats] "
                 "SCRIPT\n"
                 "  --speed max  virtual time (the default): the game's clock moves only while\n"
                 "               the game waits, so a run is as fast as the machine allows and\n"
                 "               the same script gives the same game every time\n"
                 "  --speed N    real time N times faster (1 to %ld), to watch a run\n"
                 "  --stats      print what the run cost when it ends\n",
                 kFastestScaledSpeed);
    return asked_for_help ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
    ReplayOptions options;
    options.main_module = GameMain;
    bool print_stats = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") return Usage(true);
        if ((arg == "--dir" || arg == "--speed" || arg == "--clock") && i + 1 >= argc) {
            return Usage();
        }
        if (arg == "--dir") {
            options.data_directory = argv[++i];
        } else if (arg == "--speed") {
            const std::string value = argv[++i];
            if (value == "max") {
                options.speed = kReplaySpeedMax;
                continue;
            }
            char* end = nullptr;
            const long speed = std::strtol(value.c_str(), &end, 10);
            if (end == value.c_str() || *end != '\0' || speed < 1 || speed > kFastestScaledSpeed) {
                return Usage();
            }
            options.speed = static_cast<uint32_t>(speed);
        } else if (arg == "--clock") {
            options.clock_seconds_of_day = Replay_ParseClock(argv[++i]);
            if (options.clock_seconds_of_day < 0) return Usage();
        } else if (arg == "--stats") {
            print_stats = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage();
        } else if (options.script_path.empty()) {
            options.script_path = arg;
        } else {
            return Usage();
        }
    }
    if (options.script_path.empty()) return Usage();
    char here[PATH_MAX] = {};
    if (getcwd(here, sizeof here) != nullptr) options.start_directory = here;
    ReplayStats stats;
    options.stats = &stats;
    const auto start = std::chrono::steady_clock::now();
    const int result = Replay_Run(options);
    if (print_stats) {
        const auto wall = std::chrono::steady_clock::now() - start;
        const double wall_s = std::chrono::duration<double>(wall).count();
        std::fprintf(stderr,
                     "game time %.1f s in %.2f s of wall time (%.0f x), %llu frames read, "
                     "%llu hand-offs\n",
                     stats.game_ms / 1000.0, wall_s, stats.game_ms / 1000.0 / wall_s,
                     static_cast<unsigned long long>(stats.frames_read),
                     static_cast<unsigned long long>(stats.hand_offs));
    }
    return result;
}
