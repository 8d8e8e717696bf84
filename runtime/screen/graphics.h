// Graphics primitives on the active page: coordinate mapping, lines and boxes, pixel blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image_page.h"

// Given bits of Scr_Line.
constexpr int32_t kLineFirstGiven = 1;
constexpr int32_t kLineSecondRelative = 2;
constexpr int32_t kLineFirstRelative = 4;
constexpr int32_t kLineColourGiven = 8;
constexpr int32_t kLineStyleGiven = 16;

// Shapes of Scr_Line.
constexpr int32_t kShapeLine = 0;
constexpr int32_t kShapeBox = 1;
constexpr int32_t kShapeFilledBox = 2;

// Actions of Scr_PutBlock: how a block's colour c meets the page's colour d.
constexpr int32_t kPutExclusiveOrPlain = 0;  // d ^ c, as kPutExclusiveOr
constexpr int32_t kPutOverwrite = 1;         // c
constexpr int32_t kPutInverted = 2;          // ~c within the colour mask
constexpr int32_t kPutAnd = 3;               // d & c
constexpr int32_t kPutOr = 4;                // d | c
constexpr int32_t kPutExclusiveOr = 5;       // d ^ c

// Given bits of Scr_PutBlock.
constexpr int32_t kBlockRelative = 1;  // the position is added to the last point
constexpr int32_t kBlockClip = 2;      // draw what lies on the image instead of failing
constexpr int32_t kBlockMask = 4;      // skip pixels of the mask colour

// Width and height words in front of a block's rows.
constexpr size_t kBlockHeaderBytes = 4;

// A pixel position after mapping; wide, so that far-off coordinates never wrap.
struct PixelPoint {
    int64_t x = 0;
    int64_t y = 0;
};

// Window transform, rounding to nearest (ties to even) and the view origin of `page`.
PixelPoint Scr_MapPoint(const ImagePage& page, float x, float y);

// Given bits kLine*: both points given, the second relative to the first, the first relative
// to the last point, the colour given (else the foreground colour), the 16-bit dash style
// given (else solid). Draws clipped to the graphics view; text images raise error 5.
void Scr_Line(float x1, float y1, float x2, float y2, uint32_t colour, int32_t shape,
              uint32_t style, int32_t given);

// Raw writers of the active page: no graphics-view clipping, palette images keep the colour's
// bits within the colour mask. Pixels off the image are never written.
void Scr_PlotPixel(int32_t x, int32_t y, uint32_t colour);
void Scr_FillBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);

// Puts the pixel block of `block_bytes` bytes at `block` with its top-left pixel at (x, y).
// Error 5 for a text image, an unknown action, a width word that does not suit the page's
// pixel size, a block that does not fit (unless kBlockClip) or is shorter than its size words
// ask for; nothing is drawn then.
void Scr_PutBlock(float x, float y, const uint8_t* block, size_t block_bytes, int32_t action,
                  uint32_t mask_colour, int32_t given);

// Bytes a block of that many pixels takes on `page` (header included).
size_t Scr_BlockBytes(const ImagePage& page, int32_t width_px, int32_t height_px);

// Captures the rectangle with corners (x1, y1) and (x2, y2), both inclusive and mapped like any
// other point, into `block` in the layout Scr_PutBlock reads; spare bits are zero. Error 5 for a
// text image, a rectangle not wholly on the image, or a block too small for it.
void Scr_GetBlock(float x1, float y1, float x2, float y2, uint8_t* block, size_t block_bytes);
// The same into a block of exactly the size needed; empty when an error was raised.
std::vector<uint8_t> Scr_CaptureBlock(float x1, float y1, float x2, float y2);
