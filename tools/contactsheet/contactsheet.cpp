// contactsheet: draws every picture file and the screens composed from them into one PNG.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "grh_format.h"
#include "label_font.h"
#include "picture_catalogue.h"
#include "png_writer.h"
#include "tool_usage.h"

namespace {

enum class PutAction { kOverwrite, kExclusiveOr };

// A 16-colour screen page; the pictures are put on it exactly as the game puts them.
struct Screen {
    int width_px = 0;
    int height_px = 0;
    std::vector<uint8_t> colours;
    // Placements that did not fit; the game would stop with error 5 on each.
    std::vector<std::string>* faults = nullptr;
};

Screen MakeScreen(int width_px, int height_px, std::vector<std::string>& faults) {
    Screen screen;
    screen.width_px = width_px;
    screen.height_px = height_px;
    screen.colours.assign(static_cast<size_t>(width_px) * height_px, 0);
    screen.faults = &faults;
    return screen;
}

void Plot(Screen& screen, int x, int y, uint8_t colour) {
    if (x < 0 || y < 0 || x >= screen.width_px || y >= screen.height_px) return;
    screen.colours[static_cast<size_t>(y) * screen.width_px + x] = colour;
}

uint8_t PixelAt(const Screen& screen, int x, int y) {
    return screen.colours[static_cast<size_t>(y) * screen.width_px + x];
}

void Put(Screen& screen, int x, int y, const grh::PixelMap& map, PutAction action,
         const std::string& name) {
    if (x < 0 || y < 0 || x + map.width_px > screen.width_px ||
        y + map.height_px > screen.height_px) {
        screen.faults->push_back(name + " at " + std::to_string(x) + "," + std::to_string(y) +
                                 " leaves the screen");
        return;
    }
    for (int row = 0; row < map.height_px; ++row) {
        for (int col = 0; col < map.width_px; ++col) {
            uint8_t& pixel =
                screen.colours[static_cast<size_t>(y + row) * screen.width_px + x + col];
            const uint8_t colour = map.At(col, row);
            pixel = action == PutAction::kOverwrite ? colour : static_cast<uint8_t>(pixel ^ colour);
        }
    }
}

void HorizontalLine(Screen& screen, int x1, int x2, int y, uint8_t colour) {
    for (int x = x1; x <= x2; ++x) Plot(screen, x, y, colour);
}

// A stand-in for a double-line text frame: two outlines through the middle of the cells.
void TextFrame(Screen& screen, int top_row, int left_col, int bottom_row, int right_col,
               int cell_height_px, uint8_t colour) {
    for (int inset = 0; inset <= 2; inset += 2) {
        const int x1 = (left_col - 1) * 8 + 2 + inset;
        const int x2 = (right_col - 1) * 8 + 5 - inset;
        const int y1 = (top_row - 1) * cell_height_px + cell_height_px / 2 - 2 + inset;
        const int y2 = (bottom_row - 1) * cell_height_px + cell_height_px / 2 + 1 - inset;
        for (int x = x1; x <= x2; ++x) {
            Plot(screen, x, y1, colour);
            Plot(screen, x, y2, colour);
        }
        for (int y = y1; y <= y2; ++y) {
            Plot(screen, x1, y, colour);
            Plot(screen, x2, y, colour);
        }
    }
}

// A stand-in for a run of text: a dotted bar in the middle of the cells.
void TextBar(Screen& screen, int row, int col, int length, int cell_height_px, uint8_t colour) {
    const int y = (row - 1) * cell_height_px + cell_height_px / 2;
    for (int x = (col - 1) * 8; x < (col - 1 + length) * 8; x += 2) {
        Plot(screen, x, y, colour);
        Plot(screen, x, y - 1, colour);
    }
}

// The shade character the panel is made of: every other pixel in a checker.
void ShadeCells(Screen& screen, int row, int first_col, int last_col, uint8_t colour) {
    for (int col = first_col; col <= last_col; ++col) {
        for (int y = (row - 1) * 16; y < row * 16; ++y) {
            for (int x = (col - 1) * 8; x < col * 8; ++x) {
                Plot(screen, x, y, ((x + y) & 1) != 0 ? colour : 0);
            }
        }
    }
}

struct Canvas {
    int width_px = 0;
    int height_px = 0;
    std::vector<uint32_t> rgb;
};

void FillRect(Canvas& canvas, int x, int y, int w, int h, uint32_t rgb) {
    for (int row = std::max(0, y); row < std::min(canvas.height_px, y + h); ++row) {
        for (int col = std::max(0, x); col < std::min(canvas.width_px, x + w); ++col) {
            canvas.rgb[static_cast<size_t>(row) * canvas.width_px + col] = rgb;
        }
    }
}

void Caption(Canvas& canvas, int x, int y, const std::string& text, uint32_t rgb = 0xC0C0C0) {
    const int scale = 2;
    for (size_t i = 0; i < text.size(); ++i) {
        const uint8_t* glyph = sheet::LabelGlyph(text[i]);
        for (int row = 0; row < 5; ++row) {
            for (int col = 0; col < 3; ++col) {
                if ((glyph[row] >> (2 - col)) & 1) {
                    FillRect(canvas, x + static_cast<int>(i) * 4 * scale + col * scale,
                             y + row * scale, scale, scale, rgb);
                }
            }
        }
    }
}

// Copies a rectangle of a screen, enlarged, with a thin outline so black edges stay visible.
void Blit(Canvas& canvas, const Screen& screen, int sx, int sy, int sw, int sh, int dx, int dy,
          int scale) {
    FillRect(canvas, dx - 1, dy - 1, sw * scale + 2, sh * scale + 2, 0x404060);
    for (int row = 0; row < sh; ++row) {
        for (int col = 0; col < sw; ++col) {
            const uint32_t rgb = grh::DefaultPaletteRgb(PixelAt(screen, sx + col, sy + row));
            FillRect(canvas, dx + col * scale, dy + row * scale, scale, scale, rgb);
        }
    }
}

struct Library {
    std::vector<std::string> names;
    std::vector<grh::PixelMap> maps;
    const grh::PixelMap* Find(const std::string& name) const {
        for (size_t i = 0; i < names.size(); ++i) {
            if (names[i] == name) return &maps[i];
        }
        return nullptr;
    }
};

const grh::PixelMap& Need(const Library& library, const std::string& name) {
    static const grh::PixelMap kEmpty;
    const grh::PixelMap* map = library.Find(name);
    return map != nullptr ? *map : kEmpty;
}

struct HairChoice {
    const char* text;
    const char* man;
    const char* woman;
    int woman_y;
};

constexpr HairChoice kHair[] = {
    {"biondi", "capbi.grh", "capbid.grh", 190},
    {"rossi", "capro.grh", "caprod.grh", 191},
    {"castani", "capcas.grh", "capcasd.grh", 191},
    {"neri", "capner.grh", "capnerd.grh", 191},
    {"brizzolati", "capbri.grh", "capbrid.grh", 190},
    {"bianchi", "capbia.grh", "capbiad.grh", 191},
    {"leg.briz.", "legbri.grh", "legbrid.grh", 190},
    {"bi.scuro", "bioscu.grh", "bioscud.grh", 190},
    {"cas.chia.", "cachi.grh", "cachid.grh", 190},
    {"calvo", "calvo.grh", "capbrid.grh", 190},
};

constexpr uint8_t kEyeColours[] = {3, 0, 2, 6, 7, 14, 1, 10, 11, 6};

// The conversation portrait as the call screen composes it.
void ConversationPortrait(Screen& screen, const Library& library, const std::string& face,
                          const std::string& hair, int hair_y, uint8_t eye_colour) {
    TextFrame(screen, 12, 3, 24, 57, 16, 14);
    Put(screen, 206, 190, Need(library, "corni.grh"), PutAction::kOverwrite, "corni.grh");
    Put(screen, 208, 190, Need(library, face), PutAction::kExclusiveOr, face);
    Put(screen, 208, hair_y, Need(library, hair), PutAction::kExclusiveOr, hair);
    HorizontalLine(screen, 221, 222, 202, eye_colour);
    HorizontalLine(screen, 224, 225, 202, eye_colour);
    HorizontalLine(screen, 235, 236, 202, eye_colour);
    HorizontalLine(screen, 238, 239, 202, eye_colour);
    TextBar(screen, 15, 5, 50, 16, 14);
}

}  // namespace

int main(int argc, char** argv) {
    constexpr const char* kUsage =
        "usage: contactsheet GRH_FOLDER OUTPUT.png\n"
        "       every picture and the screens composed from them, in one PNG\n";
    if (Tool_AskedForHelp(argc, argv)) return Tool_Usage(kUsage, true);
    if (argc != 3) return Tool_Usage(kUsage, false);
    const std::string folder = argv[1];
    Library library;
    int missing = 0;
    for (const grh::PictureEntry& entry : grh::kPictures) {
        std::vector<uint8_t> bytes;
        grh::PixelMap map;
        std::string error;
        const std::string path = folder + "/" + std::string(entry.file_name);
        if (!grh::ReadBinaryFile(path, bytes) || !grh::DecodeGrhFile(bytes, map, error)) {
            std::fprintf(stderr, "contactsheet: %s: %s\n", path.c_str(),
                         error.empty() ? "cannot read" : error.c_str());
            ++missing;
            continue;
        }
        library.names.emplace_back(entry.file_name);
        library.maps.push_back(map);
    }
    std::vector<std::string> faults;

    Canvas canvas;
    canvas.width_px = 1340;
    canvas.height_px = 2520;
    canvas.rgb.assign(static_cast<size_t>(canvas.width_px) * canvas.height_px, 0x202028);

    // Instructions screen: the tiled border, the title and the boxes below it.
    {
        Screen screen = MakeScreen(640, 480, faults);
        const grh::PixelMap& tile = Need(library, "tel2.grh");
        for (int x = 3; x <= 588; x += 45) {
            Put(screen, x, 1, tile, PutAction::kOverwrite, "tel2.grh");
            Put(screen, x, 449, tile, PutAction::kOverwrite, "tel2.grh");
        }
        for (int y = 29; y <= 421; y += 28) {
            Put(screen, 3, y, tile, PutAction::kOverwrite, "tel2.grh");
            Put(screen, 588, y, tile, PutAction::kOverwrite, "tel2.grh");
        }
        Put(screen, 76, 40, Need(library, "simgra.grh"), PutAction::kOverwrite, "simgra.grh");
        TextFrame(screen, 8, 8, 18, 73, 16, 15);
        TextBar(screen, 9, 31, 19, 16, 15);
        for (int row = 11; row <= 14; ++row) TextBar(screen, row, 10, 62, 16, 15);
        for (int row = 15; row <= 17; ++row) TextBar(screen, row, 10, 62, 16, 10);
        TextFrame(screen, 19, 8, 28, 73, 16, 12);
        TextFrame(screen, 22, 10, 24, 21, 16, 15);
        TextFrame(screen, 22, 34, 24, 48, 16, 2);
        TextFrame(screen, 22, 59, 24, 71, 16, 2);
        TextFrame(screen, 25, 22, 27, 58, 16, 2);
        Caption(canvas, 10, 10, "instructions screen: tel2 border, simgra");
        Blit(canvas, screen, 0, 0, 640, 480, 10, 26, 1);
    }

    // High-score screen, 320 x 200, shown twice as large.
    {
        Screen screen = MakeScreen(320, 200, faults);
        const grh::PixelMap& tile = Need(library, "cor.grh");
        for (int x = 0; x <= 280; x += 40) {
            for (int y : {1, 97, 169}) Put(screen, x, y, tile, PutAction::kOverwrite, "cor.grh");
        }
        for (int y = 25; y <= 145; y += 24) {
            Put(screen, 0, y, tile, PutAction::kOverwrite, "cor.grh");
            Put(screen, 280, y, tile, PutAction::kOverwrite, "cor.grh");
        }
        TextBar(screen, 5, 12, 19, 8, 14);
        for (int place = 1; place <= 5; ++place) {
            TextBar(screen, place + 6, 7, 27, 8, static_cast<uint8_t>(place + 10));
        }
        TextBar(screen, 18, 9, 24, 8, 14);
        TextBar(screen, 20, 16, 11, 8, 14);
        Caption(canvas, 670, 10, "high scores (x2): cor border");
        Blit(canvas, screen, 0, 0, 320, 200, 670, 26, 2);
    }

    // Foot of the telephone screen: the panel, the line and the small telephone.
    int y_cursor = 530;
    int suspects_top = y_cursor;
    {
        const int sums[] = {4, 27, 52};
        for (int i = 0; i < 3; ++i) {
            Screen screen = MakeScreen(640, 480, faults);
            const int sum = sums[i];
            for (int row = 12; row <= 24; ++row) {
                ShadeCells(screen, row, 3, 2 + sum, 5);
                ShadeCells(screen, row, 3 + sum, 57, 10);
            }
            for (int row = 2; row <= 27; ++row) {
                for (int y = (row - 1) * 16; y < row * 16; ++y) {
                    Plot(screen, 2, y, 10);
                    Plot(screen, 4, y, 10);
                }
            }
            const grh::PixelMap& line = Need(library, "lin.grh");
            for (int x = 8; x <= 416; x += 34) {
                Put(screen, x, 399, line, PutAction::kOverwrite, "lin.grh");
            }
            Put(screen, 420, 399, line, PutAction::kOverwrite, "lin.grh");
            Put(screen, 8 * sum + 11, 384, Need(library, "tel.grh"), PutAction::kOverwrite,
                "tel.grh");
            if (i == 2) {
                // A browse step: the first erase stands without the offset of 11.
                Put(screen, 8 * sum, 384, Need(library, "spaz.grh"), PutAction::kOverwrite,
                    "spaz.grh");
                Put(screen, 8 * 30 + 11, 384, Need(library, "tel.grh"), PutAction::kOverwrite,
                    "tel.grh");
            }
            TextBar(screen, 27, 3, 22, 16, 10);
            Caption(canvas, 10, y_cursor,
                    i == 2 ? "telephone foot (x2), sum 52 erased by spaz at 8x52, then sum 30"
                           : "telephone foot (x2), digit sum " + std::to_string(sum));
            Blit(canvas, screen, 0, 360, 470, 80, 10, y_cursor + 16, 2);
            y_cursor += 16 + 160 + 14;
        }
    }

    // Conversation portraits: every men's hair, the culprit, every women's hair.
    {
        struct Sitter {
            std::string caption;
            std::string face;
            std::string hair;
            int hair_y;
        };
        std::vector<Sitter> sitters;
        for (const HairChoice& hair : kHair) {
            sitters.push_back({std::string("man ") + hair.text, "faccia.grh", hair.man, 190});
        }
        sitters.push_back({"culprit neri", "factri.grh", "capner.grh", 190});
        sitters.push_back({"culprit calvo", "factri.grh", "calvo.grh", 190});
        for (const HairChoice& hair : kHair) {
            sitters.push_back(
                {std::string("woman ") + hair.text, "faccia.grh", hair.woman, hair.woman_y});
        }
        const int scale = 3;
        const int crop_x = 198;
        const int crop_y = 184;
        const int crop_w = 66;
        const int crop_h = 46;
        int column = 0;
        suspects_top = y_cursor;
        Caption(canvas, 10, y_cursor,
                "conversation portraits (x3), frame overwrite, face and hair xor");
        y_cursor += 16;
        for (size_t i = 0; i < sitters.size(); ++i) {
            Screen screen = MakeScreen(640, 480, faults);
            ConversationPortrait(screen, library, sitters[i].face, sitters[i].hair,
                                 sitters[i].hair_y, kEyeColours[i % 10]);
            const int dx = 10 + column * (crop_w * scale + 12);
            Caption(canvas, dx, y_cursor, sitters[i].caption);
            Blit(canvas, screen, crop_x, crop_y, crop_w, crop_h, dx, y_cursor + 14, scale);
            if (++column == 5) {
                column = 0;
                y_cursor += crop_h * scale + 30;
            }
        }
        if (column != 0) y_cursor += crop_h * scale + 30;
    }

    // Suspect list: one photograph every 32 pixels in the last column.
    {
        Screen screen = MakeScreen(640, 480, faults);
        TextFrame(screen, 4, 73, 28, 80, 16, 14);
        for (int i = 1; i <= 10; ++i) {
            const int y = 32 * i + 66;
            const HairChoice& hair = kHair[i - 1];
            Put(screen, 587, y, Need(library, hair.man), PutAction::kOverwrite, hair.man);
            Put(screen, 585, y, Need(library, "corni.grh"), PutAction::kExclusiveOr, "corni.grh");
            Put(screen, 587, y, Need(library, "faccia.grh"), PutAction::kExclusiveOr, "faccia.grh");
            const uint8_t eye = kEyeColours[i - 1];
            HorizontalLine(screen, 600, 601, y + 12, eye);
            HorizontalLine(screen, 603, 604, y + 12, eye);
            HorizontalLine(screen, 614, 615, y + 12, eye);
            HorizontalLine(screen, 617, 618, y + 12, eye);
            TextBar(screen, 6 + 2 * i, 53, 8, 16, 10);
            TextBar(screen, 6 + 2 * i, 64, 8, 16, 10);
        }
        Caption(canvas, 1080, suspects_top, "suspect list (x2)");
        Blit(canvas, screen, 560, 88, 80, 350, 1090, suspects_top + 16, 2);
    }

    // Every picture file on its own.
    {
        y_cursor += 10;
        Caption(
            canvas, 10, y_cursor,
            "the 28 files as stored (x3, simgra x2): face and hair hold colour xor the backdrop");
        y_cursor += 18;
        int x = 10;
        int row_height = 0;
        for (size_t i = 0; i < library.maps.size(); ++i) {
            const grh::PixelMap& map = library.maps[i];
            const int scale = library.names[i] == "simgra.grh" ? 2 : 3;
            const int w = std::max(map.width_px * scale, 80);
            if (x + w > canvas.width_px - 10) {
                x = 10;
                y_cursor += row_height + 24;
                row_height = 0;
            }
            Screen screen = MakeScreen(map.width_px, map.height_px, faults);
            Put(screen, 0, 0, map, PutAction::kOverwrite, library.names[i]);
            Caption(canvas, x, y_cursor, library.names[i]);
            Blit(canvas, screen, 0, 0, map.width_px, map.height_px, x, y_cursor + 14, scale);
            x += w + 14;
            row_height = std::max(row_height, map.height_px * scale + 14);
        }
        y_cursor += row_height + 24;
    }

    canvas.height_px = std::min(canvas.height_px, y_cursor + 10);
    canvas.rgb.resize(static_cast<size_t>(canvas.width_px) * canvas.height_px);
    if (!plat::Png_WriteRgb(argv[2], canvas.width_px, canvas.height_px, canvas.rgb.data())) {
        std::fprintf(stderr, "contactsheet: cannot write %s\n", argv[2]);
        return 1;
    }
    for (const std::string& fault : faults)
        std::fprintf(stderr, "contactsheet: %s\n", fault.c_str());
    return (missing != 0 || !faults.empty()) ? 1 : 0;
}
