// Replay scripts: one command a line, '#' starts a comment.
#pragma once

#include <string>
#include <vector>

struct ScriptLine {
    int number = 0;          // 1-based line in the file
    std::string command;     // "key", "type", "wait", ...
    std::vector<std::string> words;  // the words after the command
    std::string rest;        // the rest of the line after the command and one blank
};

// Parses a script's text; unknown commands are kept for the driver to report.
std::vector<ScriptLine> Script_Parse(const std::string& text);
