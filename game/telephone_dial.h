// The keys that choose and dial a number on the telephone screen, for the replay driver's
// `dial NUMBER|culprit|existing|nonexistent`.
#pragma once

#include <array>
#include <string>
#include <vector>

// What dialling needs of the telephone screen's published state.
struct DialState {
    std::string culpritNumber;
    int targetSum = 0;
    std::array<std::string, 10> lineNumbers{};  // lines 1 to 10
    int digitValue = 0;
    int digitCount = 0;
    std::string notice;
    bool callInProgress = false;  // from a complete attempt to the end of its outcome
};

// Whether a new number can be dialled: the screen's first pass has drawn the culprit's number,
// no digit of an attempt is dialled and no call is going on.
bool Dial_Ready(const DialState& state);

// Reads the fields from the game's state JSON (Game_StateJson while the telephone screen
// runs); false when the telephone screen's fields are not there.
bool Dial_ReadState(const std::string& stateJson, DialState& state);

// The six digits a target names: the digits themselves, "culprit" (the culprit's number),
// "existing" (the target digit sum, neither the culprit's nor stored on a line; digits 1-9
// when possible, since a 0 takes ten pulses) or "nonexistent" (another digit sum). Returns an
// error text, empty on success.
std::string Dial_ChooseNumber(const DialState& state, const std::string& target,
                              std::string& number);

// Key names for a number dialled from the start of an attempt: for each digit that many
// "right" and one "enter" (a 0 is "enter" alone: ten pulses). A value already chosen is
// taken back first with "left".
std::vector<std::string> Dial_Keys(const std::string& number, int digitValue);

// All of it: the keys that dial `target`, or an error text (no telephone screen, a number
// half dialled, a notice showing, a malformed number).
std::string Dial_KeysFromState(const std::string& stateJson, const std::string& target,
                               std::vector<std::string>& keys, std::string& number);
