// Parsing and checking of replay scripts.
#include "script.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "key_names.h"

namespace {

std::string Trim(const std::string& text) {
    const size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return "";
    const size_t end = text.find_last_not_of(" \t");
    return text.substr(start, end - start + 1);
}

std::string Range(uint64_t low, uint64_t high) {
    return " (" + std::to_string(low) + " to " + std::to_string(high) + ")";
}

// The one word of a line that names a file (`screen`, `shot`, `state`, `sounds`).
std::string CheckFile(const ScriptLine& line) {
    return line.words.size() == 1 ? "" : line.command + " FILE";
}

std::string CheckKey(const ScriptLine& line) {
    const auto& words = line.words;
    const std::string usage = "key NAME [COUNT]" + Range(1, kMaxKeyCount);
    if (words.empty() || words.size() > 2) return usage;
    std::vector<plat::WindowEvent> events;
    if (!Keys_Press(words[0], events)) return "unknown key " + words[0];
    uint64_t count = 1;
    if (words.size() == 2 && (!Script_Number(words[1], kMaxKeyCount, count) || count == 0)) {
        return usage;
    }
    return "";
}

std::string CheckExpect(const ScriptLine& line) {
    const auto& words = line.words;
    const bool colour = line.command == "expect-colour";
    const std::string usage = line.command + " ROW COL " + (colour ? "N" : "TEXT") +
                              " (ROW and COL 1 to " + std::to_string(kMaxScriptCell) +
                              (colour ? ", N 0 to 255)" : ")");
    uint64_t row = 0, column = 0, n = 0;
    if (words.size() < 3 || (colour && words.size() != 3) ||
        !Script_Number(words[0], kMaxScriptCell, row) || row == 0 ||
        !Script_Number(words[1], kMaxScriptCell, column) || column == 0 ||
        (colour && !Script_Number(words[2], 255, n))) {
        return usage;
    }
    return "";
}

}  // namespace

std::vector<ScriptLine> Script_Parse(const std::string& text) {
    std::vector<ScriptLine> lines;
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        size_t start = raw.find_first_not_of(" \t");
        if (start == std::string::npos || raw[start] == '#') continue;
        ScriptLine line;
        line.number = number;
        const size_t end = raw.find_first_of(" \t", start);
        line.command =
            raw.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end != std::string::npos) line.rest = raw.substr(end + 1);
        std::istringstream words(line.rest);
        std::string word;
        while (words >> word) line.words.push_back(word);
        lines.push_back(line);
    }
    return lines;
}

bool Script_Number(const std::string& word, uint64_t max, uint64_t& value) {
    if (word.empty()) return false;
    uint64_t result = 0;
    for (const char c : word) {
        if (c < '0' || c > '9') return false;
        const auto digit = static_cast<uint64_t>(c - '0');
        if (digit > max || result > (max - digit) / 10)
            return false;  // past max, and never past the type
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

bool Script_UntilArguments(const std::string& rest, UntilArguments& out) {
    std::string text = Trim(rest);
    uint64_t limit = 120000;
    const size_t blank = text.find_last_of(" \t");
    if (blank != std::string::npos) {
        const std::string last = text.substr(blank + 1);
        if (last.find_first_not_of("0123456789") == std::string::npos) {
            if (!Script_Number(last, kMaxScriptWaitMs, limit)) return false;
            text = Trim(text.substr(0, blank));
        }
    }
    if (text.empty()) return false;
    out.text = text;
    out.limit_ms = limit;
    return true;
}

std::string Script_ExpectText(const ScriptLine& line) {
    const size_t after_row = line.rest.find(line.words[0]) + line.words[0].size();
    const size_t after_col = line.rest.find(line.words[1], after_row) + line.words[1].size();
    return line.rest.substr(std::min(line.rest.size(), after_col + 1));
}

std::string Script_Check(const ScriptLine& line) {
    const std::string& command = line.command;
    const auto& words = line.words;
    uint64_t n = 0;
    if (command == "key") return CheckKey(line);
    if (command == "type") {
        if (line.rest.empty()) return "type TEXT";
        for (const char c : line.rest) {
            if (Keys_TypeChar(c).empty()) return std::string("cannot type '") + c + "'";
        }
        return "";
    }
    if (command == "wait") {
        return words.size() == 1 && Script_Number(words[0], kMaxScriptWaitMs, n)
                   ? ""
                   : "wait MS" + Range(0, kMaxScriptWaitMs);
    }
    if (command == "idle") {
        return words.empty() || (words.size() == 1 && Script_Number(words[0], kMaxScriptWaitMs, n))
                   ? ""
                   : "idle [MS]" + Range(0, kMaxScriptWaitMs);
    }
    if (command == "until") {
        UntilArguments until;
        return Script_UntilArguments(line.rest, until)
                   ? ""
                   : "until TEXT [MS]: a text, and MS" + Range(0, kMaxScriptWaitMs);
    }
    if (command == "expect" || command == "expect-colour") return CheckExpect(line);
    if (command == "clock") {
        return words.size() == 1 && Replay_ParseClock(words[0]) >= 0 ? "" : "clock HH:MM:SS";
    }
    if (command == "answer") {
        return words.size() == 1 && (words[0] == "yes" || words[0] == "no") ? "" : "answer yes|no";
    }
    if (command == "close") return words.empty() ? "" : "close takes no words";
    if (command == "exit") {
        return words.size() == 1 && Script_Number(words[0], 255, n) ? "" : "exit CODE (0 to 255)";
    }
    if (command == "screen" || command == "shot" || command == "state" || command == "sounds") {
        return CheckFile(line);
    }
    if (command == "seed") {
        return words.size() == 1 && Script_Number(words[0], 0xFFFFFF, n) ? ""
                                                                         : "seed N (0 to 16777215)";
    }
    if (command == "note") return "";
    if (command == "dial") {
        return words.size() == 1 ? "" : "dial NUMBER|culprit|existing|nonexistent";
    }
    return "unknown command " + command;
}

int Replay_ParseClock(const std::string& text) {
    int h = 0, m = 0, s = 0;
    char extra = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d%c", &h, &m, &s, &extra) != 3) return -1;
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return -1;
    return h * 3600 + m * 60 + s;
}
