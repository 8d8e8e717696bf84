// What the people on the telephone say: the greeting, a witness's introduction, the six kinds of
// clue with their true and invented facts, and the culprit's confession, as texts at cells.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "game_state.h"
#include "rt_string.h"
#include "telephone_rules.h"

// One text at a cell of the conversation box. Colour 0 means the colour last set.
struct TextPiece {
    int16_t row = 0;
    int16_t column = 0;
    int16_t colour = 0;
    RtString text;
};
using TextPieces = std::vector<TextPiece>;

inline constexpr int16_t kSentenceColour = 14;
inline constexpr int16_t kFactColour = 10;
inline constexpr int16_t kClueKinds = 6;

// "Buongiorno," from 01:00 to 13:59, else "Buonasera,".
RtString Greeting(int16_t hour);

// The introduction on rows 15 to 17: name, age and profession, the retired form from 60.
// sexLetter is the last letter of the first name ("a" for a woman).
TextPieces WitnessIntroduction(const Witness& witness, const RtString& greeting);

// What a witness remembers of each conversation, kept for the whole game.
struct WitnessMemory {
    std::array<int16_t, 11> clueKind{};  // 0: never talked to
    std::array<int16_t, 11> daysAgo{};
};

// The draws of a conversation before the clue: on a first conversation the kind (1-6) and the
// days (1-20) are drawn; a repeated one keeps its kind and is reliable.
struct ClueChoice {
    int16_t kind = 0;
    int16_t reliability = 0;
    bool first = false;
};
ClueChoice ChooseClueKind(WitnessMemory& memory, int16_t witness, const RandomDraw& draw);
// On a first conversation, after the introduction: reliability 1-9 and the kind remembered.
void DrawReliability(ClueChoice& choice, WitnessMemory& memory, int16_t witness,
                     const RandomDraw& draw);
// A clue is invented when the reliability is 7 or more.
inline bool ClueInvented(int16_t reliability) {
    return reliability >= 7;
}

// The clue of a kind, from row 18: its sentence lines (colour 14) first, then its facts
// (colour 10), true or invented; the invented facts draw their numbers in the order of the
// table of kinds. sexLetter "a" makes kind 2 read "certa".
TextPieces ClueText(int16_t kind, bool invented, const Suspects& suspects, int16_t culpritIndex,
                    const RtString& culpritNumber, int16_t daysAgo, const RtString& sexLetter,
                    const RandomDraw& draw);

// The farewell on row 23.
RtString Farewell(const Witness& witness);

// The culprit's words on rows 15 to 17 (colour 14) and the closing two lines on rows 20 and 21.
TextPieces ConfessionOpening(const Suspect& culprit);
TextPieces ConfessionClosing();

// The siren after a confession: 20 pitches going up and down between 100 and 700 Hz.
std::vector<int32_t> SirenPitches();

// Portrait parts: the hair picture's file and y for a hair colour (a bald woman gets the greying
// women's picture, there being no bald one), and the drawing colour of the eyes.
struct HairPicture {
    const char* file = "";
    int32_t y = 190;
};
HairPicture PortraitHair(const RtString& hair, bool woman);
int16_t PortraitEyeColour(const RtString& eyes);
