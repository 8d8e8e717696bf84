// The default palettes (256 and 64 colours) and mode 10's blink colours that modes start from.
#include <cstring>

#include "errors.h"
#include "font_data.h"
#include "screen_state.h"

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

// The first 32 entries of the 256-colour table: the sixteen colours and the grey ramp.
constexpr uint32_t kSixteenAndGreys[32] = {
    0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
    0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF,
    0x000000, 0x141414, 0x202020, 0x2D2D2D, 0x393939, 0x454545, 0x515151, 0x616161,
    0x717171, 0x828282, 0x929292, 0xA2A2A2, 0xB6B6B6, 0xCACACA, 0xE3E3E3, 0xFFFFFF,
};

// The nine rings of 24 hues, each given by the five 6-bit DAC levels it mixes, from the
// lowest to the highest: three intensities (63, 28, 16) at three saturations each.
constexpr uint8_t kRingLevels[9][5] = {
    {0, 16, 31, 47, 63}, {31, 39, 47, 55, 63}, {45, 49, 54, 58, 63},
    {0, 7, 14, 21, 28},  {14, 17, 21, 24, 28}, {20, 22, 24, 26, 28},
    {0, 4, 8, 12, 16},   {8, 10, 12, 14, 16},  {11, 12, 13, 15, 16},
};

// A 6-bit DAC level as the 8-bit intensity it shows.
uint32_t Dac8(uint32_t level) {
    return (level * 255 + 31) / 63;
}

// Hue h (0-23) of a ring: blue, towards magenta, red, yellow, green, cyan and back to blue.
uint32_t RingColour(const uint8_t (&l)[5], int h) {
    uint32_t r = 0, g = 0, b = 0;
    if (h <= 4) {
        r = l[h], g = l[0], b = l[4];
    } else if (h <= 8) {
        r = l[4], g = l[0], b = l[8 - h];
    } else if (h <= 12) {
        r = l[4], g = l[h - 8], b = l[0];
    } else if (h <= 16) {
        r = l[16 - h], g = l[4], b = l[0];
    } else if (h <= 20) {
        r = l[0], g = l[4], b = l[h - 16];
    } else {
        r = l[0], g = l[24 - h], b = l[4];
    }
    return Dac8(r) << 16 | Dac8(g) << 8 | Dac8(b);
}

constexpr uint32_t kBlinkRows[18] = {
    0, 0,        0,        0x808080, 0x808080, 0x808080, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
    0, 0x808080, 0xFFFFFF, 0,        0x808080, 0xFFFFFF, 0,        0x808080, 0xFFFFFF,
};

}  // namespace

void Scr_LoadDefaults() {
    ScreenState& state = Scr_State();
    for (int i = 0; i < 32; ++i) state.palette256[i] = kOpaque | kSixteenAndGreys[i];
    for (int ring = 0; ring < 9; ++ring) {
        for (int hue = 0; hue < 24; ++hue) {
            state.palette256[32 + ring * 24 + hue] = kOpaque | RingColour(kRingLevels[ring], hue);
        }
    }
    for (int i = 248; i < 256; ++i) state.palette256[i] = kOpaque;
    for (uint32_t i = 0; i < 64; ++i) {
        const uint32_t red = 0xAA * ((i >> 2) & 1) + 0x55 * ((i >> 5) & 1);
        const uint32_t green = 0xAA * ((i >> 1) & 1) + 0x55 * ((i >> 4) & 1);
        const uint32_t blue = 0xAA * (i & 1) + 0x55 * ((i >> 3) & 1);
        state.palette64[i] = kOpaque | red << 16 | green << 8 | blue;
    }
    for (int i = 0; i < 18; ++i) state.blinkColours[i] = kOpaque | kBlinkRows[i];
    std::memcpy(state.font8, kFont8x8, sizeof(state.font8));
    std::memcpy(state.font16, kFont8x16, sizeof(state.font16));
}

uint32_t Scr_DefaultPalette256(int index) {
    return Scr_State().palette256[index & 255];
}
uint32_t Scr_DefaultPalette64(int index) {
    return Scr_State().palette64[index & 63];
}
uint32_t Scr_BlinkColour(int row, int column) {
    return Scr_State().blinkColours[(row & 1) * 9 + column % 9];
}

void Scr_FillDefaultPalette(int32_t mode, uint32_t* palette) {
    const ScreenState& state = Scr_State();
    for (int i = 0; i < 256; ++i) palette[i] = 0;
    switch (mode) {
        case 1: {
            const int entries[4] = {0, 3, 5, 7};
            for (int i = 0; i < 4; ++i) palette[i] = state.palette256[entries[i]];
            break;
        }
        case 2:
        case 11:
            palette[0] = kOpaque;
            palette[1] = kOpaque | 0xFFFFFF;
            break;
        case 9: {
            const int entries[16] = {0, 1, 2, 3, 4, 5, 20, 7, 56, 57, 58, 59, 60, 61, 62, 63};
            for (int i = 0; i < 16; ++i) palette[i] = state.palette64[entries[i]];
            break;
        }
        case 10:
            // Entries 4-7 are indices into the blink colours; the presenter fills 0-3.
            palette[4] = 0;
            palette[5] = 4;
            palette[6] = 6;
            palette[7] = 8;
            break;
        case 13:
        case kMode8Bit:
            for (int i = 0; i < 256; ++i) palette[i] = state.palette256[i];
            break;
        default:  // 0, 7, 8, 12
            for (int i = 0; i < 16; ++i) palette[i] = state.palette256[i];
            break;
    }
}
