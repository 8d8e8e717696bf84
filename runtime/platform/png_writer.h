// A minimal truecolour PNG writer for screenshots, font sheets and test pictures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// Writes width x height pixels (row by row, top row first, each 0xRRGGBB; the top byte is
// ignored) as an 8-bit RGB PNG. The picture data goes into uncompressed deflate blocks so no
// compression library is needed. Returns false, leaving no promise about the file, when the
// size is not positive or too large, pixels is null, or the file cannot be written.
bool Png_WriteRgb(const std::string& path, int width, int height, const uint32_t* pixels_0xRRGGBB);

// The whole PNG file as bytes (empty on the same invalid arguments); Png_WriteRgb writes this.
std::vector<uint8_t> Png_EncodeRgb(int width, int height, const uint32_t* pixels_0xRRGGBB);

// The checksums the format needs, offered for tests and other writers.
uint32_t Png_Crc32(const uint8_t* data, size_t length, uint32_t crc = 0);
uint32_t Png_Adler32(const uint8_t* data, size_t length);

}  // namespace plat
