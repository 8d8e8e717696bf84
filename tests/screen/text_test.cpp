// Text output: glyph pixels in modes 12 and 7, cells in mode 0, wrapping, scrolling, the
// cursor, tabs and the text view.
#include "font_data.h"
#include "screen_fixture.h"
#include "sound.h"
#include "virtual_mixer.h"

namespace {

using TextTest = ScreenTest;

// Checks the cell at (row, column) against the glyph rows of `code`.
void ExpectCell(const ImagePage& page, int row, int column, uint8_t code, uint8_t fg, uint8_t bg,
                int cell_height) {
    const uint8_t* glyphs = cell_height == 16 ? kFont8x16 : kFont8x8;
    const int glyph_bytes = cell_height == 16 ? 128 : 64;
    for (int y = 0; y < cell_height; ++y) {
        for (int x = 0; x < 8; ++x) {
            const int px = (column - 1) * 8 + x;
            const int py = (row - 1) * cell_height + y;
            const uint8_t expected = glyphs[code * glyph_bytes + y * 8 + x] != 0 ? fg : bg;
            ASSERT_EQ(page.store[static_cast<size_t>(py) * page.width + px], expected)
                << "code " << int(code) << " at " << px << "," << py;
        }
    }
}

TEST_F(TextTest, ModeTwelveDrawsGlyphRowsInTheColours) {
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_Color(14, 1, 0, 3);
    Scr_Locate(3, 5, 0, 0, 0, 3);
    const RtString text = "\xC9\xCD\xBB \x8A\x82\x85\xF8\x1A\x1B\x11";
    Scr_Print(text, false);
    for (size_t i = 0; i < text.size(); ++i) {
        ExpectCell(Active(), 3, 5 + static_cast<int>(i), static_cast<uint8_t>(text[i]), 14, 1, 16);
    }
    EXPECT_EQ(Active().cursorColumn, 5 + static_cast<int>(text.size()));
    EXPECT_EQ(Active().cursorRow, 3);
    // Nothing outside the printed cells.
    EXPECT_EQ(PixelAt(Active(), 31, 32), 0);
    EXPECT_EQ(PixelAt(Active(), 32, 31), 0);
}

TEST_F(TextTest, ModeSevenUsesTheEightByEightSet) {
    Scr_SetMode(7, 0, 0, 0, 1);
    Scr_Color(10, 0, 0, 1);
    Scr_Locate(25, 40, 0, 0, 0, 3);
    Scr_Print("\xDB", false);
    ExpectCell(Active(), 25, 40, 0xDB, 10, 0, 8);
    EXPECT_EQ(PixelAt(Active(), 319, 199), 10);
    Scr_Locate(1, 1, 0, 0, 0, 3);
    Scr_Print("Tempo \xB1\xB0", false);
    const RtString text = "Tempo \xB1\xB0";
    for (size_t i = 0; i < text.size(); ++i) {
        ExpectCell(Active(), 1, 1 + static_cast<int>(i), static_cast<uint8_t>(text[i]), 10, 0, 8);
    }
}

TEST_F(TextTest, PrintModesDrawOnlyTheirPixels) {
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_Cls(0, 3, 3);
    Active().printMode = kPrintForeground;
    Scr_Color(9, 0, 0, 1);
    Scr_DrawChar('A');
    ExpectCell(Active(), 1, 1, 'A', 9, 3, 16);
    Active().printMode = kPrintBackground;
    Scr_Color(9, 5, 0, 3);
    Scr_DrawChar('A');
    ExpectCell(Active(), 1, 1, 'A', 9, 5, 16);
}

TEST_F(TextTest, TextModeStoresCharacterAndAttribute) {
    Scr_Color(20, 3, 0, 3);  // blinking red on cyan
    Scr_Print("\xC9", false);
    EXPECT_EQ(Active().store[0], 0xC9);
    EXPECT_EQ(Active().store[1], 0x80 | 0x30 | 4);
    Scr_Color(16, 0, 0, 1);
    Scr_Print("x", false);
    EXPECT_EQ(Active().store[3], 0x80 | 0x30);  // the background stays
}

TEST_F(TextTest, FullRowLeavesANewLinePending) {
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_Locate(5, 1, 0, 0, 0, 3);
    Scr_Print(RtString(80, 'x'), false);
    EXPECT_EQ(Active().cursorColumn, 80);
    EXPECT_EQ(Active().cursorRow, 5);
    EXPECT_EQ(Active().pendingNewline, 1);
    Scr_Print("y", false);
    EXPECT_EQ(Active().cursorRow, 6);
    EXPECT_EQ(Active().cursorColumn, 2);
    ExpectCell(Active(), 6, 1, 'y', 15, 0, 16);

    Scr_Locate(10, 1, 0, 0, 0, 3);
    Scr_Print(RtString(80, 'x'), false);
    Scr_Print("", true);
    EXPECT_EQ(Active().cursorRow, 11);
    EXPECT_EQ(Active().cursorColumn, 1);
    EXPECT_EQ(Active().pendingNewline, 0);

    // A full row with a new line requested makes exactly one new line.
    Scr_Locate(12, 1, 0, 0, 0, 3);
    Scr_Print(RtString(80, 'x'), true);
    EXPECT_EQ(Active().cursorRow, 13);
    EXPECT_EQ(Active().cursorColumn, 1);
}

TEST_F(TextTest, LongTextWrapsToTheNextRow) {
    Scr_SetMode(7, 0, 0, 0, 1);
    Scr_Locate(2, 39, 0, 0, 0, 3);
    Scr_Print("abc", false);
    EXPECT_EQ(Active().cursorRow, 3);
    EXPECT_EQ(Active().cursorColumn, 2);
    ExpectCell(Active(), 2, 40, 'b', 15, 0, 8);
    ExpectCell(Active(), 3, 1, 'c', 15, 0, 8);
}

TEST_F(TextTest, FitCheck) {
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_Locate(4, 75, 0, 0, 0, 3);
    Scr_FitCheck("0123456789");
    EXPECT_EQ(Active().cursorRow, 5);
    EXPECT_EQ(Active().cursorColumn, 1);
    Scr_Locate(4, 71, 0, 0, 0, 3);
    Scr_FitCheck("0123456789");
    EXPECT_EQ(Active().cursorRow, 4);
    EXPECT_EQ(Active().cursorColumn, 71);
    Scr_Locate(4, 1, 0, 0, 0, 3);
    Scr_FitCheck(RtString(200, 'x'));
    EXPECT_EQ(Active().cursorRow, 4);
}

TEST_F(TextTest, NewLineAtTheViewBottomScrollsOnlyTheView) {
    Scr_SetMode(12, 0, 0, 0, 1);
    ImagePage& page = Active();
    // Mark every text row with its own colour.
    for (int row = 1; row <= 30; ++row) {
        for (int y = (row - 1) * 16; y < row * 16; ++y) {
            for (int x = 0; x < 640; ++x)
                page.store[static_cast<size_t>(y) * 640 + x] = static_cast<uint8_t>(row % 16);
        }
    }
    Scr_Color(15, 6, 0, 3);
    Scr_Locate(29, 10, 0, 0, 0, 3);
    Scr_NewLine();
    EXPECT_EQ(page.cursorRow, 29);
    EXPECT_EQ(page.cursorColumn, 1);
    for (int row = 1; row <= 28; ++row) {
        EXPECT_EQ(PixelAt(page, 0, (row - 1) * 16), (row + 1) % 16) << row;
        EXPECT_EQ(PixelAt(page, 639, row * 16 - 1), (row + 1) % 16) << row;
    }
    for (int y = 28 * 16; y < 29 * 16; ++y) ASSERT_EQ(PixelAt(page, 320, y), 6) << y;
    for (int y = 29 * 16; y < 480; ++y) ASSERT_EQ(PixelAt(page, 320, y), 30 % 16) << y;

    // A new line made on the last row, outside the view, scrolls the view above it.
    Scr_Locate(30, 1, 0, 0, 0, 3);
    Scr_NewLine();
    EXPECT_EQ(page.cursorRow, 29);
    EXPECT_EQ(PixelAt(page, 0, 0), 3);
    EXPECT_EQ(PixelAt(page, 0, 29 * 16), 30 % 16);
}

TEST_F(TextTest, TextModeScrollsCellsWithTheCurrentAttribute) {
    Scr_SetTextView(2, 4, 3);
    Scr_Locate(2, 1, 0, 0, 0, 3);
    Scr_Print("two", true);
    Scr_Print("three", true);
    Scr_Print("four", true);
    Scr_Color(2, 1, 0, 3);
    Scr_Print("five", true);
    const uint8_t* cells = Active().store;
    EXPECT_EQ(cells[0], ' ');  // row 1 lies outside the view
    EXPECT_EQ(cells[80 * 2 * 1], 'f');
    EXPECT_EQ(cells[80 * 2 * 1 + 2], 'o');
    EXPECT_EQ(cells[80 * 2 * 1 + 1], 0x07);
    EXPECT_EQ(cells[80 * 2 * 2], 'f');
    EXPECT_EQ(cells[80 * 2 * 2 + 2], 'i');
    EXPECT_EQ(cells[80 * 2 * 2 + 1], 0x12);
    EXPECT_EQ(cells[80 * 2 * 3], ' ');
    EXPECT_EQ(cells[80 * 2 * 3 + 1], 0x12);
    EXPECT_EQ(Active().cursorRow, 4);
}

TEST_F(TextTest, LocateChecksRowsAndColumns) {
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_Locate(30, 1, 0, 0, 0, 3);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(Active().cursorRow, 30);
    Scr_Locate(31, 1, 0, 0, 0, 3);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    Scr_Locate(1, 81, 0, 0, 0, 3);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    EXPECT_EQ(Active().cursorRow, 30);
    EXPECT_EQ(Active().cursorColumn, 1);
    Scr_SetTextView(5, 10, 3);
    Scr_Locate(4, 1, 0, 0, 0, 1);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    Scr_Locate(11, 1, 0, 0, 0, 1);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    Scr_Locate(0, 0, 2, 0, 0, 4);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    Scr_Locate(0, 0, 1, 6, 32, 28);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    Scr_Locate(0, 0, 1, 6, 7, 28);
    EXPECT_EQ(Active().cursorVisible, 1);
    EXPECT_EQ(Active().cursorEndLine, 7);
}

TEST_F(TextTest, LocateWithoutCoordinatesMarksThePendingNewLine) {
    Scr_SetMode(7, 0, 0, 0, 1);
    Scr_Locate(3, 1, 0, 0, 0, 3);
    Scr_Print(RtString(40, '-'), false);
    EXPECT_EQ(Active().pendingNewline, 1);
    Scr_Locate(0, 0, 1, 0, 0, 4);
    EXPECT_EQ(Active().pendingNewline, 2);
    Scr_Locate(4, 0, 0, 0, 0, 1);
    EXPECT_EQ(Active().pendingNewline, 0);
}

TEST_F(TextTest, UntouchedStartUpScreenGrowsTo80x50) {
    Scr_Color(14, 1, 0, 3);
    Scr_Print("kept", false);
    Scr_Locate(40, 3, 0, 0, 0, 3);
    EXPECT_EQ(Err_Pending(), 0u);
    ImagePage& page = Active();
    EXPECT_EQ(page.height, 50);
    EXPECT_EQ(page.font, 8);
    EXPECT_EQ(page.cursorRow, 40);
    EXPECT_EQ(page.cursorColumn, 3);
    EXPECT_EQ(page.foreground, 14);
    EXPECT_EQ(page.store[0], 'k');
    EXPECT_EQ(page.store[1], 0x1E);
    EXPECT_EQ(page.textViewBottom, 49);
    Scr_Locate(51, 1, 0, 0, 0, 1);
    EXPECT_EQ(Err_Pending(), 5u);
}

TEST_F(TextTest, ChosenTextScreenDoesNotGrow) {
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_SetMode(0, 0, 0, 0, 1);
    Scr_Locate(40, 1, 0, 0, 0, 3);
    EXPECT_EQ(Err_Pending(), 5u);
    EXPECT_EQ(Active().height, 25);
}

TEST_F(TextTest, ControlBytes) {
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_Locate(5, 3, 0, 0, 0, 3);
    Scr_Print("\t", false);
    EXPECT_EQ(Active().cursorColumn, 9);
    Scr_Print("ab\t", false);
    EXPECT_EQ(Active().cursorColumn, 17);
    Scr_Print("\x1E\x1E", false);
    EXPECT_EQ(Active().cursorRow, 3);
    Scr_Print("\x1F", false);
    EXPECT_EQ(Active().cursorRow, 4);
    Scr_Print("\x1D", false);
    EXPECT_EQ(Active().cursorColumn, 16);
    Scr_Locate(4, 1, 0, 0, 0, 3);
    Scr_Print("\x1D", false);
    EXPECT_EQ(Active().cursorRow, 3);
    EXPECT_EQ(Active().cursorColumn, 80);
    Scr_Print("\x1C", false);
    EXPECT_EQ(Active().cursorRow, 4);
    EXPECT_EQ(Active().cursorColumn, 1);
    Scr_Print("\x0B", false);
    EXPECT_EQ(Active().cursorRow, 1);
    Scr_Print("x\ry", false);
    EXPECT_EQ(Active().cursorRow, 2);
    EXPECT_EQ(Active().cursorColumn, 2);
    Scr_Print("z\n", true);  // the line feed itself ends the line: one new line only
    EXPECT_EQ(Active().cursorRow, 3);
    // Byte 7 sounds the beep, which waits 250 ms once, and prints nothing.
    ManualClock clock;
    plat::VirtualMixer mixer;
    plat::Platform platform;
    platform.clock = &clock;
    platform.mixer = &mixer;
    plat::Plat_Install(platform);
    Snd_Reset();
    Scr_Locate(10, 10, 0, 0, 0, 3);
    Scr_Print("\x07", false);
    EXPECT_EQ(clock.ticks_ms(), 250u);
    EXPECT_TRUE(mixer.is_open());
    Snd_Reset();
    plat::Plat_Install(plat::Platform{});
    EXPECT_EQ(Active().cursorColumn, 10);
    EXPECT_EQ(PixelAt(Active(), 72 + 3, 144 + 8), 0);
    Scr_Print("\x0C", false);
    EXPECT_EQ(Active().cursorRow, 1);
    EXPECT_EQ(PixelAt(Active(), 8, 16), 0);
    // Tab at the end of the last column keeps the new line pending instead of looping.
    Scr_Locate(6, 80, 0, 0, 0, 3);
    Scr_Print("\t", false);
    EXPECT_EQ(Active().pendingNewline, 1);
}

TEST_F(TextTest, TabStrings) {
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_Locate(1, 30, 0, 0, 0, 3);
    EXPECT_EQ(Scr_Tab(20), "\r" + RtString(19, ' '));
    EXPECT_EQ(Scr_Tab(35), RtString(5, ' '));
    EXPECT_EQ(Scr_Tab(30), "");
    EXPECT_EQ(Scr_Tab(110), "");  // 110 mod 80 = 30, where the cursor is
    EXPECT_EQ(Scr_Tab(100), "\r" + RtString(19, ' '));
    EXPECT_EQ(Scr_Tab(0), "\r");
    EXPECT_EQ(Scr_Tab(40000), "");
    EXPECT_EQ(Err_Pending(), 7u);
}

TEST_F(TextTest, TextViewArguments) {
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_SetTextView(30, 30, 3);
    EXPECT_EQ(Active().cursorRow, 30);
    Scr_Print("", true);
    Scr_Print("Press any key to continue", false);
    EXPECT_EQ(Active().cursorRow, 30);
    Scr_SetTextView(0, 3, 3);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    Scr_SetTextView(5, 4, 3);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    Scr_SetTextView(5, 31, 3);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    Scr_SetTextView(0, 0, 0);
    EXPECT_EQ(Active().textViewTop, 1);
    EXPECT_EQ(Active().textViewBottom, 30);
    EXPECT_EQ(Scr_Rows(), 30);
}

TEST_F(TextTest, NothingHappensWhileAnErrorIsPending) {
    Scr_SetMode(12, 0, 0, 0, 1);
    Err_Raise(5);
    Scr_Print("abc", true);
    Scr_Locate(10, 10, 0, 0, 0, 3);
    Scr_SetMode(7, 0, 0, 0, 1);
    EXPECT_EQ(Active().cursorRow, 1);
    EXPECT_EQ(Active().mode, 12);
    EXPECT_EQ(PixelAt(Active(), 3, 5), 0);
}

}  // namespace
