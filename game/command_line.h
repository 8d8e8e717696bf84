// The game's command line: --help and --version. The game itself reads no arguments, so every
// other argument is ignored.
#pragma once

#include <string>

enum class CommandLineAction { Play, ShowHelp, ShowVersion };

// What the arguments after the program name ask for; the first of --help and --version wins.
CommandLineAction ParseCommandLine(int argc, const char* const* argv);

// The texts printed to standard output for --help and --version, each ending in a line end.
std::string CommandLineHelp();
std::string CommandLineVersion();
