// PictureBuffer, LoadPicture and PutPicture: the game's .grh pictures in memory and on screen.
#pragma once

#include <cstdint>

#include "arrays.h"
#include "graphics.h"
#include "rt_string.h"

// Buffer sizes of the picture files, in 16-bit words.
constexpr int32_t kTileWords = 600;  // tel2.grh, cor.grh and the telephone screen's pictures
constexpr int32_t kTitlePictureWords = 20000;  // simgra.grh
constexpr int32_t kLinePieceWords = 400;       // lin.grh
constexpr int32_t kPortraitFrameWords = 800;   // corni.grh

// An array of 16-bit words, indexed from 1, zeroed when made, in the emulated conventional
// memory (a load names its destination by segment and offset). The screen that makes one owns
// it; its words are freed when it goes out of scope.
struct PictureBuffer {
    explicit PictureBuffer(int32_t word_count) { Arr_Dim(words, 1, word_count, true); }

    RtArray<int16_t> words;
};

// Loads the body of the named picture file into the buffer from its first word on. Errors: 53
// for a missing file; 54 for a short header, a wrong marker, a short body, or a body longer
// than the buffer (then nothing is loaded).
void LoadPicture(const RtString& file_name, PictureBuffer& buffer);

// Puts the picture held in the buffer with its top-left pixel at (x, y): kPutOverwrite or
// kPutExclusiveOr; no clipping, no mask. Error 5 when it does not lie wholly on the screen or
// its size words ask for more than the buffer holds.
void PutPicture(int32_t x, int32_t y, PictureBuffer& buffer, int32_t action);
