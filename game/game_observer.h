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

// The game's state with the names players and tests know (program thread only).
std::string Game_StateJson();

// A JSON string literal of a code page 437 text.
std::string Game_JsonText(const RtString& text);
