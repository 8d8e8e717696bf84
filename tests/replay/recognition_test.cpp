// The replay driver reads every glyph back from the pixels, in several colour pairs.
#include <gtest/gtest.h>

#include <cstring>

#include "cp437.h"
#include "font_data.h"
#include "image_page.h"
#include "platform.h"
#include "screen.h"
#include "screen_snapshot.h"

namespace {

struct ColourPair {
    int foreground;
    int background;
};

// The code whose glyph is the inverse of `code`'s, or -1.
int InverseOf(const uint8_t* font, int glyph_bytes, int code) {
    for (int other = 0; other < 256; ++other) {
        bool inverse = true;
        for (int i = 0; i < glyph_bytes && inverse; ++i) {
            inverse = font[code * glyph_bytes + i] != font[other * glyph_bytes + i];
        }
        if (inverse) return other;
    }
    return -1;
}

bool Blank(const uint8_t* font, int glyph_bytes, int code, uint8_t value) {
    for (int i = 0; i < glyph_bytes; ++i) {
        if (font[code * glyph_bytes + i] != value) return false;
    }
    return true;
}

// Draws all 256 glyphs in each pair, `per_row` to a row, and checks what is read back.
void CheckEveryGlyph(int mode, int per_row, const std::vector<ColourPair>& pairs,
                     const uint8_t* font, int glyph_bytes) {
    Scr_SetMode(mode, 0, 0, 0, 1);
    const int rows_per_pair = 256 / per_row;
    for (size_t p = 0; p < pairs.size(); ++p) {
        Scr_Color(pairs[p].foreground, pairs[p].background, 0, 3);
        for (int code = 0; code < 256; ++code) {
            Scr_Locate(1 + static_cast<int>(p) * rows_per_pair + code / per_row, 1 + code % per_row, 0, 0, 0, 3);
            Scr_DrawChar(static_cast<uint8_t>(code));
        }
    }
    ScreenSnapshot shot;
    ASSERT_TRUE(Snapshot_Take(shot));
    const auto cells = Snapshot_Recognise(shot);
    int exact = 0;
    for (size_t p = 0; p < pairs.size(); ++p) {
        const int fg = pairs[p].foreground;
        const int bg = pairs[p].background;
        for (int code = 0; code < 256; ++code) {
            const auto& cell = cells.at(p * rows_per_pair + code / per_row).at(code % per_row);
            SCOPED_TRACE("mode " + std::to_string(mode) + " code " + std::to_string(code) +
                         " colours " + std::to_string(fg) + "/" + std::to_string(bg));
            ASSERT_TRUE(cell.glyph);
            if (Blank(font, glyph_bytes, code, 0x00) || Blank(font, glyph_bytes, code, 0xFF)) {
                const int colour = Blank(font, glyph_bytes, code, 0x00) ? bg : fg;
                EXPECT_EQ(cell.foreground, colour);
                EXPECT_EQ(cell.background, colour);
                EXPECT_EQ(cell.code, colour == 0 ? ' ' : 0xDB);
                continue;
            }
            if (cell.code == code) {
                EXPECT_EQ(cell.foreground, fg);
                EXPECT_EQ(cell.background, bg);
                ++exact;
            } else {
                // Only a glyph whose inverse is another glyph may be read as that one, with the
                // colours the other way round.
                EXPECT_EQ(cell.code, InverseOf(font, glyph_bytes, code));
                EXPECT_EQ(cell.foreground, bg);
                EXPECT_EQ(cell.background, fg);
            }
        }
    }
    EXPECT_GE(exact, static_cast<int>(pairs.size()) * 240);
}

class Recognition : public ::testing::Test {
protected:
    void SetUp() override {
        plat::Platform platform;
        platform.clock = &clock_;
        plat::Plat_Install(platform);
        Scr_Startup();
    }
    plat::ScaledClock clock_{100, 0};
};

TEST_F(Recognition, EveryGlyphInModeTwelve) {
    CheckEveryGlyph(12, 64, {{15, 0}, {14, 1}, {2, 7}, {0, 12}}, kFont8x16, 128);
}

TEST_F(Recognition, EveryGlyphInModeSeven) {
    // Mode 7 draws every background in colour 0 (its palette entry carries the colour).
    CheckEveryGlyph(7, 32, {{15, 0}, {10, 0}, {4, 0}}, kFont8x8, 64);
}

TEST_F(Recognition, TextRowsAreUtf8AndABoxIsAddedBelow) {
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_Color(14, 0, 0, 1);
    Scr_Locate(3, 5, 0, 0, 0, 3);
    Scr_Print(Cp437_FromUtf8("Città è già ╔═╗ 1°"), false);
    ScreenSnapshot shot;
    ASSERT_TRUE(Snapshot_Take(shot));
    const auto rows = Snapshot_TextRows(shot);
    ASSERT_EQ(rows.size(), 30u);
    EXPECT_EQ(rows[2].substr(0, 4 + std::strlen("Città è già ╔═╗ 1°")), "    Città è già ╔═╗ 1°");
    EXPECT_EQ(Snapshot_Recognise(shot)[2][4].foreground, 14);
    EXPECT_EQ(Cp437_FromUtf8("→←◄"), "\x1A\x1B\x11");
    EXPECT_EQ(Cp437_ToUtf8("\xC9\xCD\xBB"), "╔═╗");
}

}  // namespace
