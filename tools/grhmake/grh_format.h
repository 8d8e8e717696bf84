// Picture files: text pixel maps, the four-plane pixel block and the .grh memory-image file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace grh {

// First byte of every memory-image file; a file starting otherwise is refused on load.
inline constexpr uint8_t kMarker = 0xFD;
// Marker, segment, offset and body length.
inline constexpr size_t kHeaderBytes = 7;
// Width and height words in front of the rows of a pixel block.
inline constexpr size_t kBlockSizeBytes = 4;
// Largest picture side the 16-bit size words and the 640 x 480 screen allow us to make.
inline constexpr int kMaxSide_px = 640;

// A rectangle of 16-colour pixels, row by row from the top left; each entry is 0-15.
struct PixelMap {
    int width_px = 0;
    int height_px = 0;
    std::vector<uint8_t> colours;

    uint8_t At(int x, int y) const { return colours[static_cast<size_t>(y) * width_px + x]; }
    void Set(int x, int y, uint8_t colour) {
        colours[static_cast<size_t>(y) * width_px + x] = colour;
    }
};

PixelMap MakePixelMap(int width_px, int height_px, uint8_t fill = 0);

// A picture as its author drew it. Pictures put by exclusive or over a known background (the
// portrait's face and hair over the frame's backdrop) are drawn in the colours they must show;
// each drawn pixel is stored as colour XOR background so that the put shows that colour, and an
// undrawn pixel is stored as 0 so that it leaves what is below.
struct PictureSource {
    // Colours as they are meant to appear; 0 where nothing is drawn.
    PixelMap look;
    // 1 where the author drew a colour, 0 where the pixel is left undrawn.
    std::vector<uint8_t> drawn;
    // Background the picture is put over by exclusive or, or -1 for a picture stored as drawn.
    int over_colour = -1;

    bool DrawnAt(int x, int y) const {
        return drawn[static_cast<size_t>(y) * look.width_px + x] != 0;
    }
};

// The pixels that go into the file.
PixelMap StoredPixels(const PictureSource& source);

// Bytes of one bit plane of a row: (width + 7) div 8.
int PlaneBytes(int width_px);
// Bytes a four-plane block of this size takes: 4 + 4 x plane bytes x height.
size_t FourPlaneBlockBytes(int width_px, int height_px);

// Reads a text pixel map. Lines starting with '#' and empty lines are comments; the first other
// line holds "width height", or "width height over C" for a picture put by exclusive or over
// colour C (0-15); then exactly height rows of exactly width characters, one per pixel, '0'-'9'
// and 'a'-'f' (or 'A'-'F') for colours 0-15 and '.' for an undrawn pixel. Returns false with a
// message naming the line on any fault.
bool ParsePictureText(const std::string& text, PictureSource& source, std::string& error);
bool ReadPictureFile(const std::string& path, PictureSource& source, std::string& error);
// The same for a plain map: the stored pixels of the source.
bool ParsePixelMapText(const std::string& text, PixelMap& map, std::string& error);
// The text form ParsePixelMapText reads, with the given comment lines on top.
std::string FormatPixelMapText(const PixelMap& map, const std::vector<std::string>& comments);

// The pixel block of a 4-bit screen: width and height words, then per row planes 0 to 3, the
// leftmost pixel in bit 7 of each plane byte, spare bits of the last byte zero.
std::vector<uint8_t> EncodeFourPlaneBlock(const PixelMap& map);
// Decodes a four-plane block as the block put reads it; false when the block is shorter than its
// own size words ask for.
bool DecodeFourPlaneBlock(const uint8_t* block, size_t length, PixelMap& map, std::string& error);

// A whole .grh file: marker, segment and offset (both 0: the game always names the destination),
// body length, body.
std::vector<uint8_t> EncodeGrhFile(const PixelMap& map);

struct GrhHeader {
    uint8_t marker = 0;
    uint16_t segment = 0;
    uint16_t offset = 0;
    uint16_t body_length = 0;
};

// Splits a file into header and body: false when the header is short, the marker wrong, or the
// body shorter than its length field (a length of 0 is taken as the rest of the file only when
// that is 65536 bytes or more, as the loader does; otherwise the body is empty).
bool SplitGrhFile(const std::vector<uint8_t>& file, GrhHeader& header, std::vector<uint8_t>& body,
                  std::string& error);
// Header check and body decode in one step.
bool DecodeGrhFile(const std::vector<uint8_t>& file, PixelMap& map, std::string& error);

bool ReadBinaryFile(const std::string& path, std::vector<uint8_t>& bytes);
bool WriteBinaryFile(const std::string& path, const std::vector<uint8_t>& bytes);

// The standard 16-colour palette as 0xRRGGBB.
uint32_t DefaultPaletteRgb(uint8_t colour);

}  // namespace grh
