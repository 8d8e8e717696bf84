// Writes PNG pictures of screen pages exactly as the presenter converts them: every glyph in the
// sixteen colours on the mode-12 screen, a mode-7 page and the text screen.
#include <cstdio>
#include <string>
#include <vector>

#include "errors.h"
#include "low_memory.h"
#include "memory_window.h"
#include "platform.h"
#include "png_writer.h"
#include "screen.h"
#include "strings_ops.h"
#include "tool_usage.h"

namespace {

void At(int row, int column, const RtString& text) {
    Scr_Locate(row, column, 0, 0, 0, 3);
    Scr_Print(text, false);
}

RtString Num(int value) { return RtString(std::to_string(value)); }

void Colour(int foreground, int background) { Scr_Color(foreground, background, 0, 3); }

// A double-line frame from (top, left) to (bottom, right), in text cells.
void Frame(int top, int left, int bottom, int right) {
    const int inner = right - left - 1;
    At(top, left, "\xC9" + Str_Repeat(inner, 0xCD) + "\xBB");
    for (int row = top + 1; row < bottom; ++row) {
        At(row, left, "\xBA");
        At(row, right, "\xBA");
    }
    At(bottom, left, "\xC8" + Str_Repeat(inner, 0xCD) + "\xBC");
}

// Mode 12: the 256 glyphs in a 16 x 16 grid, column c in colour c (colour 0 on grey so that
// it shows), the sixteen colours as blocks, and the characters the game prints.
void GlyphSheet() {
    Scr_SetMode(12, 0, 0, 0, 1);
    Colour(15, 0);
    At(1, 3, "Code page 437, 8 x 16 cells, mode 12 (640 x 480)");
    for (int column = 0; column < 16; ++column) {
        Colour(7, 0);
        At(3, 8 + column * 3, Str_Chr("0123456789ABCDEF"[column]));
    }
    for (int row = 0; row < 16; ++row) {
        Colour(7, 0);
        At(4 + row, 4, Str_Chr("0123456789ABCDEF"[row]) + "_");
        for (int column = 0; column < 16; ++column) {
            Colour(column, column == 0 ? 7 : 0);
            // Drawn, not printed: printing would act on the control bytes.
            Scr_Locate(4 + row, 8 + column * 3, 0, 0, 0, 3);
            Scr_DrawChar(static_cast<uint8_t>(row * 16 + column));
        }
    }
    for (int colour = 0; colour < 16; ++colour) {
        Colour(colour, 0);
        At(21, 8 + colour * 3, "\xDB\xDB");
        Colour(colour == 0 ? 7 : colour, 0);
        At(22, 8 + colour * 3, Num(colour));
    }
    Colour(14, 1);
    Frame(4, 58, 12, 78);
    At(5, 60, "Citt\x85 \x8A perch\x82");
    At(6, 60, "20\xF8 \x1A \x1B \x11");
    At(7, 60, "\xB0\xB0\xB1\xB1\xB2\xB2\xDB\xDB");
    At(8, 60, "\xDA\xC4\xC2\xC4\xBF \xC9\xCD\xCB\xCD\xBB");
    At(9, 60, "\xC3\xC4\xC5\xC4\xB4 \xCC\xCD\xCE\xCD\xB9");
    At(10, 60, "\xC0\xC4\xC1\xC4\xD9 \xC8\xCD\xCA\xCD\xBC");
    At(11, 60, "Pronto? 0123456789");
    Colour(15, 0);
    At(24, 3, "Row 30 lies outside the text view:");
    At(30, 1, "row 30");
}

// Mode 7: a 40 x 25 page in the 8 x 8 set with a blue background made by the palette.
void ModeSevenPage() {
    Scr_SetMode(7, 0, 0, 0, 1);
    Scr_Color(15, 1, 0, 3);
    Colour(14, 1);
    Frame(1, 1, 25, 40);
    Colour(15, 1);
    At(3, 13, "B R U N O L T");
    Colour(11, 1);
    At(6, 6, "1) Audio: attivo");
    At(8, 6, "2) Tempo di gioco: 14 minuti");
    At(10, 6, "3) Inizia la partita");
    At(12, 6, "4) Esci al DOS");
    Colour(10, 1);
    At(16, 4, "Citt\x85 \x8A perch\x82 20\xF8 \x1A\x1B\x11");
    for (int colour = 0; colour < 16; ++colour) {
        Colour(colour, 1);
        At(20, 4 + colour * 2, "\xDB\xDB");
    }
    Colour(7, 1);
    At(22, 4, "\xB0\xB0\xB1\xB1\xB2\xB2 Attendere prego.....");
}

// The start-up text screen with a blinking cell, as shown in the blink's visible phase.
void TextPage() {
    // From a 40-column screen the text mode would take 40 x 25 cells: go through mode 12.
    Scr_SetMode(12, 0, 0, 0, 1);
    Scr_SetMode(0, 0, 0, 0, 1);
    Colour(15, 1);
    Scr_Cls(0, 0, 0);
    Frame(1, 1, 25, 80);
    At(3, 4, "Text screen, 80 x 25 cells of 8 x 16");
    Colour(28, 1);
    At(5, 4, "blinking");
    Colour(14, 1);
    At(7, 4, "Citt\x85 \x8A perch\x82 20\xF8 \x1A\x1B\x11 \xB0\xB1\xB2\xDB");
}

bool Shoot(plat::MemoryWindow& window, const std::string& path) {
    if (Err_Pending() != 0) {
        std::fprintf(stderr, "screenshot: runtime error %u before %s\n", Err_Pending(), path.c_str());
        return false;
    }
    Scr_ForceCompleteFrame();
    Scr_Present();
    if (!plat::Png_WriteRgb(path, window.surface.width, window.surface.height,
                            window.pixels.data())) {
        std::fprintf(stderr, "screenshot: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    constexpr const char* kUsage =
        "usage: screenshot [DIRECTORY]\n"
        "       pictures of screen pages as the presenter shows them, written to DIRECTORY\n";
    if (Tool_AskedForHelp(argc, argv)) return Tool_Usage(kUsage, true);
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) return Tool_Usage(kUsage, false);
    const std::string directory = argc > 1 ? std::string(argv[1]) + "/" : std::string();
    plat::MemoryWindow window;
    plat::Platform platform;
    platform.window = &window;
    plat::Plat_Install(platform);
    Rt_ClearLowMemory();
    Scr_Startup();

    bool ok = true;
    GlyphSheet();
    ok = Shoot(window, directory + "screen-mode12.png") && ok;
    ModeSevenPage();
    ok = Shoot(window, directory + "screen-mode7.png") && ok;
    TextPage();
    ok = Shoot(window, directory + "screen-text.png") && ok;
    if (Err_Pending() != 0) {
        std::fprintf(stderr, "screenshot: runtime error %u\n", Err_Pending());
        return 1;
    }
    return ok ? 0 : 1;
}
