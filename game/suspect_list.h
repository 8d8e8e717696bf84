// The suspect list: the ten suspects in a table with a small photograph of each.
#pragma once

#include <array>

#include "game_state.h"
#include "pictures.h"

// Number of hair colours, and so of men's hair pictures.
inline constexpr size_t kHairColourCount = 10;

// The pictures the list draws with; the telephone screen loads and holds them. The hair
// pictures are the men's, in the order of the hair colours: biondi, rossi, castani, neri,
// brizzolati, bianchi, calvo, leggermente brizzolati, biondo scuro, castano chiaro.
struct SuspectListPictures {
    PictureBuffer* face = nullptr;   // faccia.grh
    PictureBuffer* frame = nullptr;  // corni.grh
    std::array<PictureBuffer*, kHairColourCount> menHair{};
};

// The men's hair picture files in the order of SuspectListPictures::menHair.
inline constexpr std::array<const char*, kHairColourCount> kMenHairFiles = {
    "capbi.grh",  "capro.grh", "capcas.grh", "capner.grh", "capbri.grh",
    "capbia.grh", "calvo.grh", "legbri.grh", "bioscu.grh", "cachi.grh"};

// How a hair colour is shown in the list's narrow column and which picture is its hair
// (an index into menHair, or -1 for a text that is no hair colour of the game).
struct HairLook {
    const char* shortText = "";
    int pictureIndex = -1;
};
HairLook SuspectList_HairLook(const RtString& hair);

// How an eye colour is shown in the list and the colour of the photograph's eyes.
struct EyeLook {
    const char* shortText = "";
    int colour = 0;
};
EyeLook SuspectList_EyeLook(const RtString& eyes);

// Clears the screen (the mode stays), shows the table in the colour last set for its title,
// and waits for a key. Changes nothing of the suspects.
void ShowSuspectList(const Suspects& suspects, const SuspectListPictures& pictures);
