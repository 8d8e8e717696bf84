// Replay scripts: one command a line, '#' starts a comment; every line is checked before a run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ScriptLine {
    int number = 0;                  // 1-based line in the file
    std::string command;             // "key", "type", "wait", ...
    std::vector<std::string> words;  // the words after the command
    std::string rest;                // the rest of the line after the command and one blank
};

// The most presses one `key` line may queue: far more than any screen of the game reads at a
// time, and few enough that a mistyped count cannot fill the memory.
constexpr uint64_t kMaxKeyCount = 1000;
// The longest game time a line may wait for (`wait`, `idle`, `until`): one day.
constexpr uint64_t kMaxScriptWaitMs = 86'400'000;
// Rows and columns of `expect`: as many as any screen mode has, with room to spare.
constexpr uint64_t kMaxScriptCell = 255;

// Parses a script's text; unknown commands are kept for the driver to report.
std::vector<ScriptLine> Script_Parse(const std::string& text);

// What is wrong with a line (its command, the number of its words, a number out of its range,
// an unknown key, a character that cannot be typed); empty when it can be run.
std::string Script_Check(const ScriptLine& line);

// A word of decimal digits only, at most `max`; false (and `value` untouched) otherwise.
bool Script_Number(const std::string& word, uint64_t max, uint64_t& value);

// The text of `until TEXT [MS]` and its limit in game time.
struct UntilArguments {
    std::string text;
    uint64_t limit_ms = 120000;
};
// false when the text is empty or the limit is out of range.
bool Script_UntilArguments(const std::string& rest, UntilArguments& out);

// The text of `expect ROW COL TEXT` after its two numbers (which Script_Check has checked).
std::string Script_ExpectText(const ScriptLine& line);

// "HH:MM:SS" as seconds since midnight; -1 when malformed.
int Replay_ParseClock(const std::string& text);
