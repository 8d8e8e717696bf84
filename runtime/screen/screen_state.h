// The screen runtime's own tables, shared by its source files (not for other modules).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "image_page.h"

constexpr int kImageBlockRecords = 4096;

struct ScreenState {
    // The image table: blocks of records that never move once made, so the presenter may
    // keep a pointer to a record while the table grows.
    std::vector<std::unique_ptr<ImagePage[]>> blocks;
    int32_t nextFresh = 2;             // handles 0 and 1 are never handed out
    std::vector<int32_t> freeHandles;  // freed handles, the last freed on top

    std::vector<int32_t> pageList;  // entry 0 the display image, entry n page n (0 none)
    int32_t displayHandle = 0;
    int32_t activeHandle = 0;
    int32_t visualHandle = 0;
    // The visual page for the presenter; changed only by the program thread, and replaced
    // together with the page set only under the mode-change handshake.
    std::atomic<ImagePage*> visualPage{nullptr};
    bool modeNotChosen = true;

    // Working copies loaded at start-up and only read afterwards.
    uint32_t palette256[256] = {};
    uint32_t palette64[64] = {};
    uint32_t blinkColours[18] = {};
    uint8_t font8[16384] = {};
    uint8_t font16[32768] = {};

    // Raised by every rebuild of the page set: the presenter draws a complete frame.
    std::atomic<uint32_t> screenGeneration{0};
};

// Runtime table: the screen state of the process, written by the program thread (and by
// Scr_Startup before the threads start).
ScreenState& Scr_State();

// Internal helpers of the screen runtime.
ImagePage* Scr_RecordOf(int32_t handle);  // the record even when not in use
void Scr_ResetImageTable();
void Scr_LoadDefaults();
// Copies the mode's default palette into 256 entries.
void Scr_FillDefaultPalette(int32_t mode, uint32_t* palette);
// The default foreground colour of a mode.
int32_t Scr_DefaultForeground(int32_t mode);
// Brings a page's colours and text view back to the mode's defaults (page switch).
void Scr_ResetPageColours(ImagePage& page);
// The text attribute of the page's current colours.
uint8_t Scr_TextAttribute(const ImagePage& page, uint32_t background);
// Fills text rows top..bottom (1-based, inclusive) of a page with blanks in `attribute`, or
// pixel rows of those text rows with `colour`.
void Scr_FillTextRows(ImagePage& page, int32_t top, int32_t bottom, uint8_t attribute,
                      uint32_t colour);
// Frees a record and everything it owns, and pushes its handle on the free stack.
void Scr_ReleaseImage(int32_t handle);
// Forgets what the presenter showed and remembered (start-up).
void Scr_ResetPresenter();
// The untouched start-up text screen becomes 80 x 50, keeping its first 25 rows and colours.
void Scr_SwitchStartupTextTo80x50();
