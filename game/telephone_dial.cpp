// Choosing the number a replay script asks for and the keys that dial it.
#include "telephone_dial.h"

#include <cstdlib>

namespace {

int Sum(const std::string& number) {
    int sum = 0;
    for (char c : number) sum += c - '0';
    return sum;
}

bool SixDigits(const std::string& text) {
    if (text.size() != 6) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// The text after `"name": ` in the JSON, or npos.
size_t ValueAt(const std::string& json, const std::string& name) {
    const std::string key = "\"" + name + "\": ";
    const size_t at = json.find(key);
    return at == std::string::npos ? at : at + key.size();
}

bool ReadString(const std::string& json, size_t& at, std::string& out) {
    if (at >= json.size() || json[at] != '"') return false;
    const size_t end = json.find('"', at + 1);
    if (end == std::string::npos) return false;
    out = json.substr(at + 1, end - at - 1);
    at = end + 1;
    return true;
}

bool ReadInt(const std::string& json, const std::string& name, int& out) {
    const size_t at = ValueAt(json, name);
    if (at == std::string::npos) return false;
    out = std::atoi(json.c_str() + at);
    return true;
}

bool Stored(const DialState& state, const std::string& number) {
    for (const std::string& stored : state.lineNumbers) {
        if (stored == number) return true;
    }
    return false;
}

}  // namespace

bool Dial_ReadState(const std::string& stateJson, DialState& state) {
    size_t at = ValueAt(stateJson, "culpritNumber");
    if (at == std::string::npos || !ReadString(stateJson, at, state.culpritNumber)) return false;
    if (!ReadInt(stateJson, "targetSum", state.targetSum)) return false;
    if (!ReadInt(stateJson, "digitValue", state.digitValue)) return false;
    if (!ReadInt(stateJson, "digitCount", state.digitCount)) return false;
    at = ValueAt(stateJson, "notice");
    if (at == std::string::npos || !ReadString(stateJson, at, state.notice)) return false;
    const size_t call = ValueAt(stateJson, "callInProgress");
    state.callInProgress = call != std::string::npos && stateJson.compare(call, 4, "true") == 0;
    at = ValueAt(stateJson, "lineNumbers");
    if (at == std::string::npos || stateJson[at] != '[') return false;
    ++at;
    for (std::string& line : state.lineNumbers) {
        while (at < stateJson.size() && (stateJson[at] == ' ' || stateJson[at] == ',')) ++at;
        if (!ReadString(stateJson, at, line)) return false;
    }
    return true;
}

bool Dial_Ready(const DialState& state) {
    return SixDigits(state.culpritNumber) && state.digitCount == 0 && !state.callInProgress;
}

std::string Dial_ChooseNumber(const DialState& state, const std::string& target,
                              std::string& number) {
    if (target == "culprit") {
        if (!SixDigits(state.culpritNumber)) return "the culprit's number is not drawn yet";
        number = state.culpritNumber;
        return "";
    }
    if (target == "existing") {
        // Digits 1-9 first; only a very small digit sum needs zeros.
        for (bool zeros : {false, true}) {
            for (int n = 100000; n <= 999999; ++n) {
                const std::string candidate = std::to_string(n);
                if (!zeros && candidate.find('0') != std::string::npos) continue;
                if (Sum(candidate) != state.targetSum || candidate == state.culpritNumber ||
                    Stored(state, candidate)) {
                    continue;
                }
                number = candidate;
                return "";
            }
        }
        return "no existing number is left";
    }
    if (target == "nonexistent") {
        number = state.targetSum == 6 ? "111112" : "111111";
        return "";
    }
    if (!SixDigits(target)) return "dial NUMBER|culprit|existing|nonexistent";
    if (target[0] == '0') return "a number cannot begin with 0";
    number = target;
    return "";
}

std::vector<std::string> Dial_Keys(const std::string& number, int digitValue) {
    std::vector<std::string> keys(static_cast<size_t>(digitValue > 0 ? digitValue : 0), "left");
    for (char c : number) {
        for (int i = 0; i < c - '0'; ++i) keys.emplace_back("right");
        keys.emplace_back("enter");
    }
    return keys;
}

std::string Dial_KeysFromState(const std::string& stateJson, const std::string& target,
                               std::vector<std::string>& keys, std::string& number) {
    DialState state;
    if (!Dial_ReadState(stateJson, state)) return "dial works only on the telephone screen";
    if (state.digitCount > 0) return "a number is half dialled";
    if (state.callInProgress) return "a call is going on";
    if (!state.notice.empty()) return "a notice is showing: no number can be composed";
    const std::string error = Dial_ChooseNumber(state, target, number);
    if (!error.empty()) return error;
    keys = Dial_Keys(number, state.digitValue);
    return "";
}
