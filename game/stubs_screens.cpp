// Placeholders for the game's screens until they are built.
#include "game_state.h"

void ShowHighScores(const RtString&) {}
