// The game's command line: --help and --version; other arguments are ignored.
#include "command_line.h"

#include <string_view>

#ifndef BRUNOLT_VERSION
#error "BRUNOLT_VERSION comes from the project's version in CMakeLists.txt"
#endif

CommandLineAction ParseCommandLine(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help") return CommandLineAction::ShowHelp;
        if (arg == "--version") return CommandLineAction::ShowVersion;
    }
    return CommandLineAction::Play;
}

std::string CommandLineHelp() {
    return "Usage: brunolt [--help] [--version]\n"
           "\n"
           "A detective game in Italian, played on an on-screen telephone: find out who\n"
           "the escaped bank robber is and dial his number before the time runs out.\n"
           "\n"
           "  --help     show this help and exit\n"
           "  --version  show the version and exit\n"
           "\n"
           "Any other argument is ignored.\n"
           "\n"
           "The best times are kept in tempo.max beside the game when it may be written\n"
           "there, otherwise in the player's own copy, $XDG_DATA_HOME/brunolt/tempo.max\n"
           "(~/.local/share/brunolt/tempo.max).\n";
}

std::string CommandLineVersion() {
    return "Brunolt " BRUNOLT_VERSION "\n";
}
