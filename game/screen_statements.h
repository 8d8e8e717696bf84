// Small statements and frame characters that the game's screens share.
#pragma once

#include <cstdint>

#include "rt_string.h"

// Code page 437 characters of the double-line frames.
constexpr char kTopLeft = '\xC9';
constexpr char kHorizontal = '\xCD';
constexpr char kTopRight = '\xBB';
constexpr char kVertical = '\xBA';
constexpr char kBottomLeft = '\xC8';
constexpr char kBottomRight = '\xBC';

// The cursor to a row and column (1-based).
void Locate(int64_t row, int64_t column);
// The foreground colour alone.
void Colour(int64_t foreground);
// Text at a row and column; the cursor stays after it.
void PrintAt(int64_t row, int64_t column, const RtString& text);
// Text at a row and column, then a new line.
void PrintLineAt(int64_t row, int64_t column, const RtString& text);
// A frame's horizontal line: a corner, `width` double lines, a corner.
RtString FrameLine(char left, int64_t width, char right);
