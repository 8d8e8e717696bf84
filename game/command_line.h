// The game's command line: --help, --version and the display options. The game itself reads
// no arguments, so every other argument is ignored.
#pragma once

#include <string>

#include "platform.h"

enum class CommandLineAction { Play, ShowHelp, ShowVersion, Refuse };

struct CommandLine {
    CommandLineAction action = CommandLineAction::Play;
    plat::DisplayOptions display;
    std::string error;  // for Refuse: one line saying what is wrong, ending in a line end
};

// What the arguments after the program name ask for. The first of --help and --version wins
// over everything else; otherwise a wrong --scale refuses the whole line. `--scale N` and
// `--scale=N` take a whole number from 1 to 8 (the last one given counts); `--fullscreen`
// asks for the desktop-sized full screen.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The texts printed to standard output for --help and --version, each ending in a line end.
std::string CommandLineHelp();
std::string CommandLineVersion();
// The usage line, printed to standard error after the error of a refused line.
std::string CommandLineUsage();
