// Text output at the cursor: drawing cells, printing with control bytes, new lines and
// scrolling, the cursor and the text view.
#include <algorithm>

#include "errors.h"
#include "screen.h"
#include "screen_state.h"
#include "sound.h"

namespace {

// Whether a cell at `column` would still lie inside the page.
bool CellFits(const ImagePage& page, int32_t column) {
    if (page.text != 0) return column <= page.width;
    const int width = Scr_CellWidth(page);
    return (column - 1) * width + width <= page.width;
}

// Moves shared bytes towards lower addresses (to < from), whole words where both line up.
void CopyBytes(uint8_t* to, const uint8_t* from, size_t count) {
    const PixelBatch batch;
    size_t i = 0;
    if (((reinterpret_cast<uintptr_t>(to) ^ reinterpret_cast<uintptr_t>(from)) & 7) == 0) {
        for (; i < count && (reinterpret_cast<uintptr_t>(from + i) & 7) != 0; ++i) {
            Pix_StoreQuiet(to + i, Pix_Load(from + i));
        }
        for (; i + 8 <= count; i += 8) {
            const uint64_t word = std::atomic_ref<uint64_t>(
                                      *reinterpret_cast<uint64_t*>(const_cast<uint8_t*>(from + i)))
                                      .load(std::memory_order_relaxed);
            std::atomic_ref<uint64_t>(*reinterpret_cast<uint64_t*>(to + i))
                .store(word, std::memory_order_relaxed);
        }
    }
    for (; i < count; ++i) Pix_StoreQuiet(to + i, Pix_Load(from + i));
}

// Moves text rows top + 1 .. bottom up by one row and blanks the bottom row.
void ScrollView(ImagePage& page) {
    const int32_t top = page.textViewTop;
    const int32_t bottom = page.textViewBottom;
    const size_t row_bytes = page.text != 0 ? static_cast<size_t>(page.width) * 2
                                            : static_cast<size_t>(page.width) * page.bytesPerPixel *
                                                  static_cast<size_t>(Scr_CellHeight(page));
    if (bottom > top) {
        CopyBytes(page.store + (top - 1) * row_bytes, page.store + top * row_bytes,
                  static_cast<size_t>(bottom - top) * row_bytes);
    }
    Scr_FillTextRows(page, bottom, bottom, Scr_TextAttribute(page, page.background),
                     page.background);
}

enum class PrintStep : uint8_t { Plain, NewLineMade, Pending };

// Draws one printable byte at the cursor and advances; what happened at the end of the row.
PrintStep PrintByte(ImagePage& page, uint8_t code, bool more_follows) {
    Scr_DrawChar(code);
    page.cursorColumn = static_cast<int16_t>(page.cursorColumn + 1);
    if (CellFits(page, page.cursorColumn)) return PrintStep::Plain;
    if (more_follows) {
        Scr_NewLine();
        return PrintStep::NewLineMade;
    }
    page.cursorColumn = static_cast<int16_t>(page.cursorColumn - 1);
    page.pendingNewline = 1;
    return PrintStep::Pending;
}

}  // namespace

void Scr_DrawChar(uint8_t code) {
    if (Err_IsPending()) return;
    ImagePage* page = Scr_ActivePage();
    if (page == nullptr) return;
    const int32_t row = page->cursorRow;
    const int32_t column = page->cursorColumn;
    if (page->text != 0) {
        if (row < 1 || column < 1 || row > page->height || column > page->width) return;
        uint8_t* cell =
            page->store + static_cast<size_t>((row - 1) * page->width + (column - 1)) * 2;
        Pix_Store(cell, code);
        Pix_Store(cell + 1, Scr_TextAttribute(*page, page->background));
        return;
    }
    FontMetrics font;
    if (!Scr_FontMetrics(page->font, font)) return;
    const int x0 = (column - 1) * font.cellWidth;
    const int y0 = (row - 1) * font.cellHeight;
    // The cursor always lies inside the image; a cell that would not is never written.
    if (x0 < 0 || y0 < 0 || x0 + 8 > page->width || y0 + font.cellHeight > page->height) return;
    const bool draw_set = (page->printMode & kPrintForeground) != 0;
    const bool draw_clear = (page->printMode & kPrintBackground) != 0;
    const uint8_t* glyph = font.glyphs + static_cast<size_t>(code) * font.glyphBytes;
    const size_t pitch = static_cast<size_t>(page->width) * page->bytesPerPixel;
    const PixelBatch batch;
    for (int y = 0; y < font.cellHeight; ++y) {
        uint8_t* out = page->store + static_cast<size_t>(y0 + y) * pitch +
                       static_cast<size_t>(x0) * page->bytesPerPixel;
        for (int x = 0; x < 8; ++x) {
            const bool set = glyph[y * 8 + x] != 0;
            if (set ? !draw_set : !draw_clear) continue;
            const uint32_t colour =
                set ? static_cast<uint32_t>(page->foreground) : page->background;
            if (page->bytesPerPixel == 4) {
                Pix_StoreQuiet32(out + x * 4, colour);
            } else {
                Pix_StoreQuiet(out + x, static_cast<uint8_t>(colour & page->colourMask));
            }
        }
    }
}

void Scr_NewLine() {
    if (Err_IsPending()) return;
    ImagePage* page = Scr_ActivePage();
    if (page == nullptr) return;
    page->pendingNewline = 0;
    page->cursorColumn = 1;
    const int32_t row = page->cursorRow + 1;
    if (row >= page->textViewTop && row <= page->textViewBottom) {
        page->cursorRow = static_cast<int16_t>(row);
        return;
    }
    ScrollView(*page);
    page->cursorRow = page->textViewBottom;
}

void Scr_Print(const RtString& text, bool new_line) {
    if (Err_IsPending()) return;
    ImagePage* page = Scr_ActivePage();
    if (page == nullptr) return;
    if (page->pendingNewline != 0) {
        if (!text.empty()) {
            page->pendingNewline = 0;
            Scr_NewLine();
        } else if (new_line) {
            page->pendingNewline = 0;
        }
    }
    bool last_made_new_line = false;
    const int32_t columns = Scr_Columns(*page);
    for (size_t i = 0; i < text.size(); ++i) {
        const uint8_t code = static_cast<uint8_t>(text[i]);
        const bool more_follows = i + 1 < text.size() || new_line;
        last_made_new_line = false;
        switch (code) {
            case 7:
                // The beep sleeps its 250 ms itself, exactly as a beep statement does.
                Snd_Beep();
                break;
            case 9: {
                PrintStep step = PrintStep::Plain;
                do {
                    step = PrintByte(*page, ' ', more_follows);
                } while (step == PrintStep::Plain && (page->cursorColumn - 1) % 8 != 0);
                last_made_new_line = step == PrintStep::NewLineMade;
                break;
            }
            case 10:
            case 13:
                Scr_NewLine();
                last_made_new_line = true;
                break;
            case 11:
                page->cursorRow = page->textViewTop;
                page->cursorColumn = 1;
                break;
            case 12:
                Scr_Cls(0, 0, 0);
                break;
            case 28:
                if (page->cursorColumn < columns) {
                    page->cursorColumn = static_cast<int16_t>(page->cursorColumn + 1);
                } else if (page->cursorRow < page->textViewBottom) {
                    page->cursorColumn = 1;
                    page->cursorRow = static_cast<int16_t>(page->cursorRow + 1);
                }
                break;
            case 29:
                if (page->cursorColumn > 1) {
                    page->cursorColumn = static_cast<int16_t>(page->cursorColumn - 1);
                } else if (page->cursorRow > page->textViewTop) {
                    page->cursorColumn = static_cast<int16_t>(columns);
                    page->cursorRow = static_cast<int16_t>(page->cursorRow - 1);
                }
                break;
            case 30:
                if (page->cursorRow - 1 >= page->textViewTop) {
                    page->cursorRow = static_cast<int16_t>(page->cursorRow - 1);
                }
                break;
            case 31:
                if (page->cursorRow + 1 <= page->textViewBottom) {
                    page->cursorRow = static_cast<int16_t>(page->cursorRow + 1);
                }
                break;
            default:
                last_made_new_line = PrintByte(*page, code, more_follows) == PrintStep::NewLineMade;
                break;
        }
        if (Err_IsPending()) return;
    }
    if (new_line && !last_made_new_line) Scr_NewLine();
}

void Scr_FitCheck(const RtString& text) {
    if (Err_IsPending()) return;
    ImagePage* page = Scr_ActivePage();
    if (page == nullptr || page->pendingNewline != 0 || page->cursorColumn == 1) return;
    const int64_t length = static_cast<int64_t>(text.size());
    bool overflows = false;
    if (page->text != 0) {
        overflows = page->cursorColumn + length - 1 > page->width;
    } else {
        const int64_t width = Scr_CellWidth(*page);
        overflows = (page->cursorColumn - 1) * width + length * width > page->width;
    }
    if (overflows) Scr_NewLine();
}

void Scr_Locate(int64_t row, int64_t column, int64_t cursor_visible, int64_t cursor_start,
                int64_t cursor_end, int32_t given) {
    if (Err_IsPending()) return;
    ImagePage* page = Scr_ActivePage();
    if (page == nullptr) return;
    const bool has_row = (given & 1) != 0;
    const bool has_column = (given & 2) != 0;
    const bool has_visible = (given & 4) != 0;
    const bool has_start = (given & 8) != 0;
    const bool has_end = (given & 16) != 0;

    // The untouched start-up screen grows to 80 x 50 rows instead of refusing rows 26-50.
    if (has_row && row >= 26 && row <= 50 && Scr_ModeNotChosen() && page->text != 0 &&
        page->width == 80 && page->height == 25 && Scr_ActiveHandle() == Scr_DisplayHandle()) {
        Scr_SwitchStartupTextTo80x50();
        page = Scr_ActivePage();
        if (page == nullptr) return;
    }

    const int32_t rows = Scr_RowsOf(*page);
    bool ok = true;
    if (has_row && (row < page->textViewTop || (row > page->textViewBottom && row != rows)))
        ok = false;
    if (has_column && (column < 1 || column > Scr_Columns(*page))) ok = false;
    if (has_visible && cursor_visible != 0 && cursor_visible != 1) ok = false;
    if (has_start && (cursor_start < 0 || cursor_start > 31)) ok = false;
    if (has_end && (cursor_end < 0 || cursor_end > 31)) ok = false;
    if (!ok) {
        Err_Raise(5);
        return;
    }
    if (has_row) page->cursorRow = static_cast<int16_t>(row);
    if (has_column) page->cursorColumn = static_cast<int16_t>(column);
    if (has_row || has_column) {
        page->pendingNewline = 0;
    } else if (page->pendingNewline == 1) {
        page->pendingNewline = 2;
    }
    if (!has_visible && !has_start && !has_end) return;
    const auto apply = [&](ImagePage& target) {
        if (has_visible) target.cursorVisible = static_cast<uint8_t>(cursor_visible);
        if (has_start) target.cursorStartLine = static_cast<uint8_t>(cursor_start);
        if (has_end) target.cursorEndLine = static_cast<uint8_t>(cursor_end);
    };
    if ((page->ownership & kScreenPage) == 0) {
        apply(*page);
        return;
    }
    for (int32_t handle : Scr_State().pageList) {
        ImagePage* each = Scr_Image(handle);
        if (each != nullptr) apply(*each);
    }
}

RtString Scr_Tab(int64_t column) {
    if (Err_IsPending()) return RtString();
    if (column < -32768 || column > 32767) {
        Err_Raise(7);
        return RtString();
    }
    const ImagePage* page = Scr_ActivePage();
    if (page == nullptr) return RtString();
    const int64_t width = Scr_Columns(*page);
    if (column > width) column %= width;
    if (column < 1) column = 1;
    const int64_t cursor = page->cursorColumn;
    if (column < cursor) return RtString(1, '\r') + RtString(static_cast<size_t>(column - 1), ' ');
    return RtString(static_cast<size_t>(column - cursor), ' ');
}

void Scr_SetTextView(int32_t top, int32_t bottom, int32_t given) {
    if (Err_IsPending()) return;
    ImagePage* page = Scr_ActivePage();
    if (page == nullptr) return;
    const int32_t rows = Scr_RowsOf(*page);
    if (given == 0) {
        top = 1;
        bottom = rows;
    } else if ((given & 3) != 3 || top < 1 || top > bottom || bottom > rows) {
        Err_Raise(5);
        return;
    }
    page->textViewTop = static_cast<int16_t>(top);
    page->textViewBottom = static_cast<int16_t>(bottom);
    page->cursorRow = static_cast<int16_t>(top);
    page->cursorColumn = 1;
    page->pendingNewline = 0;
}
