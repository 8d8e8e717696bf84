// Checks the shapes of the built-in 8 x 8 and 8 x 16 code page 437 glyphs the game relies on.
#include "font_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "png_writer.h"

namespace {

struct FontView {
    const uint8_t* bytes = nullptr;
    int height = 0;
    const char* name = "";

    bool Px(int glyph, int x, int y) const { return bytes[(glyph * height + y) * 8 + x] != 0; }
    int Count(int glyph) const {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 8; ++x) n += Px(glyph, x, y) ? 1 : 0;
        return n;
    }
    // The glyph's row y as a bit pattern, bit 7 leftmost.
    unsigned Row(int glyph, int y) const {
        unsigned bits = 0;
        for (int x = 0; x < 8; ++x) bits |= Px(glyph, x, y) ? (0x80u >> x) : 0u;
        return bits;
    }
    // Column x as a bit pattern, bit 0 the top row.
    unsigned Column(int glyph, int x) const {
        unsigned bits = 0;
        for (int y = 0; y < height; ++y) bits |= Px(glyph, x, y) ? (1u << y) : 0u;
        return bits;
    }
    std::vector<uint8_t> Glyph(int glyph) const {
        return std::vector<uint8_t>(bytes + glyph * height * 8, bytes + (glyph + 1) * height * 8);
    }
    int TopRow(int glyph) const {
        for (int y = 0; y < height; ++y)
            if (Row(glyph, y) != 0) return y;
        return height;
    }
};

const FontView kSets[2] = {{kFont8x8, 8, "8x8"}, {kFont8x16, 16, "8x16"}};

// Number of separate runs of set bits in the lowest `width` bits.
int Runs(unsigned bits, int width) {
    int runs = 0;
    bool in_run = false;
    for (int i = 0; i < width; ++i) {
        const bool set = (bits >> i) & 1u;
        if (set && !in_run) ++runs;
        in_run = set;
    }
    return runs;
}

// Lines leaving a box-drawing cell on each side: 0 none, 1 single, 2 double.
struct Arms {
    int code;
    int up, down, left, right;
};

// The single and double line pieces of code page 437 with the lines they send to each edge.
constexpr Arms kBoxPieces[] = {
    {0xB3, 1, 1, 0, 0}, {0xB4, 1, 1, 1, 0}, {0xB5, 1, 1, 2, 0}, {0xB6, 2, 2, 1, 0},
    {0xB7, 0, 2, 1, 0}, {0xB8, 0, 1, 2, 0}, {0xB9, 2, 2, 2, 0}, {0xBA, 2, 2, 0, 0},
    {0xBB, 0, 2, 2, 0}, {0xBC, 2, 0, 2, 0}, {0xBD, 2, 0, 1, 0}, {0xBE, 1, 0, 2, 0},
    {0xBF, 0, 1, 1, 0}, {0xC0, 1, 0, 0, 1}, {0xC1, 1, 0, 1, 1}, {0xC2, 0, 1, 1, 1},
    {0xC3, 1, 1, 0, 1}, {0xC4, 0, 0, 1, 1}, {0xC5, 1, 1, 1, 1}, {0xC6, 1, 1, 0, 2},
    {0xC7, 2, 2, 0, 1}, {0xC8, 2, 0, 0, 2}, {0xC9, 0, 2, 0, 2}, {0xCA, 2, 0, 2, 2},
    {0xCB, 0, 2, 2, 2}, {0xCC, 2, 2, 0, 2}, {0xCD, 0, 0, 2, 2}, {0xCE, 2, 2, 2, 2},
    {0xCF, 1, 0, 2, 2}, {0xD0, 2, 0, 1, 1}, {0xD1, 0, 1, 2, 2}, {0xD2, 0, 2, 1, 1},
    {0xD3, 2, 0, 0, 1}, {0xD4, 1, 0, 0, 2}, {0xD5, 0, 1, 0, 2}, {0xD6, 0, 2, 0, 1},
    {0xD7, 2, 2, 1, 1}, {0xD8, 1, 1, 2, 2}, {0xD9, 1, 0, 1, 0}, {0xDA, 0, 1, 0, 1},
};

class FontSet : public ::testing::TestWithParam<int> {
  protected:
    const FontView& f = kSets[GetParam()];
};

TEST_P(FontSet, EveryByteIsBackgroundOrForeground) {
    const int size = 256 * f.height * 8;
    for (int i = 0; i < size; ++i) {
        ASSERT_TRUE(f.bytes[i] == 0x00 || f.bytes[i] == 0xFF) << f.name << " byte " << i;
    }
}

TEST_P(FontSet, OnlyTheEmptyCellsAreBlank) {
    std::set<int> blank;
    for (int g = 0; g < 256; ++g)
        if (f.Count(g) == 0) blank.insert(g);
    EXPECT_EQ(blank, (std::set<int>{0x00, 0x20, 0xFF})) << f.name;
}

TEST_P(FontSet, AllGlyphsDistinctExceptTheBlanks) {
    std::set<std::vector<uint8_t>> seen;
    for (int g = 0; g < 256; ++g) {
        if (g == 0x20 || g == 0xFF) continue;
        EXPECT_TRUE(seen.insert(f.Glyph(g)).second) << f.name << " glyph " << g << " repeats";
    }
}

TEST_P(FontSet, LettersAndDigitsArePresentAndDistinct) {
    std::string chars;
    for (char c = 'A'; c <= 'Z'; ++c) chars += c;
    for (char c = 'a'; c <= 'z'; ++c) chars += c;
    for (char c = '0'; c <= '9'; ++c) chars += c;
    std::set<std::vector<uint8_t>> shapes;
    for (char c : chars) {
        const int g = static_cast<unsigned char>(c);
        EXPECT_GE(f.Count(g), 6) << f.name << " '" << c << "'";
        shapes.insert(f.Glyph(g));
    }
    EXPECT_EQ(shapes.size(), chars.size()) << f.name;
    EXPECT_NE(f.Glyph('O'), f.Glyph('0')) << f.name;
    EXPECT_NE(f.Glyph('l'), f.Glyph('1')) << f.name;
    // '-' is one straight stroke: a single run of pixels in each row it uses.
    int stroke_rows = 0;
    for (int y = 0; y < f.height; ++y) {
        EXPECT_LE(Runs(f.Row('-', y), 8), 1) << f.name;
        stroke_rows += f.Row('-', y) != 0 ? 1 : 0;
    }
    EXPECT_GE(stroke_rows, 1) << f.name;
    EXPECT_LE(stroke_rows, 2) << f.name;
}

TEST_P(FontSet, FullBlockAndHalfBlocks) {
    EXPECT_EQ(f.Count(0xDB), 8 * f.height) << f.name;
    // ▀ and ▄ are full-width bands from their edge that together fill the cell exactly; the
    // PC's 8 x 16 set splits the cell one row above the middle (7 and 9 rows).
    int split = 0;
    while (split < f.height && f.Row(0xDF, split) == 0xFF) ++split;
    EXPECT_GE(split, f.height / 2 - 1) << f.name;
    EXPECT_LE(split, f.height / 2) << f.name;
    for (int y = 0; y < f.height; ++y) {
        EXPECT_EQ(f.Row(0xDF, y), y < split ? 0xFFu : 0u) << f.name << " upper half, row " << y;
        EXPECT_EQ(f.Row(0xDC, y), y >= split ? 0xFFu : 0u) << f.name << " lower half, row " << y;
        EXPECT_EQ(f.Row(0xDD, y), 0xF0u) << f.name << " left half, row " << y;
        EXPECT_EQ(f.Row(0xDE, y), 0x0Fu) << f.name << " right half, row " << y;
    }
}

TEST_P(FontSet, ShadesGrowDarker) {
    const int cell = 8 * f.height;
    const int light = f.Count(0xB0);
    const int medium = f.Count(0xB1);
    const int dark = f.Count(0xB2);
    EXPECT_GT(light, 0) << f.name;
    EXPECT_LT(light, medium) << f.name;
    EXPECT_LT(medium, dark) << f.name;
    EXPECT_LT(dark, cell) << f.name;
    // Roughly a quarter, a half and three quarters of the cell.
    EXPECT_NEAR(light, cell / 4, cell / 8) << f.name;
    EXPECT_EQ(medium, cell / 2) << f.name;
    EXPECT_NEAR(dark, 3 * cell / 4, cell / 8) << f.name;
    // Each shade is an even pattern: no row is empty and no row is full.
    for (int shade : {0xB0, 0xB1, 0xB2}) {
        for (int y = 0; y < f.height; ++y) {
            EXPECT_NE(f.Row(shade, y), 0u) << f.name << " shade " << shade << " row " << y;
            EXPECT_NE(f.Row(shade, y), 0xFFu) << f.name << " shade " << shade << " row " << y;
        }
    }
}

TEST_P(FontSet, StraightLinesSpanTheCell) {
    auto full_rows = [&](int g) {
        std::vector<int> rows;
        for (int y = 0; y < f.height; ++y)
            if (f.Row(g, y) == 0xFF) rows.push_back(y);
        return rows;
    };
    auto full_columns = [&](int g) {
        std::vector<int> columns;
        for (int x = 0; x < 8; ++x)
            if (f.Column(g, x) == (1u << f.height) - 1) columns.push_back(x);
        return columns;
    };
    // ─ and ═: one and two full-width rows, nothing else.
    const std::vector<int> single_rows = full_rows(0xC4);
    const std::vector<int> double_rows = full_rows(0xCD);
    ASSERT_EQ(single_rows.size(), 1u) << f.name;
    ASSERT_EQ(double_rows.size(), 2u) << f.name;
    EXPECT_GE(double_rows[1] - double_rows[0], 2) << f.name << " the two lines touch";
    EXPECT_EQ(f.Count(0xC4), 8) << f.name;
    EXPECT_EQ(f.Count(0xCD), 16) << f.name;
    // │ and ║: full-height columns, one stroke and two separate strokes.
    const std::vector<int> single_columns = full_columns(0xB3);
    const std::vector<int> double_columns = full_columns(0xBA);
    unsigned single_mask = 0;
    unsigned double_mask = 0;
    for (int x : single_columns) single_mask |= 1u << x;
    for (int x : double_columns) double_mask |= 1u << x;
    EXPECT_EQ(Runs(single_mask, 8), 1) << f.name;
    EXPECT_EQ(Runs(double_mask, 8), 2) << f.name;
    EXPECT_EQ(f.Count(0xB3), static_cast<int>(single_columns.size()) * f.height) << f.name;
    EXPECT_EQ(f.Count(0xBA), static_cast<int>(double_columns.size()) * f.height) << f.name;
}

// Every piece sends its lines to the edges it names and nowhere else, and every line of a
// kind meets the cell edge at the same pixels, so that neighbouring cells join seamlessly:
// the top edge of one piece continues the bottom edge of the piece above it, the left edge
// the right edge of the piece before it.
TEST_P(FontSet, BoxPiecesJoinAtTheCellEdges) {
    const int bottom = f.height - 1;
    // Edge patterns: [kind][0 vertical lines (top/bottom rows), 1 horizontal (left/right)].
    unsigned pattern[3][2] = {};
    bool have[3][2] = {};
    auto check = [&](int code, int kind, int axis, unsigned edge, const char* side) {
        if (kind == 0) {
            EXPECT_EQ(edge, 0u) << f.name << " piece " << std::hex << code << " has pixels on its "
                                << side << " edge";
            return;
        }
        const int width = axis == 0 ? 8 : f.height;
        EXPECT_EQ(Runs(edge, width), kind)
            << f.name << " piece " << std::hex << code << " " << side << " edge";
        if (!have[kind][axis]) {
            have[kind][axis] = true;
            pattern[kind][axis] = edge;
        }
        EXPECT_EQ(edge, pattern[kind][axis]) << f.name << " piece " << std::hex << code << " "
                                             << side << " edge does not meet the other lines";
    };
    for (const Arms& a : kBoxPieces) {
        check(a.code, a.up, 0, f.Row(a.code, 0), "top");
        check(a.code, a.down, 0, f.Row(a.code, bottom), "bottom");
        check(a.code, a.left, 1, f.Column(a.code, 0), "left");
        check(a.code, a.right, 1, f.Column(a.code, 7), "right");
    }
    // The straight pieces fix the patterns: ─ ═ rows and │ ║ columns.
    EXPECT_EQ(pattern[1][0], f.Row(0xB3, 0)) << f.name;
    EXPECT_EQ(pattern[2][1], f.Column(0xCD, 0)) << f.name;
    // A double line's strokes sit on either side of the single line's stroke.
    const unsigned s_v = pattern[1][0];
    const unsigned d_v = pattern[2][0];
    EXPECT_LE(__builtin_ctz(d_v), __builtin_ctz(s_v)) << f.name;
    EXPECT_GE(31 - __builtin_clz(d_v), 31 - __builtin_clz(s_v)) << f.name;
}

TEST_P(FontSet, CornersTurnTheRightWay) {
    // ╔ ╗ ╚ ╝ and ┌ ┐ └ ┘: the corner of the cell that the lines turn away from stays empty,
    // and the lines reach the two edges they leave by.
    struct Corner {
        int code;
        bool top, left;  // the lines leave by the top (else bottom), left (else right) edge
    };
    for (const Corner& c :
         {Corner{0xC9, false, false}, Corner{0xBB, false, true}, Corner{0xC8, true, false},
          Corner{0xBC, true, true}, Corner{0xDA, false, false}, Corner{0xBF, false, true},
          Corner{0xC0, true, false}, Corner{0xD9, true, true}}) {
        const int x0 = c.left ? 6 : 0;
        const int y0 = c.top ? f.height - 2 : 0;
        for (int y = y0; y < y0 + 2; ++y)
            for (int x = x0; x < x0 + 2; ++x)
                EXPECT_FALSE(f.Px(c.code, x, y)) << f.name << " corner " << std::hex << c.code;
        EXPECT_NE(f.Row(c.code, c.top ? 0 : f.height - 1), 0u) << std::hex << c.code;
        EXPECT_NE(f.Column(c.code, c.left ? 0 : 7), 0u) << std::hex << c.code;
    }
}

// Topmost and bottommost set pixel of the part of `glyph` above row `limit`: the accent.
struct Accent {
    int top_x = -1, bottom_x = -1, rows = 0;
};

Accent AccentAbove(const FontView& f, int glyph, int limit) {
    Accent a;
    for (int y = 0; y < limit; ++y) {
        if (f.Row(glyph, y) == 0) continue;
        ++a.rows;
        int mean2 = 0;
        int n = 0;
        for (int x = 0; x < 8; ++x)
            if (f.Px(glyph, x, y)) mean2 += 2 * x, ++n;
        if (a.top_x < 0) a.top_x = mean2 / n;
        a.bottom_x = mean2 / n;
    }
    return a;
}

TEST_P(FontSet, AccentedLettersCarryTheirAccents) {
    struct Accented {
        int code;
        char base;
        bool grave;
    };
    for (const Accented& a :
         {Accented{0x8A, 'e', true}, Accented{0x82, 'e', false}, Accented{0x85, 'a', true},
          Accented{0xA0, 'a', false}, Accented{0x97, 'u', true}, Accented{0x95, 'o', true}}) {
        // The letter's body, from the top row of the plain letter down, is the plain letter
        // (one row may differ where the accent comes close).
        const int body_top = f.TopRow(a.base);
        int same_rows = 0;
        for (int y = body_top; y < f.height; ++y)
            same_rows += f.Row(a.code, y) == f.Row(a.base, y) ? 1 : 0;
        EXPECT_GE(same_rows, f.height - body_top - 1) << f.name << " " << std::hex << a.code;
        // Above it an accent slanting down to the right (grave) or to the left (acute).
        const Accent accent = AccentAbove(f, a.code, body_top);
        ASSERT_GE(accent.rows, 1) << f.name << " " << std::hex << a.code << " has no accent";
        if (accent.rows >= 2) {
            if (a.grave)
                EXPECT_GT(accent.bottom_x, accent.top_x) << f.name << " " << std::hex << a.code;
            else
                EXPECT_LT(accent.bottom_x, accent.top_x) << f.name << " " << std::hex << a.code;
        }
    }
}

TEST_P(FontSet, DegreeSignIsSmallAndHigh) {
    const int g = 0xF8;
    EXPECT_GE(f.Count(g), 4) << f.name;
    for (int y = f.height / 2; y < f.height; ++y) EXPECT_EQ(f.Row(g, y), 0u) << f.name;
    // A ring: its middle row has pixels on both sides of a gap.
    bool ring = false;
    for (int y = 0; y < f.height / 2; ++y) ring = ring || Runs(f.Row(g, y), 8) == 2;
    EXPECT_TRUE(ring) << f.name;
}

// Columns holding pixels of the glyph, left to right, with their pixel counts.
std::vector<int> ColumnCounts(const FontView& f, int glyph) {
    std::vector<int> counts;
    for (int x = 0; x < 8; ++x) {
        const int n = __builtin_popcount(f.Column(glyph, x));
        if (n > 0 || !counts.empty()) counts.push_back(n);
    }
    while (!counts.empty() && counts.back() == 0) counts.pop_back();
    return counts;
}

TEST_P(FontSet, TrianglesPoint) {
    // ◄ (17): a single pixel at the left tip, columns growing taller to the right.
    const std::vector<int> left = ColumnCounts(f, 17);
    ASSERT_GE(left.size(), 4u) << f.name;
    EXPECT_EQ(left.front(), 1) << f.name;
    for (size_t i = 1; i < left.size(); ++i) EXPECT_GE(left[i], left[i - 1]) << f.name;
    EXPECT_GT(left.back(), 4) << f.name;
    // ► (16): the same pointing right.
    const std::vector<int> right = ColumnCounts(f, 16);
    ASSERT_GE(right.size(), 4u) << f.name;
    EXPECT_EQ(right.back(), 1) << f.name;
    for (size_t i = 1; i < right.size(); ++i) EXPECT_LE(right[i], right[i - 1]) << f.name;
}

// For an arrow: its shaft row (the longest run) and the mean x of its head, the pixels off it.
void ArrowShape(const FontView& f, int glyph, int& shaft_y, double& head_x, double& shaft_mid) {
    shaft_y = -1;
    int widest = 0;
    for (int y = 0; y < f.height; ++y) {
        const int n = __builtin_popcount(f.Row(glyph, y));
        if (n > widest) widest = n, shaft_y = y;
    }
    int first = 8;
    int last = -1;
    for (int x = 0; x < 8; ++x)
        if (f.Px(glyph, x, shaft_y)) first = std::min(first, x), last = std::max(last, x);
    shaft_mid = (first + last) / 2.0;
    double sum = 0;
    int n = 0;
    for (int y = 0; y < f.height; ++y) {
        if (y == shaft_y) continue;
        for (int x = 0; x < 8; ++x)
            if (f.Px(glyph, x, y)) sum += x, ++n;
    }
    head_x = n > 0 ? sum / n : shaft_mid;
}

TEST_P(FontSet, ArrowsPointLeftAndRight) {
    for (int g : {26, 27}) {
        int shaft_y = 0;
        double head_x = 0;
        double shaft_mid = 0;
        ArrowShape(f, g, shaft_y, head_x, shaft_mid);
        ASSERT_GE(shaft_y, 0) << f.name;
        EXPECT_GE(__builtin_popcount(f.Row(g, shaft_y)), 5) << f.name << " arrow " << g;
        EXPECT_EQ(Runs(f.Row(g, shaft_y), 8), 1) << f.name << " arrow " << g;
        if (g == 26)
            EXPECT_GT(head_x, shaft_mid) << f.name << " → points right";
        else
            EXPECT_LT(head_x, shaft_mid) << f.name << " ← points left";
        // The head is symmetric about the shaft.
        for (int d = 1; shaft_y - d >= 0 && shaft_y + d < f.height; ++d)
            EXPECT_EQ(f.Row(g, shaft_y - d), f.Row(g, shaft_y + d)) << f.name << " arrow " << g;
    }
}

INSTANTIATE_TEST_SUITE_P(BothSets, FontSet, ::testing::Values(0, 1),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == 0 ? "Font8x8" : "Font8x16");
                         });

TEST(FontSets, AgreeOnBlankGlyphs) {
    for (int g = 0; g < 256; ++g) {
        EXPECT_EQ(kSets[0].Count(g) == 0, kSets[1].Count(g) == 0) << "glyph " << g;
    }
}

// Draws both sets as 16 x 16 grids into font_sheet.png in the working directory, for a
// person to look at the shapes.
TEST(FontSets, SheetPicture) {
    constexpr int kScale = 2;
    constexpr int kGap = 2;
    const int sheet_w = 16 * (8 + kGap) + kGap;
    const int h8 = 16 * (8 + kGap) + kGap;
    const int h16 = 16 * (16 + kGap) + kGap;
    const int width = (2 * sheet_w + kGap * 4) * kScale;
    const int height = std::max(h8, h16) * kScale;
    std::vector<uint32_t> pixels(static_cast<size_t>(width * height), 0x404040);
    auto put = [&](int x, int y, uint32_t colour) {
        for (int dy = 0; dy < kScale; ++dy)
            for (int dx = 0; dx < kScale; ++dx)
                pixels[static_cast<size_t>((y * kScale + dy) * width + x * kScale + dx)] = colour;
    };
    for (int s = 0; s < 2; ++s) {
        const FontView& f = kSets[s];
        const int left = s == 0 ? 0 : sheet_w + kGap * 4;
        for (int g = 0; g < 256; ++g) {
            const int cx = left + kGap + (g % 16) * (8 + kGap);
            const int cy = kGap + (g / 16) * (f.height + kGap);
            for (int y = 0; y < f.height; ++y)
                for (int x = 0; x < 8; ++x)
                    put(cx + x, cy + y, f.Px(g, x, y) ? 0xFFFFFF : 0x0000AA);
        }
    }
    EXPECT_TRUE(plat::Png_WriteRgb("font_sheet.png", width, height, pixels.data()));
}

// Draws frames of box pieces cell against cell into font_frames.png (working directory), so a
// person can see that the lines join.
TEST(FontSets, FramePicture) {
    const std::vector<std::string> lines = {
        "\xC9\xCD\xCD\xCB\xCD\xCD\xBB \xDA\xC4\xC4\xC2\xC4\xC4\xBF \xD5\xCD\xD1\xCD\xB8 "
        "\xD6\xC4\xD2\xC4\xB7 \xB0\xB1\xB2\xDB",
        "\xBA\x8A\x82\xBA\x85\xF8\xBA \xB3\x11\x1A\xB3\x1B"
        "A\xB3 \xB3 \xB3 \xB3 \xBA \xBA \xBA \xDC\xDF\xDD\xDE",
        "\xCC\xCD\xCD\xCE\xCD\xCD\xB9 \xC3\xC4\xC4\xC5\xC4\xC4\xB4 \xC6\xCD\xD8\xCD\xB5 "
        "\xC7\xC4\xD7\xC4\xB6 \xDB\xDB\xDB\xDB",
        "\xC7\xC4\xC4\xD7\xC4\xC4\xB6 \xC6\xCD\xCD\xD8\xCD\xCD\xB5 \xB3 \xB3 \xB3 \xBA \xBA \xBA "
        "\xDF\xDF\xDC\xDC",
        "\xC8\xCD\xCD\xCA\xCD\xCD\xBC \xC0\xC4\xC4\xC1\xC4\xC4\xD9 \xD4\xCD\xCF\xCD\xBE "
        "\xD3\xC4\xD0\xC4\xBD Brunolt",
    };
    constexpr int kScale = 3;
    int columns = 0;
    for (const std::string& line : lines)
        columns = std::max(columns, static_cast<int>(line.size()));
    const int width = columns * 8 * kScale;
    const int height = (static_cast<int>(lines.size()) * (8 + 16) + 2) * kScale;
    std::vector<uint32_t> pixels(static_cast<size_t>(width * height), 0x404040);
    int top = 0;
    for (const FontView& f : kSets) {
        for (size_t row = 0; row < lines.size(); ++row) {
            for (int col = 0; col < columns && col < static_cast<int>(lines[row].size()); ++col) {
                const int g = static_cast<unsigned char>(lines[row][static_cast<size_t>(col)]);
                for (int y = 0; y < f.height; ++y) {
                    for (int x = 0; x < 8; ++x) {
                        const uint32_t colour = f.Px(g, x, y) ? 0xFFFF55 : 0x0000AA;
                        for (int dy = 0; dy < kScale; ++dy)
                            for (int dx = 0; dx < kScale; ++dx)
                                pixels[static_cast<size_t>(
                                    ((top + static_cast<int>(row) * f.height + y) * kScale + dy) *
                                        width +
                                    (col * 8 + x) * kScale + dx)] = colour;
                    }
                }
            }
        }
        top += static_cast<int>(lines.size()) * f.height + 2;
    }
    EXPECT_TRUE(plat::Png_WriteRgb("font_frames.png", width, height, pixels.data()));
}

}  // namespace
