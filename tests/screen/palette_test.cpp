// The default 256-colour and 64-colour tables and the palettes each mode starts with.
#include "screen_fixture.h"

namespace {

using PaletteTest = ScreenTest;

TEST_F(PaletteTest, SixteenColoursAndGreyRamp) {
    const uint32_t sixteen[16] = {0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA,
                                  0xAA5500, 0xAAAAAA, 0x555555, 0x5555FF, 0x55FF55, 0x55FFFF,
                                  0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(Scr_DefaultPalette256(i), 0xFF000000u | sixteen[i]) << i;
    const uint32_t greys[16] = {0x00, 0x14, 0x20, 0x2D, 0x39, 0x45, 0x51, 0x61,
                                0x71, 0x82, 0x92, 0xA2, 0xB6, 0xCA, 0xE3, 0xFF};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(Scr_DefaultPalette256(16 + i), 0xFF000000u | greys[i] * 0x010101u) << i;
    }
    for (int i = 248; i < 256; ++i) EXPECT_EQ(Scr_DefaultPalette256(i), 0xFF000000u) << i;
}

TEST_F(PaletteTest, FirstRingRunsFromBlueThroughMagenta) {
    const uint32_t first[24] = {0x0000FF, 0x4100FF, 0x7D00FF, 0xBE00FF, 0xFF00FF, 0xFF00BE,
                                0xFF007D, 0xFF0041, 0xFF0000, 0xFF4100, 0xFF7D00, 0xFFBE00,
                                0xFFFF00, 0xBEFF00, 0x7DFF00, 0x41FF00, 0x00FF00, 0x00FF41,
                                0x00FF7D, 0x00FFBE, 0x00FFFF, 0x00BEFF, 0x007DFF, 0x0041FF};
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(Scr_DefaultPalette256(32 + i), 0xFF000000u | first[i]) << i;
}

TEST_F(PaletteTest, KnownEntriesOfEveryRing) {
    // Per ring: its first entry (the blue end), its magenta (hue 4), a mixed hue (hue 13),
    // and its last entry (hue 23).
    struct Known {
        int index;
        uint32_t colour;
    };
    const Known known[] = {
        {32, 0x0000FF},  {36, 0xFF00FF},  {45, 0xBEFF00},  {55, 0x0041FF},   // full, saturated
        {56, 0x7D7DFF},  {60, 0xFF7DFF},  {69, 0xDFFF7D},  {79, 0x7D9EFF},   // full, medium
        {80, 0xB6B6FF},  {84, 0xFFB6FF},  {93, 0xEBFFB6},  {103, 0xB6C6FF},  // full, pale
        {104, 0x000071}, {108, 0x710071}, {117, 0x557100}, {127, 0x001C71},  // dark
        {128, 0x393971}, {132, 0x713971}, {141, 0x617139}, {151, 0x394571},  // dark, medium
        {152, 0x515171}, {156, 0x715171}, {165, 0x697151}, {175, 0x515971},  // dark, pale
        {176, 0x000041}, {180, 0x410041}, {189, 0x314100}, {199, 0x001041},  // darker
        {200, 0x202041}, {204, 0x412041}, {213, 0x394120}, {223, 0x202841},  // darker, medium
        {224, 0x2D2D41}, {228, 0x412D41}, {237, 0x3D412D}, {247, 0x2D3141},  // darker, pale
    };
    for (const Known& k : known) {
        EXPECT_EQ(Scr_DefaultPalette256(k.index), 0xFF000000u | k.colour) << k.index;
    }
}

TEST_F(PaletteTest, SixtyFourColourTable) {
    EXPECT_EQ(Scr_DefaultPalette64(0), 0xFF000000u);
    EXPECT_EQ(Scr_DefaultPalette64(1), 0xFF0000AAu);
    EXPECT_EQ(Scr_DefaultPalette64(4), 0xFFAA0000u);
    EXPECT_EQ(Scr_DefaultPalette64(20), 0xFFAA5500u);  // brown: red + low green
    EXPECT_EQ(Scr_DefaultPalette64(56), 0xFF555555u);
    EXPECT_EQ(Scr_DefaultPalette64(63), 0xFFFFFFFFu);
    EXPECT_EQ(Scr_DefaultPalette64(0x2A), 0xFF55AA55u);  // bits 5, 3, 1
}

TEST_F(PaletteTest, EachModeStartsWithItsOwnPalette) {
    Scr_SetMode(9, 0, 0, 0, 1);
    ImagePage& ega = Active();
    EXPECT_EQ(Pal_Get(ega, 6), Scr_DefaultPalette64(20));
    EXPECT_EQ(Pal_Get(ega, 8), Scr_DefaultPalette64(56));
    EXPECT_EQ(Pal_Get(ega, 15), Scr_DefaultPalette64(63));
    Scr_SetMode(1, 0, 0, 0, 1);
    ImagePage& cga = Active();
    EXPECT_EQ(Pal_Get(cga, 1), Scr_DefaultPalette256(3));
    EXPECT_EQ(Pal_Get(cga, 3), Scr_DefaultPalette256(7));
    Scr_SetMode(11, 0, 0, 0, 1);
    EXPECT_EQ(Pal_Get(Active(), 1), 0xFFFFFFFFu);
    Scr_SetMode(10, 0, 0, 0, 1);
    EXPECT_EQ(Pal_Get(Active(), 5), 4u);
    EXPECT_EQ(Pal_Get(Active(), 7), 8u);
    Scr_SetMode(13, 0, 0, 0, 1);
    EXPECT_EQ(Pal_Get(Active(), 200), Scr_DefaultPalette256(200));
    Scr_SetMode(12, 0, 0, 0, 1);
    EXPECT_EQ(Pal_Get(Active(), 14), 0xFFFFFF55u);
    EXPECT_EQ(Err_Pending(), 0u);
}

TEST_F(PaletteTest, ColorBackgroundInModeSevenChangesPaletteEntryZero) {
    Scr_SetMode(7, 0, 0, 0, 1);
    Scr_Color(14, 1, 0, 3);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(Pal_Get(Active(), 0), 0xFF0000AAu);
    EXPECT_EQ(Active().foreground, 14);
    EXPECT_EQ(Active().background, 0u);
    Scr_Color(0, 16, 0, 2);
    EXPECT_EQ(Err_Pending(), 5u);
    EXPECT_EQ(Pal_Get(Active(), 0), 0xFF0000AAu);
}

TEST_F(PaletteTest, ColorRangesPerMode) {
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_Color(16, 0, 0, 1);
    EXPECT_EQ(Err_Pending(), 5u);
    EXPECT_EQ(Active().foreground, 15);
    Err_Reset();
    Scr_Color(3, 4, 0, 3);
    EXPECT_EQ(Active().foreground, 3);
    EXPECT_EQ(Active().background, 4u);
    Scr_Color(0, 0, 1, 4);  // no border in mode 12
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();

    Scr_SetMode(0, 0, 0, 0, 1);
    Scr_Color(16, 9, 3, 7);  // blinking black on (9 & 7); the border is ignored
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(Active().foreground, 16);
    EXPECT_EQ(Active().background, 1u);
    Scr_Color(32, 0, 0, 1);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();

    Scr_SetMode(9, 0, 0, 0, 1);
    Scr_Color(1, 63, 0, 3);
    EXPECT_EQ(Pal_Get(Active(), 0), 0xFFFFFFFFu);
    Scr_SetMode(1, 0, 0, 0, 1);
    Scr_Color(1, 2, 0, 3);  // entry 0 from the foreground, even background: 2, 4, 6
    EXPECT_EQ(Pal_Get(Active(), 0), Scr_DefaultPalette256(1));
    EXPECT_EQ(Pal_Get(Active(), 2), Scr_DefaultPalette256(4));
    Scr_Color(1, 3, 0, 2);
    EXPECT_EQ(Pal_Get(Active(), 3), Scr_DefaultPalette256(7));
    Scr_SetMode(10, 0, 0, 0, 1);
    Scr_Color(3, 8, 0, 3);
    EXPECT_EQ(Pal_Get(Active(), 4), 8u);
    Scr_Color(4, 0, 0, 1);
    EXPECT_EQ(Err_Pending(), 5u);
}

}  // namespace
