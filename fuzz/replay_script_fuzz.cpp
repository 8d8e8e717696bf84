// Fuzz target: an arbitrary replay script read and checked as brunolt-replay does before a run.
// Every line the check accepts must give the driver what it reads from it: numbers within the
// ranges the check names, a text for `until` and `expect`, and a key it can press.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "key_names.h"
#include "script.h"

namespace {

[[noreturn]] void Fail(const ScriptLine& line, const char* what) {
    std::fprintf(stderr, "fuzz: line %d \"%s %s\" passed the check, but %s\n", line.number,
                 line.command.c_str(), line.rest.c_str(), what);
    std::abort();
}

// What the driver takes from a line the check accepted, as the driver takes it.
void ReadAsTheDriver(const ScriptLine& line) {
    const std::string& command = line.command;
    uint64_t n = 0;
    if (command == "key") {
        std::vector<plat::WindowEvent> events;
        if (!Keys_Press(line.words[0], events) || events.empty()) Fail(line, "the key is unknown");
        if (line.words.size() == 2 &&
            (!Script_Number(line.words[1], kMaxKeyCount, n) || n == 0 || n > kMaxKeyCount)) {
            Fail(line, "the count is out of range");
        }
    } else if (command == "until") {
        UntilArguments until;
        if (!Script_UntilArguments(line.rest, until) || until.text.empty() ||
            until.limit_ms > kMaxScriptWaitMs) {
            Fail(line, "it has no text or its limit is out of range");
        }
    } else if (command == "expect") {
        if (Script_ExpectText(line).empty()) Fail(line, "it has no text");
    } else if (command == "wait" || command == "exit" || command == "seed") {
        if (!Script_Number(line.words.at(0), UINT32_MAX, n)) Fail(line, "its number is too large");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const ScriptLine& line : Script_Parse(text)) {
        if (line.number < 1) Fail(line, "its number is not a line of the file");
        if (Script_Check(line).empty()) ReadAsTheDriver(line);
    }
    return 0;
}
