// The window's own look: its 32 x 32 icon and the mouse cursor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A 32 x 32, 8-bit BMP file image of a small red telephone (2,102 bytes).
const std::vector<uint8_t>& Look_IconBmp();
// The mouse cursor as a text picture: 'X' black, '.' white, ' ' transparent.
const std::vector<std::string>& Look_CursorPicture();
