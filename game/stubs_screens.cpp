// Placeholders for the game's screens until they are built.
#include "game_state.h"

void PlayGame(Witnesses&, Suspects&, int16_t&, int16_t&, int16_t&, RtString&, int16_t&, int16_t&) {}
void ShowHighScores(const RtString&) {}
