// The game's command line: --help, --version, --scale and --fullscreen; other arguments are
// ignored.
#include "command_line.h"

#include <algorithm>
#include <string_view>

#ifndef BRUNOLT_VERSION
#error "BRUNOLT_VERSION comes from the project's version in CMakeLists.txt"
#endif

namespace {

// A whole number from 1 to plat::kMaxWindowScale written in plain digits, or 0.
int ParseScale(std::string_view text) {
    if (text.empty()) return 0;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return 0;
        value = std::min(value * 10 + (c - '0'), plat::kMaxWindowScale + 1);
    }
    return value >= 1 && value <= plat::kMaxWindowScale ? value : 0;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    bool refused = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "--version") {
            line.action =
                arg == "--help" ? CommandLineAction::ShowHelp : CommandLineAction::ShowVersion;
            return line;
        }
        if (arg == "--fullscreen") {
            line.display.desktop_full_screen = true;
            continue;
        }
        constexpr std::string_view kScaleIs = "--scale=";
        std::string_view value;
        if (arg == "--scale") {
            // The next argument is the number, whatever it looks like.
            if (i + 1 < argc) value = argv[++i];
        } else if (arg.substr(0, kScaleIs.size()) == kScaleIs) {
            value = arg.substr(kScaleIs.size());
        } else {
            continue;
        }
        const int scale = ParseScale(value);
        if (scale == 0 && !refused) {
            refused = true;
            line.error = "brunolt: --scale takes a whole number from 1 to " +
                         std::to_string(plat::kMaxWindowScale) + "\n";
        }
        if (scale != 0) line.display.window_scale = scale;
    }
    if (refused) line.action = CommandLineAction::Refuse;
    return line;
}

std::string CommandLineUsage() {
    return "Usage: brunolt [--scale N] [--fullscreen] [--help] [--version]\n";
}

std::string CommandLineHelp() {
    return CommandLineUsage() +
           "\n"
           "A detective game in Italian, played on an on-screen telephone: find out who\n"
           "the escaped bank robber is and dial his number before the time runs out.\n"
           "\n"
           "  --scale N     show the window N times larger, each pixel as N x N (1 to 8;\n"
           "                1 by default)\n"
           "  --fullscreen  start in full screen at the desktop's own size, the picture\n"
           "                as large as it fits whole, centred; Alt+Enter toggles it with\n"
           "                the window\n"
           "  --help        show this help and exit\n"
           "  --version     show the version and exit\n"
           "\n"
           "Without --fullscreen, Alt+Enter switches the screen to the closest listed mode.\n"
           "Any other argument is ignored.\n"
           "\n"
           "The best times are kept in tempo.max beside the game when it may be written\n"
           "there, otherwise in the player's own copy, $XDG_DATA_HOME/brunolt/tempo.max\n"
           "(~/.local/share/brunolt/tempo.max).\n";
}

std::string CommandLineVersion() {
    return "Brunolt " BRUNOLT_VERSION "\n";
}
