// Placeholders for the game's screens until they are built.
#include "game_state.h"

void ShowDisclaimer() {}
void ShowIntroAndMenu(BankCities&, int16_t&, int16_t&, int16_t&) {}
void PlayGame(Witnesses&, Suspects&, int16_t&, int16_t&, int16_t&, RtString&, int16_t&, int16_t&) {}
void ShowHighScores(const RtString&) {}
