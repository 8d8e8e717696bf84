// How every tool answers its command line: --help prints the usage to standard output and
// exits 0; a wrong argument prints it to standard error and exits 2.
#pragma once

#include <cstdio>
#include <cstring>

inline bool Tool_AskedForHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) return true;
    }
    return false;
}

// Prints `usage` where the answer goes and returns the exit code.
inline int Tool_Usage(const char* usage, bool asked_for_help) {
    std::fputs(usage, asked_for_help ? stdout : stderr);
    return asked_for_help ? 0 : 2;
}
