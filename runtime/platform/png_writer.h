// PNG files of screenshots, font sheets, icons and test pictures, compressed through libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// Writes width x height pixels (row by row, top row first, each 0xRRGGBB; the top byte is
// ignored) as a compressed 8-bit RGB PNG. Returns false, leaving no promise about the file,
// when the size is not positive or too large, pixels is null, or the file cannot be written.
bool Png_WriteRgb(const std::string& path, int width, int height, const uint32_t* pixels_0xRRGGBB);

// The same with the top byte as each pixel's opacity (0 transparent, 255 opaque): an RGBA PNG.
bool Png_WriteRgba(const std::string& path, int width, int height,
                   const uint32_t* pixels_0xAARRGGBB);

// The whole PNG file as bytes (empty on the same invalid arguments); Png_WriteRgb writes this.
std::vector<uint8_t> Png_EncodeRgb(int width, int height, const uint32_t* pixels_0xRRGGBB);

// The checksums the format uses, offered for tests and other writers.
uint32_t Png_Crc32(const uint8_t* data, size_t length, uint32_t crc = 0);
uint32_t Png_Adler32(const uint8_t* data, size_t length);

}  // namespace plat
