// The image table: handing out and freeing image records, making images, fonts of images.
#include <algorithm>
#include <cstring>
#include <new>

#include "errors.h"
#include "screen_state.h"

namespace {

struct ModeRow {
    int32_t mode;
    int width;  // 0: chosen by the caller (images only)
    int height;
    uint8_t bits;
    int32_t font;
    int32_t foreground;
};

constexpr ModeRow kModes[] = {
    {0, 80, 25, 16, 16, 7},   {1, 320, 200, 2, 8, 3},       {2, 640, 200, 1, 8, 1},
    {7, 320, 200, 4, 8, 15},  {8, 640, 200, 4, 8, 15},      {9, 640, 350, 4, 14, 15},
    {10, 640, 350, 2, 14, 3}, {11, 640, 480, 1, 16, 1},     {12, 640, 480, 4, 16, 15},
    {13, 320, 200, 8, 8, 15}, {kMode8Bit, 0, 0, 8, 16, 15}, {kMode32Bit, 0, 0, 32, 16, -1},
};

const ModeRow* FindMode(int32_t mode) {
    for (const ModeRow& row : kModes) {
        if (row.mode == mode) return &row;
    }
    return nullptr;
}

// Takes a free handle: the last freed first, else the next never used, growing the table.
int32_t TakeHandle() {
    ScreenState& state = Scr_State();
    if (!state.freeHandles.empty()) {
        const int32_t handle = state.freeHandles.back();
        state.freeHandles.pop_back();
        return handle;
    }
    const int32_t capacity = static_cast<int32_t>(state.blocks.size()) * kImageBlockRecords;
    if (state.nextFresh >= capacity) {
        try {
            state.blocks.push_back(std::make_unique<ImagePage[]>(kImageBlockRecords));
        } catch (const std::bad_alloc&) {
            Err_Raise(502);
            return 0;
        }
    }
    return state.nextFresh++;
}

// Fills a fresh record from the mode table around `store` (which may be null yet).
bool FillRecord(ImagePage& page, int32_t width, int32_t height, const ModeRow& row) {
    page.inUse = 1;
    page.text = row.mode == 0 ? 1 : 0;
    page.width = static_cast<uint16_t>(width);
    page.height = static_cast<uint16_t>(height);
    page.bitsPerPixel = row.bits;
    page.bytesPerPixel = row.mode == 0 ? 2 : row.bits == 32 ? 4 : 1;
    page.colourMask = row.bits == 32 ? 0xFFFFFFFFu : (1u << row.bits) - 1u;
    page.mode = static_cast<uint16_t>(row.mode);
    page.foreground = row.foreground;
    page.background = row.bits == 32 ? 0xFF000000u : 0u;
    page.font = row.font;
    page.transparentColour = -1;
    page.printMode = kPrintBoth;
    page.cursorColumn = 1;
    page.cursorRow = 1;
    page.textViewTop = 1;
    page.textViewBottom = static_cast<int16_t>(std::max(1, Scr_RowsOf(page) - 1));
    page.viewX1 = 0;
    page.viewY1 = 0;
    page.viewX2 = width - 1;
    page.viewY2 = height - 1;
    page.lastPointX = static_cast<float>(width / 2);
    page.lastPointY = static_cast<float>(height / 2);
    if (row.bits != 32) {
        page.ownedPalette.reset(new (std::nothrow) uint32_t[256]);
        if (!page.ownedPalette) return false;
        page.palette = page.ownedPalette.get();
        page.ownership |= kOwnsPalette;
        Scr_FillDefaultPalette(row.mode, page.palette);
    }
    return true;
}

int32_t MakeImage(uint8_t* store, int32_t width, int32_t height, int32_t mode) {
    if (Err_IsPending()) return 0;
    const ModeRow* row = FindMode(mode);
    if (row == nullptr || width < 1 || height < 1 || width > 65535 || height > 65535) return 0;
    const int32_t handle = TakeHandle();
    if (handle == 0) return 0;
    ImagePage& page = *Scr_RecordOf(handle);
    if (!FillRecord(page, width, height, *row)) {
        Scr_ReleaseImage(handle);
        return 0;
    }
    if (store != nullptr) {
        page.store = store;
        return handle;
    }
    const size_t bytes =
        static_cast<size_t>(width) * static_cast<size_t>(height) * page.bytesPerPixel;
    page.ownedStore.reset(new (std::nothrow) uint8_t[bytes]);
    if (!page.ownedStore) {
        Scr_ReleaseImage(handle);
        return 0;
    }
    page.store = page.ownedStore.get();
    page.ownership |= kOwnsStore;
    if (page.text != 0) {
        for (size_t i = 0; i < bytes; i += 2) {
            page.store[i] = 0x20;
            page.store[i + 1] = 0x07;
        }
    } else {
        std::memset(page.store, 0, bytes);
    }
    return handle;
}

}  // namespace

ScreenState& Scr_State() {
    static ScreenState state;
    return state;
}

ImagePage* Scr_RecordOf(int32_t handle) {
    ScreenState& state = Scr_State();
    if (handle < 0) return nullptr;
    const size_t block = static_cast<size_t>(handle) / kImageBlockRecords;
    if (block >= state.blocks.size()) return nullptr;
    return &state.blocks[block][static_cast<size_t>(handle) % kImageBlockRecords];
}

ImagePage* Scr_Image(int32_t handle) {
    ImagePage* page = Scr_RecordOf(handle);
    return page != nullptr && page->inUse != 0 ? page : nullptr;
}

void Scr_ResetImageTable() {
    ScreenState& state = Scr_State();
    state.visualPage.store(nullptr, std::memory_order_release);
    state.blocks.clear();
    state.blocks.push_back(std::make_unique<ImagePage[]>(kImageBlockRecords));
    state.nextFresh = 2;
    state.freeHandles.clear();
    state.pageList.clear();
    state.displayHandle = 0;
    state.activeHandle = 0;
    state.visualHandle = 0;
    state.modeNotChosen = true;
}

void Scr_ReleaseImage(int32_t handle) {
    ImagePage* page = Scr_RecordOf(handle);
    if (page == nullptr || handle < 2) return;
    *page = ImagePage{};
    try {
        Scr_State().freeHandles.push_back(handle);
    } catch (const std::bad_alloc&) {
        Err_Raise(503);
    }
}

int32_t Scr_NewImage(int32_t width, int32_t height, int32_t mode) {
    return MakeImage(nullptr, width, height, mode);
}

int32_t Scr_WrapImage(uint8_t* store, int32_t width, int32_t height, int32_t mode) {
    if (store == nullptr) return 0;
    return MakeImage(store, width, height, mode);
}

void Scr_FreeImage(int32_t handle) {
    if (Err_IsPending()) return;
    ScreenState& state = Scr_State();
    ImagePage* page = Scr_Image(handle);
    if (page == nullptr || handle < 2) {
        Err_Raise(258);
        return;
    }
    if ((page->ownership & kScreenPage) != 0 || handle == state.displayHandle ||
        handle == state.activeHandle || handle == state.visualHandle) {
        Err_Raise(5);
        return;
    }
    Scr_ReleaseImage(handle);
}

bool Scr_FontMetrics(int32_t font, FontMetrics& metrics) {
    ScreenState& state = Scr_State();
    switch (font) {
        case 8:
        case 9:
            metrics.cellHeight = 8;
            metrics.glyphs = state.font8;
            metrics.glyphBytes = 64;
            break;
        case 14:
        case 15:
            // Rows 1-14 of the 8 x 16 set: its first and last rows are left out.
            metrics.cellHeight = 14;
            metrics.glyphs = state.font16 + 8;
            metrics.glyphBytes = 128;
            break;
        case 16:
        case 17:
            metrics.cellHeight = 16;
            metrics.glyphs = state.font16;
            metrics.glyphBytes = 128;
            break;
        default:
            return false;
    }
    metrics.doubleWidth = (font & 1) != 0;
    metrics.cellWidth = metrics.doubleWidth ? 16 : 8;
    return true;
}

int Scr_CellWidth(const ImagePage& page) {
    FontMetrics metrics;
    return Scr_FontMetrics(page.font, metrics) ? metrics.cellWidth : 8;
}

int Scr_CellHeight(const ImagePage& page) {
    FontMetrics metrics;
    return Scr_FontMetrics(page.font, metrics) ? metrics.cellHeight : 16;
}

int32_t Scr_Columns(const ImagePage& page) {
    return page.text != 0 ? page.width : page.width / Scr_CellWidth(page);
}

int32_t Scr_RowsOf(const ImagePage& page) {
    return page.text != 0 ? page.height : page.height / Scr_CellHeight(page);
}

void Scr_SetFont(int32_t font, int32_t handle) {
    if (Err_IsPending()) return;
    ImagePage* page = Scr_Image(handle);
    if (page == nullptr) {
        Err_Raise(258);
        return;
    }
    FontMetrics metrics;
    if (!Scr_FontMetrics(font, metrics) || (metrics.doubleWidth && page->text == 0)) {
        Err_Raise(5);
        return;
    }
    page->font = font;
    if (page->text != 0) return;
    // The rows of a pixel image depend on its font: the text view and cursor start over.
    page->textViewTop = 1;
    page->textViewBottom = static_cast<int16_t>(std::max(1, Scr_RowsOf(*page) - 1));
    page->cursorRow = 1;
    page->cursorColumn = 1;
    page->pendingNewline = 0;
}
