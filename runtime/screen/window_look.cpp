// The window's icon and mouse cursor, drawn as text pictures and built into their formats.
#include "window_look.h"

#include <array>

namespace {

// One character a pixel; the legend below gives the colours.
constexpr std::array<const char*, 32> kIconPicture = {
    "                                ",
    "                                ",
    "                                ",
    "     rrrrrrrrrrrrrrrrrrrrrr     ",
    "   rrRRRRRRRRRRRRRRRRRRRRRRrr   ",
    "  rRRRRRRRRRRRRRRRRRRRRRRRRRRr  ",
    "  rRRRRrrrrrrrrrrrrrrrrrrRRRRr  ",
    "  rRRRr                  rRRRr  ",
    "  rrrr    rr      rr      rrrr  ",
    "          rr      rr            ",
    "         rRRr    rRRr           ",
    "       rrRRRRrrrrRRRRrr         ",
    "      rRRRRRRRRRRRRRRRRRr       ",
    "     rRRRRRRRwwwwRRRRRRRRr      ",
    "    rRRRRRRwwkwwkwwRRRRRRRr     ",
    "    rRRRRRwkwwwwwwkwRRRRRRr     ",
    "   rRRRRRRwwwwkkwwwwRRRRRRRr    ",
    "   rRRRRRwkwwkKKkwwkwRRRRRRr    ",
    "   rRRRRRwwwwkKKkwwwwRRRRRRr    ",
    "   rRRRRRRwkwwkkwwkwRRRRRRRr    ",
    "   rRRRRRRwwwwwwwwwwRRRRRRRr    ",
    "   rRRRRRRRwwkwwkwwRRRRRRRRr    ",
    "   rRRRRRRRRwwwwwwRRRRRRRRRr    ",
    "   rRRRRRRRRRRRRRRRRRRRRRRRr    ",
    "   rRRRRRRRRRRRRRRRRRRRRRRRr    ",
    "   rrrrrrrrrrrrrrrrrrrrrrrrr    ",
    "    kkkkkkkkkkkkkkkkkkkkkkk     ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
    "                                ",
};

struct Legend {
    char key;
    uint8_t red, green, blue;
};
constexpr Legend kLegend[] = {
    {' ', 0x00, 0x00, 0xAA},  // the blue of the game's screens
    {'r', 0x80, 0x00, 0x00},  {'R', 0xD0, 0x20, 0x20}, {'w', 0xFF, 0xFF, 0xFF},
    {'k', 0x20, 0x20, 0x20},  {'K', 0x55, 0x55, 0x55},
};

uint8_t IndexOf(char key) {
    for (size_t i = 0; i < std::size(kLegend); ++i) {
        if (kLegend[i].key == key) return static_cast<uint8_t>(i);
    }
    return 0;
}

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::vector<uint8_t> BuildIcon() {
    constexpr uint32_t kPaletteBytes = 256 * 4;
    constexpr uint32_t kPixelOffset = 14 + 40 + kPaletteBytes;
    constexpr uint32_t kFileBytes = kPixelOffset + 32 * 32;
    std::vector<uint8_t> bmp;
    bmp.reserve(kFileBytes);
    bmp.push_back('B');
    bmp.push_back('M');
    PutLe(bmp, kFileBytes, 4);
    PutLe(bmp, 0, 4);
    PutLe(bmp, kPixelOffset, 4);
    PutLe(bmp, 40, 4);  // info header: 32 x 32, one plane, 8 bits, uncompressed
    PutLe(bmp, 32, 4);
    PutLe(bmp, 32, 4);
    PutLe(bmp, 1, 2);
    PutLe(bmp, 8, 2);
    PutLe(bmp, 0, 4);
    PutLe(bmp, 32 * 32, 4);
    PutLe(bmp, 2835, 4);
    PutLe(bmp, 2835, 4);
    PutLe(bmp, 256, 4);
    PutLe(bmp, 0, 4);
    for (uint32_t i = 0; i < 256; ++i) {
        const Legend colour = i < std::size(kLegend) ? kLegend[i] : Legend{' ', 0, 0, 0};
        bmp.push_back(colour.blue);
        bmp.push_back(colour.green);
        bmp.push_back(colour.red);
        bmp.push_back(0);
    }
    for (int row = 31; row >= 0; --row) {  // bottom-up
        for (int x = 0; x < 32; ++x) bmp.push_back(IndexOf(kIconPicture[row][x]));
    }
    return bmp;
}

}  // namespace

const std::vector<uint8_t>& Look_IconBmp() {
    static const std::vector<uint8_t> icon = BuildIcon();
    return icon;
}

const std::vector<std::string>& Look_CursorPicture() {
    static const std::vector<std::string> cursor = {
        "X               ", "XX              ", "X.X             ", "X..X            ",
        "X...X           ", "X....X          ", "X.....X         ", "X......X        ",
        "X.......X       ", "X........X      ", "X.....XXXXX     ", "X..X..X         ",
        "X.X X..X        ", "XX  X..X        ", "X    X..X       ", "     XXXX       ",
    };
    return cursor;
}
