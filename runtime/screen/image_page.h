// ImagePage: one screen page or image, the image table, fonts and race-free pixel access.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

// A field that the presenter reads on the start-up thread while the program thread may be
// writing it. Loads and stores are whole and relaxed: a frame may show a half-updated page,
// which the next frame corrects, but no access is ever torn or undefined.
template <class T>
class Relaxed {
  public:
    Relaxed() = default;
    Relaxed(T value) : value_(value) {}  // NOLINT: behaves as the plain field it stands for
    Relaxed(const Relaxed& other) : value_(other.load()) {}
    Relaxed& operator=(const Relaxed& other) {
        store(other.load());
        return *this;
    }
    Relaxed& operator=(T value) {
        store(value);
        return *this;
    }
    operator T() const { return load(); }  // NOLINT
    T load() const { return value_.load(std::memory_order_relaxed); }
    void store(T value) { value_.store(value, std::memory_order_relaxed); }

  private:
    std::atomic<T> value_{};
};

// Shared word: raised (release) after every write of pixel bytes or text cells, by whichever
// thread draws; taken (lowered, acquire) by the presenter just before it reads the visual
// page. While it stays down nothing was drawn since that read, so an unchanged page costs the
// presenter no reading at all. Every store into a page goes through the writers below (or
// raises the word itself), or the window would not show it.
inline std::atomic<uint8_t> g_pixelsWritten{1};

inline void Pix_NoteWritten() {
    g_pixelsWritten.store(1, std::memory_order_release);
}
// Lowers the word; true when it was raised, i.e. something was drawn since the last call.
inline bool Pix_TakeWritten() {
    return g_pixelsWritten.exchange(0, std::memory_order_acq_rel) != 0;
}

// Pixel bytes, text cells and palette entries are shared with the presenter: every access
// goes through these, never through plain loads and stores.
inline uint8_t Pix_Load(const uint8_t* byte) {
    return std::atomic_ref<uint8_t>(*const_cast<uint8_t*>(byte)).load(std::memory_order_relaxed);
}
inline void Pix_Store(uint8_t* byte, uint8_t value) {
    std::atomic_ref<uint8_t>(*byte).store(value, std::memory_order_relaxed);
    Pix_NoteWritten();
}
inline uint32_t Pix_Load32(const uint8_t* word) {
    return std::atomic_ref<uint32_t>(*reinterpret_cast<uint32_t*>(const_cast<uint8_t*>(word)))
        .load(std::memory_order_relaxed);
}
inline void Pix_Store32(uint8_t* word, uint32_t value) {
    std::atomic_ref<uint32_t>(*reinterpret_cast<uint32_t*>(word))
        .store(value, std::memory_order_relaxed);
    Pix_NoteWritten();
}
// The same stores without raising the word, for drawing loops: a PixelBatch declared before
// the loop raises it once, after the loop's last store (even when the loop is left early).
inline void Pix_StoreQuiet(uint8_t* byte, uint8_t value) {
    std::atomic_ref<uint8_t>(*byte).store(value, std::memory_order_relaxed);
}
inline void Pix_StoreQuiet32(uint8_t* word, uint32_t value) {
    std::atomic_ref<uint32_t>(*reinterpret_cast<uint32_t*>(word))
        .store(value, std::memory_order_relaxed);
}
class PixelBatch {
  public:
    PixelBatch() = default;
    PixelBatch(const PixelBatch&) = delete;
    PixelBatch& operator=(const PixelBatch&) = delete;
    ~PixelBatch() { Pix_NoteWritten(); }
};
// One aligned word of eight shared bytes.
inline uint64_t Pix_Load64(const uint8_t* word) {
    return std::atomic_ref<uint64_t>(*reinterpret_cast<uint64_t*>(const_cast<uint8_t*>(word)))
        .load(std::memory_order_relaxed);
}

// Copies `count` shared bytes into private memory, eight at a time where the source is
// aligned: whole-word atomic loads, so the presenter's snapshot of a page stays cheap.
inline void Pix_LoadRange(uint8_t* to, const uint8_t* from, size_t count) {
    size_t i = 0;
    while (i < count && (reinterpret_cast<uintptr_t>(from + i) & 7) != 0) {
        to[i] = Pix_Load(from + i);
        ++i;
    }
    for (; i + 8 <= count; i += 8) {
        const uint64_t word = Pix_Load64(from + i);
        __builtin_memcpy(to + i, &word, 8);
    }
    for (; i < count; ++i) to[i] = Pix_Load(from + i);
}

// Ownership flags of an image.
constexpr uint32_t kOwnsPalette = 1;
constexpr uint32_t kScreenPage = 2;
constexpr uint32_t kOwnsStore = 4;

// Print modes of text drawn on pixel images.
constexpr uint8_t kPrintForeground = 1;
constexpr uint8_t kPrintBackground = 2;
constexpr uint8_t kPrintBoth = 3;

// Modes that only images can have (never a screen).
constexpr int32_t kMode8Bit = 256;
constexpr int32_t kMode32Bit = 32;

struct ImagePage {
    uint8_t inUse = 0;
    uint8_t text = 0;     // 1: cells of (character, attribute); 0: pixels
    uint16_t width = 0;   // columns (text) or pixels
    uint16_t height = 0;  // rows (text) or pixels
    uint8_t bytesPerPixel = 0;
    uint8_t bitsPerPixel = 0;
    uint32_t colourMask = 0;
    uint16_t mode = 0;
    int32_t foreground = 0;
    uint32_t background = 0;
    uint32_t drawingColour = 0;
    Relaxed<int32_t> font = 0;  // 8, 14, 16; 9, 15, 17 double width
    int16_t textViewTop = 0;
    int16_t textViewBottom = 0;
    Relaxed<int16_t> cursorColumn = 0;
    Relaxed<int16_t> cursorRow = 0;
    Relaxed<uint8_t> cursorVisible = 0;
    Relaxed<uint8_t> cursorStartLine = 0;
    Relaxed<uint8_t> cursorEndLine = 0;
    uint8_t* store = nullptr;  // width x height x bytesPerPixel bytes, rows top to bottom
    uint32_t ownership = 0;
    uint32_t* palette = nullptr;  // 256 entries 0xAARRGGBB; null for 32-bit images
    int32_t transparentColour = -1;
    // 0 none; 1 the last column was filled and no new line made yet; 2 as 1 after a locate
    // without coordinates (the cursor shows at the start of the next row).
    Relaxed<uint8_t> pendingNewline = 0;
    uint8_t printMode = kPrintBoth;
    int32_t viewX1 = 0;
    int32_t viewY1 = 0;
    int32_t viewX2 = 0;
    int32_t viewY2 = 0;
    int32_t viewOriginX = 0;
    int32_t viewOriginY = 0;
    float lastPointX = 0;
    float lastPointY = 0;
    uint8_t viewState = 0;  // 0 none, 1 view set, 2 view and window coordinates
    float windowScaleX = 1;
    float windowScaleY = 1;
    float windowOffsetX = 0;
    float windowOffsetY = 0;
    uint64_t turtleAngle = 0;
    double turtleScale = 1.0;

    // The storage behind `store` and `palette` when the image owns them.
    std::unique_ptr<uint8_t[]> ownedStore;
    std::unique_ptr<uint32_t[]> ownedPalette;
};

// A font number's cell and where its glyph rows come from.
struct FontMetrics {
    int cellWidth = 0;                // 8, or 16 for the double-width fonts
    int cellHeight = 0;               // 8, 14 or 16
    const uint8_t* glyphs = nullptr;  // glyph g's first used row at glyphs + g * glyphBytes
    int glyphBytes = 0;               // 64 or 128
    bool doubleWidth = false;
};
// Metrics of font 8, 9, 14, 15, 16 or 17; false for any other number.
bool Scr_FontMetrics(int32_t font, FontMetrics& metrics);

// The image record of a handle in use, nullptr otherwise.
ImagePage* Scr_Image(int32_t handle);
// Current images: the display image of the mode (page 0), the page that receives drawing and
// the page shown (0 before the first mode is set).
int32_t Scr_DisplayHandle();
int32_t Scr_ActiveHandle();
int32_t Scr_VisualHandle();
ImagePage* Scr_ActivePage();
ImagePage* Scr_VisualPage();
// Handle of page n of the current screen, 0 when that page has not been made.
int32_t Scr_PageHandle(int32_t page);
// Whether the program has not chosen a mode yet (the start-up text screen is untouched).
bool Scr_ModeNotChosen();

// A new image of that size and mode (0, 1, 2, 7-13, 256, 32), zeroed (text: blanks with
// attribute 7), with its own copy of the mode's default palette; 0 when refused.
int32_t Scr_NewImage(int32_t width, int32_t height, int32_t mode);
// The same over a store the caller owns and keeps alive as long as the image.
int32_t Scr_WrapImage(uint8_t* store, int32_t width, int32_t height, int32_t mode);
// Frees an image made by Scr_NewImage or Scr_WrapImage with what it owns; its handle is the
// next one handed out. Screen pages and the images on screen are refused with error 5.
void Scr_FreeImage(int32_t handle);
// Font 8, 14 or 16 for any image, 9, 15 or 17 for text images; restarts its text cursor.
void Scr_SetFont(int32_t font, int32_t handle);

// Text cells of an image: columns and rows, and the cell size in pixels.
int32_t Scr_Columns(const ImagePage& page);
int32_t Scr_RowsOf(const ImagePage& page);
int Scr_CellWidth(const ImagePage& page);
int Scr_CellHeight(const ImagePage& page);

// The default tables as loaded at start-up, alpha 0xFF included.
uint32_t Scr_DefaultPalette256(int index);
uint32_t Scr_DefaultPalette64(int index);
// Mode 10's blink colours: row 0 or 1, column 0-8.
uint32_t Scr_BlinkColour(int row, int column);

// Palette entries of an image, shared with the presenter.
inline uint32_t Pal_Get(const ImagePage& page, int index) {
    return std::atomic_ref<uint32_t>(page.palette[index]).load(std::memory_order_relaxed);
}
inline void Pal_Set(ImagePage& page, int index, uint32_t colour) {
    std::atomic_ref<uint32_t>(page.palette[index]).store(colour, std::memory_order_relaxed);
}
