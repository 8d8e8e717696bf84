// Parsing of replay scripts.
#include "script.h"

#include <sstream>

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
        line.command = raw.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (end != std::string::npos) line.rest = raw.substr(end + 1);
        std::istringstream words(line.rest);
        std::string word;
        while (words >> word) line.words.push_back(word);
        lines.push_back(line);
    }
    return lines;
}
