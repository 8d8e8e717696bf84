// brunolt-replay [--dir DIR] [--speed N] [--clock HH:MM:SS] SCRIPT
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "game_state.h"
#include "replay_driver.h"

namespace {
// To standard output with exit code 0 when asked for with --help, else to standard error with 2.
int Usage(bool asked_for_help = false) {
    std::fputs("usage: brunolt-replay [--dir DIR] [--speed N] [--clock HH:MM:SS] SCRIPT\n",
               asked_for_help ? stdout : stderr);
    return asked_for_help ? 0 : 2;
}
}  // namespace

int main(int argc, char** argv) {
    ReplayOptions options;
    options.main_module = GameMain;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") return Usage(true);
        if ((arg == "--dir" || arg == "--speed" || arg == "--clock") && i + 1 >= argc) return Usage();
        if (arg == "--dir") {
            options.data_directory = argv[++i];
        } else if (arg == "--speed") {
            const long speed = std::strtol(argv[++i], nullptr, 10);
            if (speed < 1 || speed > 10000) return Usage();
            options.speed = static_cast<uint32_t>(speed);
        } else if (arg == "--clock") {
            options.clock_seconds_of_day = Replay_ParseClock(argv[++i]);
            if (options.clock_seconds_of_day < 0) return Usage();
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
    return Replay_Run(options);
}
