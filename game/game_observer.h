// What the replay driver and the tests read of the running game, as JSON.
#pragma once

#include <string>

#include "game_state.h"

// The main flow registers its state here when it starts.
void Game_Observe(const GameState* state);

// A screen that has fields of its own (the telephone screen) adds them while it runs:
// the writer appends `"name": value` pairs, each preceded by a comma.
using Game_FieldWriter = void (*)(std::string& json);
void Game_SetScreenFields(Game_FieldWriter writer);

// Publishes a screen's fields for as long as one of its frames lives, also when the program
// ends inside the screen and its stack unwinds: `slot` is the pointer the screen's writer reads.
template <class Fields>
class ScopedScreenFields {
public:
    ScopedScreenFields(const Fields*& slot, const Fields& fields, Game_FieldWriter writer)
        : slot_(slot) {
        slot_ = &fields;
        Game_SetScreenFields(writer);
    }
    ~ScopedScreenFields() {
        Game_SetScreenFields(nullptr);
        slot_ = nullptr;
    }
    ScopedScreenFields(const ScopedScreenFields&) = delete;
    ScopedScreenFields& operator=(const ScopedScreenFields&) = delete;

private:
    const Fields*& slot_;
};

// The game's state with the names players and tests know (program thread only).
std::string Game_StateJson();

// A JSON string literal of a code page 437 text.
std::string Game_JsonText(const RtString& text);
