// Scr_SetMode with the mode-change handshake, page switching, Scr_Color, Scr_Cls and start-up.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "errors.h"
#include "low_memory.h"
#include "platform.h"
#include "screen.h"
#include "screen_state.h"
#include "shared_words.h"

namespace {

constexpr size_t kTextAreaBytes = 65536;
constexpr size_t kMode13Bytes = 64000;

bool ValidScreenMode(int32_t mode) {
    return mode == 0 || mode == 1 || mode == 2 || (mode >= 7 && mode <= 13);
}

void Yield() {
    plat::Clock* clock = plat::Plat().clock;
    if (clock != nullptr) clock->delay_ms(0);
}

// Keeps the presenter away from the pages while they are replaced. Only while the display
// loop runs; before that nothing else reads the pages. A program that is being closed
// meanwhile parks here instead of waiting for a presenter that has stopped.
bool BeginPageReplacement() {
    SharedWords& words = Rt_Words();
    if (words.loopRunning.load(std::memory_order_acquire) == 0) return false;
    words.modeHandshake.store(1, std::memory_order_release);
    while (words.modeHandshake.load(std::memory_order_acquire) != 2) {
        if (words.stop.load(std::memory_order_acquire) != 0 ||
            words.loopRunning.load(std::memory_order_acquire) == 0) {
            words.modeHandshake.store(0, std::memory_order_release);
            if (Rt_IsProgramThread() && words.stop.load(std::memory_order_acquire) != 0) {
                Rt_ParkProgramThread();
            }
            return false;
        }
        Yield();
    }
    return true;
}

void EndPageReplacement(bool engaged) {
    if (engaged) Rt_Words().modeHandshake.store(0, std::memory_order_release);
}

void PublishVisual(ScreenState& state) {
    state.visualPage.store(Scr_Image(state.visualHandle), std::memory_order_release);
}

// Frees the pages of the screen in force (an image that was made the screen stays).
void FreeScreenPages(ScreenState& state) {
    for (int32_t handle : state.pageList) {
        ImagePage* page = Scr_Image(handle);
        if (page != nullptr && (page->ownership & kScreenPage) != 0) Scr_ReleaseImage(handle);
    }
    state.pageList.clear();
    state.displayHandle = state.activeHandle = state.visualHandle = 0;
    state.visualPage.store(nullptr, std::memory_order_release);
}

// Text screen size from the screen being replaced: columns, rows and font.
void TextSizeFrom(const ImagePage* old, int& columns, int& rows, int32_t& font) {
    columns = 80;
    rows = 25;
    font = 16;
    if (old == nullptr) return;
    const int c = Scr_Columns(*old);
    const int r = Scr_RowsOf(*old);
    if ((c == 80 || c == 40) && (r == 50 || r == 43 || (r == 25 && c == 40))) {
        columns = c;
        rows = r;
        font = r == 50 ? 8 : r == 43 ? 14 : 16;
        if (c == 40) font += 1;
    }
}

int32_t MakeTextScreen(ScreenState& state, int columns, int rows, int32_t font) {
    const size_t page_bytes = columns == 80 && rows == 25 ? 4096
                              : columns == 40 && rows == 25
                                  ? 2048
                                  : static_cast<size_t>(columns * rows * 2);
    const size_t in_low_memory = std::min<size_t>(8, kTextAreaBytes / page_bytes);
    uint8_t* area = Rt_LowMemory() + kLowMemTextPages;
    for (size_t i = 0; i < kTextAreaBytes; i += 2) {
        Pix_Store(area + i, 0x20);
        Pix_Store(area + i + 1, 0x07);
    }
    state.pageList.assign(8, 0);
    for (size_t n = 0; n < 8; ++n) {
        const int32_t handle = n < in_low_memory
                                   ? Scr_WrapImage(area + n * page_bytes, columns, rows, 0)
                                   : Scr_NewImage(columns, rows, 0);
        ImagePage* page = Scr_Image(handle);
        if (page == nullptr) return 0;
        page->font = font;
        page->ownership |= kScreenPage;
        if (n > 0) {
            // Pages of one screen share page 0's palette.
            page->ownedPalette.reset();
            page->ownership &= ~kOwnsPalette;
            page->palette = Scr_Image(state.pageList[0])->palette;
        }
        state.pageList[n] = handle;
    }
    return state.pageList[0];
}

// Builds the display image of a mode and makes it page 0, active and visual.
void Rebuild(ScreenState& state, int32_t mode, int text_columns, int text_rows, int32_t text_font) {
    const ImagePage* old = Scr_Image(state.displayHandle);
    int32_t keep_font = 0;
    if (old != nullptr && old->text != 0 && old->width == 80) {
        if (old->height == 60 && (mode == 11 || mode == 12)) keep_font = 8;
        if (old->height == 43 && (mode == 9 || mode == 10)) keep_font = 8;
    }
    int columns = text_columns, rows = text_rows;
    int32_t font = text_font;
    if (mode == 0 && columns == 0) TextSizeFrom(old, columns, rows, font);
    FreeScreenPages(state);

    int32_t display = 0;
    if (mode < 0) {
        display = -mode;
        state.pageList.assign(1, display);
    } else if (mode == 0) {
        display = MakeTextScreen(state, columns, rows, font);
    } else if (mode == 13) {
        uint8_t* pixels = Rt_LowMemory() + kLowMemConventionalEnd;
        for (size_t i = 0; i < kMode13Bytes; ++i) Pix_Store(pixels + i, 0);
        display = Scr_WrapImage(pixels, 320, 200, 13);
        state.pageList.assign(1, display);
    } else {
        const int width = mode == 1 || mode == 7 ? 320 : 640;
        const int height = mode == 9 || mode == 10 ? 350 : mode == 11 || mode == 12 ? 480 : 200;
        display = Scr_NewImage(width, height, mode);
        state.pageList.assign(1, display);
    }
    ImagePage* page = Scr_Image(display);
    if (page == nullptr) {
        state.pageList.clear();
        Err_Raise(7);
        return;
    }
    if (mode >= 0) page->ownership |= kScreenPage;
    if (keep_font != 0) Scr_SetFont(keep_font, display);
    page->turtleAngle = 0;
    page->turtleScale = 1.0;
    state.displayHandle = state.activeHandle = state.visualHandle = display;
    PublishVisual(state);
    state.screenGeneration.fetch_add(1, std::memory_order_release);
}

// Page n of the screen, made on demand like page 0 (sharing its palette); 0 on failure.
int32_t EnsurePage(ScreenState& state, int32_t n) {
    if (static_cast<size_t>(n) >= state.pageList.size())
        state.pageList.resize(static_cast<size_t>(n) + 1, 0);
    if (state.pageList[static_cast<size_t>(n)] != 0) return state.pageList[static_cast<size_t>(n)];
    const ImagePage* first = Scr_Image(state.pageList[0]);
    if (first == nullptr) return 0;
    const int32_t handle = Scr_NewImage(first->width, first->height, first->mode);
    ImagePage* page = Scr_Image(handle);
    if (page == nullptr) {
        Err_Raise(7);
        return 0;
    }
    page->font = first->font;
    page->textViewBottom = static_cast<int16_t>(std::max(1, Scr_RowsOf(*page) - 1));
    if (first->palette != nullptr) {
        page->ownedPalette.reset();
        page->ownership &= ~kOwnsPalette;
        page->palette = first->palette;
    }
    page->ownership |= kScreenPage;
    state.pageList[static_cast<size_t>(n)] = handle;
    return handle;
}

void FillBox(ImagePage& page, int x1, int y1, int x2, int y2, uint32_t colour) {
    const PixelBatch batch;
    for (int y = y1; y <= y2; ++y) {
        uint8_t* row = page.store + static_cast<size_t>(y) * page.width * page.bytesPerPixel;
        for (int x = x1; x <= x2; ++x) {
            if (page.bytesPerPixel == 4) {
                Pix_StoreQuiet32(row + static_cast<size_t>(x) * 4, colour);
            } else {
                Pix_StoreQuiet(row + x, static_cast<uint8_t>(colour & page.colourMask));
            }
        }
    }
}

}  // namespace

int32_t Scr_DisplayHandle() {
    return Scr_State().displayHandle;
}
int32_t Scr_ActiveHandle() {
    return Scr_State().activeHandle;
}
int32_t Scr_VisualHandle() {
    return Scr_State().visualHandle;
}
ImagePage* Scr_ActivePage() {
    return Scr_Image(Scr_State().activeHandle);
}
ImagePage* Scr_VisualPage() {
    return Scr_Image(Scr_State().visualHandle);
}
bool Scr_ModeNotChosen() {
    return Scr_State().modeNotChosen;
}

int32_t Scr_PageHandle(int32_t page) {
    const ScreenState& state = Scr_State();
    if (page < 0 || static_cast<size_t>(page) >= state.pageList.size()) return 0;
    return state.pageList[static_cast<size_t>(page)];
}

int32_t Scr_DefaultForeground(int32_t mode) {
    switch (mode) {
        case 0:
            return 7;
        case 1:
        case 10:
            return 3;
        case 2:
        case 11:
            return 1;
        case kMode32Bit:
            return -1;
        default:
            return 15;
    }
}

uint8_t Scr_TextAttribute(const ImagePage& page, uint32_t background) {
    return static_cast<uint8_t>(((background & 7) << 4) | ((page.foreground & 16) != 0 ? 0x80 : 0) |
                                (page.foreground & 15));
}

void Scr_ResetPageColours(ImagePage& page) {
    page.foreground = Scr_DefaultForeground(page.mode);
    page.background = page.mode == kMode32Bit ? 0xFF000000u : 0u;
    page.textViewTop = 1;
    page.textViewBottom = static_cast<int16_t>(std::max(1, Scr_RowsOf(page) - 1));
    if (page.cursorRow > page.textViewBottom) page.cursorRow = 1;
}

void Scr_FillTextRows(ImagePage& page, int32_t top, int32_t bottom, uint8_t attribute,
                      uint32_t colour) {
    if (page.text != 0) {
        for (int32_t row = top; row <= bottom; ++row) {
            uint8_t* cell = page.store + static_cast<size_t>((row - 1) * page.width) * 2;
            for (int column = 0; column < page.width; ++column) {
                Pix_Store(cell + column * 2, 0x20);
                Pix_Store(cell + column * 2 + 1, attribute);
            }
        }
        return;
    }
    const int height = Scr_CellHeight(page);
    FillBox(page, 0, (top - 1) * height, page.width - 1, bottom * height - 1, colour);
}

void Scr_Color(int64_t foreground, int64_t background, int64_t /*border*/, int32_t given) {
    if (Err_IsPending()) return;
    ImagePage* page = Scr_ActivePage();
    if (page == nullptr) return;
    const ScreenState& state = Scr_State();
    const bool has_fg = (given & 1) != 0;
    const bool has_bg = (given & 2) != 0;
    const bool has_border = (given & 4) != 0;
    const auto in = [](int64_t value, int64_t low, int64_t high) {
        return value >= low && value <= high;
    };
    const int mode = page->mode;
    // Every argument is checked before anything changes.
    bool ok = true;
    int64_t fg_max = 15, bg_max = 15;
    switch (mode) {
        case 0:
            fg_max = 31;
            bg_max = 15;
            break;
        case 13:
        case kMode8Bit:
            fg_max = 255;
            bg_max = 255;
            break;
        case 1:
            fg_max = 15;
            bg_max = INT64_MAX;
            break;
        case 2:
            fg_max = 1;
            bg_max = 15;
            break;
        case 9:
            fg_max = 15;
            bg_max = 63;
            break;
        case 11:
            fg_max = 1;
            bg_max = 1;
            break;
        case 10:
            fg_max = 3;
            bg_max = 8;
            break;
        case kMode32Bit:
            fg_max = INT64_MAX;
            bg_max = INT64_MAX;
            break;
        default:
            break;  // 7, 8, 12
    }
    if (mode == kMode32Bit) {
        ok = true;
    } else {
        if (has_fg && !in(foreground, 0, fg_max)) ok = false;
        if (has_bg && !in(background, 0, bg_max)) ok = false;
    }
    if (has_border && mode != 0) ok = false;
    if (!ok) {
        Err_Raise(5);
        return;
    }
    switch (mode) {
        case 0:
            if (has_fg) page->foreground = static_cast<int32_t>(foreground);
            if (has_bg) page->background = static_cast<uint32_t>(background & 7);
            break;
        case 1:
            if (has_fg) Pal_Set(*page, 0, state.palette256[foreground]);
            if (has_bg) {
                const int first = (background & 1) != 0 ? 3 : 2;
                for (int i = 0; i < 3; ++i) Pal_Set(*page, 1 + i, state.palette256[first + 2 * i]);
            }
            break;
        case 7:
        case 8:
        case 2:
            if (has_fg) page->foreground = static_cast<int32_t>(foreground);
            if (has_bg) Pal_Set(*page, 0, state.palette256[background]);
            break;
        case 9:
            if (has_fg) page->foreground = static_cast<int32_t>(foreground);
            if (has_bg) Pal_Set(*page, 0, state.palette64[background]);
            break;
        case 10:
            if (has_fg) page->foreground = static_cast<int32_t>(foreground);
            if (has_bg) Pal_Set(*page, 4, static_cast<uint32_t>(background));
            break;
        default:  // 11, 12, 13, 256, 32: the colours themselves
            if (has_fg) page->foreground = static_cast<int32_t>(foreground);
            if (has_bg) page->background = static_cast<uint32_t>(background);
            break;
    }
}

void Scr_Startup() {
    Scr_LoadDefaults();
    Scr_ResetImageTable();
    Scr_ResetPresenter();
    Scr_SetMode(0, 0, 0, 0, 1);
}

void Scr_SetMode(int32_t mode, int32_t /*colour_switch*/, int32_t active_page, int32_t visual_page,
                 int32_t given) {
    if (Err_IsPending()) return;
    ScreenState& state = Scr_State();
    const bool has_mode = (given & 1) != 0;
    const bool has_active = (given & 4) != 0;
    bool has_visual = (given & 8) != 0;
    if (has_mode) {
        if (mode < 0) {
            if (Scr_Image(-mode) == nullptr || -mode < 2) {
                Err_Raise(258);
                return;
            }
        } else if (!ValidScreenMode(mode)) {
            Err_Raise(5);
            return;
        }
    }
    if ((has_active && active_page < 0) || (has_visual && visual_page < 0)) {
        Err_Raise(5);
        return;
    }
    if (has_mode && (given != 1 || mode != 0)) state.modeNotChosen = false;

    const ImagePage* display = Scr_Image(state.displayHandle);
    bool rebuild = false;
    if (has_mode) {
        if (mode < 0) {
            rebuild = -mode != state.displayHandle;
        } else {
            // An image made the screen is never "the mode in force", even if its mode matches.
            rebuild = display == nullptr || (display->ownership & kScreenPage) == 0 ||
                      display->mode != mode;
        }
    }
    if (rebuild) {
        const bool engaged = BeginPageReplacement();
        Rebuild(state, mode, 0, 0, 0);
        EndPageReplacement(engaged);
        if (Err_IsPending()) return;
    }

    int32_t visual_target = visual_page;
    if (has_active) {
        const int32_t handle = EnsurePage(state, active_page);
        if (handle == 0) return;
        if (handle != state.activeHandle) {
            ImagePage* previous = Scr_Image(state.activeHandle);
            ImagePage& page = *Scr_Image(handle);
            state.activeHandle = handle;
            Scr_ResetPageColours(page);
            if (previous != nullptr && page.text == 0 && page.bitsPerPixel != 32) {
                page.viewX1 = previous->viewX1;
                page.viewY1 = previous->viewY1;
                page.viewX2 = previous->viewX2;
                page.viewY2 = previous->viewY2;
                page.viewOriginX = previous->viewOriginX;
                page.viewOriginY = previous->viewOriginY;
                page.viewState = previous->viewState;
                page.windowScaleX = previous->windowScaleX;
                page.windowScaleY = previous->windowScaleY;
                page.windowOffsetX = previous->windowOffsetX;
                page.windowOffsetY = previous->windowOffsetY;
                page.lastPointX = previous->lastPointX;
                page.lastPointY = previous->lastPointY;
                page.turtleAngle = previous->turtleAngle;
                page.turtleScale = previous->turtleScale;
            }
        }
        if (!has_visual) {
            has_visual = true;
            visual_target = active_page;
        }
    }
    if (has_visual) {
        const int32_t handle = EnsurePage(state, visual_target);
        if (handle == 0) return;
        if (handle != state.visualHandle) {
            state.visualHandle = handle;
            PublishVisual(state);
            ImagePage* active = Scr_Image(state.activeHandle);
            if (active != nullptr) Scr_ResetPageColours(*active);
        }
    }
}

void Scr_SwitchStartupTextTo80x50() {
    ScreenState& state = Scr_State();
    ImagePage* old = Scr_Image(state.pageList.empty() ? 0 : state.pageList[0]);
    if (old == nullptr) return;
    const int32_t foreground = old->foreground;
    const uint32_t background = old->background;
    const int16_t column = old->cursorColumn;
    uint8_t kept[80 * 25 * 2];
    for (size_t i = 0; i < sizeof(kept); ++i) kept[i] = Pix_Load(old->store + i);
    const bool engaged = BeginPageReplacement();
    Rebuild(state, 0, 80, 50, 8);
    ImagePage* page = Scr_Image(state.displayHandle);
    if (page != nullptr) {
        // Both sizes are 80 columns wide, so the first 25 rows lie at the same offsets.
        for (size_t i = 0; i < sizeof(kept); ++i) Pix_Store(page->store + i, kept[i]);
        page->foreground = foreground;
        page->background = background;
        page->cursorColumn = column;
    }
    EndPageReplacement(engaged);
}

void Scr_Cls(int64_t method, int64_t colour, int32_t given) {
    if (Err_IsPending()) return;
    ImagePage* page = Scr_ActivePage();
    if (page == nullptr) return;
    const bool has_method = (given & 1) != 0;
    const bool has_colour = (given & 2) != 0;
    const bool palette_page = page->text == 0 && page->bitsPerPixel != 32;
    if ((has_method && (method < 0 || method > 2)) ||
        (has_colour && palette_page && (colour < 0 || colour > page->colourMask))) {
        Err_Raise(5);
        return;
    }
    const uint32_t fill = has_colour ? static_cast<uint32_t>(colour) : page->background;
    page->cursorRow = page->textViewTop;
    page->cursorColumn = 1;
    page->pendingNewline = 0;
    page->turtleAngle = 0;
    page->turtleScale = 1.0;

    const int32_t rows = Scr_RowsOf(*page);
    const uint8_t attribute = Scr_TextAttribute(*page, fill);
    const bool view_set = page->viewState != 0;
    const auto clear_graphics_view = [&] {
        if (view_set) {
            FillBox(*page, page->viewX1, page->viewY1, page->viewX2, page->viewY2, fill);
        } else {
            FillBox(*page, 0, 0, page->width - 1, page->height - 1, fill);
        }
    };
    if (!has_method) {
        if (page->text != 0) {
            Scr_FillTextRows(*page, page->textViewTop, page->textViewBottom, attribute, fill);
            Scr_FillTextRows(*page, rows, rows, attribute, fill);
        } else {
            clear_graphics_view();
        }
    } else if (method == 0) {
        if (page->text != 0) {
            Scr_FillTextRows(*page, 1, rows, attribute, fill);
        } else {
            FillBox(*page, 0, 0, page->width - 1, page->height - 1, fill);
        }
    } else if (method == 1) {
        if (page->text == 0) clear_graphics_view();
    } else {
        Scr_FillTextRows(*page, page->textViewTop, page->textViewBottom, attribute, fill);
    }

    if (page->text == 0) {
        // The graphics cursor returns to the middle of the view, in the program's coordinates.
        float x = static_cast<float>(page->viewX1 + (page->viewX2 - page->viewX1 + 1) / 2);
        float y = static_cast<float>(page->viewY1 + (page->viewY2 - page->viewY1 + 1) / 2);
        if (view_set) {
            x -= static_cast<float>(page->viewOriginX);
            y -= static_cast<float>(page->viewOriginY);
        }
        if (page->viewState == 2 && page->windowScaleX != 0 && page->windowScaleY != 0) {
            x = (x - page->windowOffsetX) / page->windowScaleX;
            y = (y - page->windowOffsetY) / page->windowScaleY;
        }
        page->lastPointX = x;
        page->lastPointY = y;
    }
}

void Scr_ActivateDisplayPage() {
    ScreenState& state = Scr_State();
    if (Scr_Image(state.visualHandle) != nullptr) state.activeHandle = state.visualHandle;
}

int32_t Scr_Rows() {
    const ImagePage* page = Scr_ActivePage();
    return page == nullptr ? 25 : Scr_RowsOf(*page);
}
