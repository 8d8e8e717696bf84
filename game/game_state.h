// GameState: the game's only long-lived data, and the screens the main flow runs.
#pragma once

#include <array>
#include <cstdint>

#include "rt_string.h"

// Ten witnesses, index 1 to 10 (place 0 unused); every field is a text.
struct Witness {
    RtString firstName;
    RtString surname;
    RtString city;
    RtString hair;
    RtString eyes;
    RtString age;  // a blank and two digits
    RtString profession;
};

// Ten suspects, index 1 to 10 (place 0 unused); every field is a text.
struct Suspect {
    RtString firstName;
    RtString surname;
    RtString city;
    RtString hair;
    RtString eyes;
    RtString age;     // a blank and two digits
    RtString height;  // two digits, 40 to 98 (1.40 m to 1.98 m)
};

using Witnesses = std::array<Witness, 11>;
using Suspects = std::array<Suspect, 11>;
using BankCities = std::array<RtString, 16>;  // index 1 to 15

struct GameState {
    Witnesses witnesses;
    Suspects suspects;
    BankCities bankCities;
    int16_t culpritIndex = 0;
    int16_t soundOff = 0;
    int16_t playMinutes = 0;
    RtString resultTime;
    int16_t qualifyingTime = 0;
    int16_t timedOut = 0;
};

// The five screens of the main flow; each runs to its end and returns.
void ShowDisclaimer();
void ShowIntroAndMenu(BankCities& bankCities, int16_t& culpritIndex, int16_t& soundOff,
                      int16_t& playMinutes);
void GenerateCase(Witnesses& witnesses, Suspects& suspects);
void PlayGame(Witnesses& witnesses, Suspects& suspects, int16_t& culpritIndex, int16_t& soundOff,
              int16_t& playMinutes, RtString& resultTime, int16_t& qualifyingTime,
              int16_t& timedOut);
void ShowHighScores(const RtString& resultTime);

// Whether a finished game opens the high-score table: a time strictly below the third
// record of tempo.max, and not timed out.
bool QualifiesForHighScores(const RtString& resultTime, int16_t qualifyingTime, int16_t timedOut);

// The game's main module: runs on the program thread and never returns.
void GameMain();
