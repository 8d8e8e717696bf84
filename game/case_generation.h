// Case generation: the built-in name list with its read cursor, and the random draws of a case.
#pragma once

#include <cstdint>
#include <string_view>

#include "game_state.h"
#include "rt_string.h"

// The built-in name list: 173 double-quoted items separated by commas, in code page 437. In
// order: 15 bank cities, 15 witness first names, 15 witness surnames, 15 witness cities, 20
// suspect first names, 20 suspect surnames, 20 suspect cities, 10 hair colours, 10 eye colours
// and 33 professions (the ten open to women first).
extern const std::string_view kNameList;
inline constexpr int kNameListItems = 173;
inline constexpr int kBankCityCount = 15;

// Puts the read cursor back on the first item.
void NameList_Restore();
// The item at the read cursor, without its quotes; the cursor moves to the next item. Reading
// past the last item raises error 4 and gives an empty text.
RtString NameList_Read();

// INT(RND * n) + k: a whole number from k to k + n - 1 drawn from the random generator.
int32_t DrawRandom(int32_t n, int32_t k);

// The start of a case, made while the instructions screen is prepared: the cursor back on the
// first item, the generator seeded from the timer, the bank cities read into places 1 to 15,
// then the culprit (1-10), the bank city number (1-15) and the stolen sum (10-98) drawn.
void StartCase(BankCities& bankCities, int16_t& culpritIndex, int16_t& bankCityNumber,
               int16_t& stolenSum);
// The same without seeding: what follows the seeding, from whatever seed the generator holds.
void DrawCaseStart(BankCities& bankCities, int16_t& culpritIndex, int16_t& bankCityNumber,
                   int16_t& stolenSum);

// The age of a person with this hair, drawn: a blank and two digits (20-39, or older for
// white, bald and greying hair).
RtString DrawAgeForHair(const RtString& hair);

// The culprit's telephone number, drawn when the telephone screen starts: six digits,
// 400000 to 859998.
RtString DrawCulpritNumber();
