// Screen pages, modes, palettes, text output and presentation.
#pragma once

#include <cstdint>
#include <vector>

#include "image_page.h"
#include "rt_string.h"
#include "window.h"

// Start-up steps of the screen: default palettes and fonts into their working copies, the
// blink table of mode 10, and the 80 x 25 text screen of mode 0. Also forgets every image
// and the presenter's state, so a fresh run in the same process starts clean.
void Scr_Startup();

// Converts the visual page into the window; called by the display loop every second pass.
void Scr_Present();

// Given bits: 1 mode, 2 colour switch (ignored), 4 active page, 8 visual page. A negative
// mode names the image of handle -mode, which becomes the screen.
void Scr_SetMode(int32_t mode, int32_t colour_switch, int32_t active_page, int32_t visual_page,
                 int32_t given);
// Given bits: 1 foreground, 2 background, 4 border.
void Scr_Color(int64_t foreground, int64_t background, int64_t border, int32_t given);
// Given bits: 1 method (0 all, 1 graphics view, 2 text view), 2 fill colour.
void Scr_Cls(int64_t method, int64_t colour, int32_t given);

// Text output at the cursor of the active page.
void Scr_Print(const RtString& text, bool new_line);
// Starts a new line first when `text` would not fit on the rest of the current line.
void Scr_FitCheck(const RtString& text);
// Cursor to column 1 of the next row, scrolling the text view when needed.
void Scr_NewLine();
// Given bits: 1 row, 2 column, 4 cursor visible, 8 cursor start line, 16 cursor end line.
void Scr_Locate(int64_t row, int64_t column, int64_t cursor_visible, int64_t cursor_start,
                int64_t cursor_end, int32_t given);
// The string whose printing brings the cursor to `column`.
RtString Scr_Tab(int64_t column);
// Given 3: the scrolling rows top..bottom; given 0: every row.
void Scr_SetTextView(int32_t top, int32_t bottom, int32_t given);
// Draws one cell at the cursor without moving it.
void Scr_DrawChar(uint8_t code);

// Makes the page on display the one that receives drawing (the end prompt writes there).
void Scr_ActivateDisplayPage();
// Rows of the active page in text cells.
int32_t Scr_Rows();

// The full-screen sizes the display offers (start-up); without this call the presenter asks
// the window itself at its first frame. `any_size`: every size would do.
void Scr_SetFullScreenSizes(const std::vector<plat::ScreenSize>& sizes, bool any_size);

// The surface the presenter drew last, nullptr before the first frame (start-up thread only);
// the message box is drawn over it.
plat::VideoSurface* Scr_CurrentSurface();
// Makes the next Scr_Present draw a complete frame, as after a mode change.
void Scr_ForceCompleteFrame();

// What the presenter shows (start-up thread only; for tests and the replay driver).
struct PresentGeometry {
    int surfaceWidth = 0;
    int surfaceHeight = 0;
    int scale = 1;
    int offsetX = 0;
    int offsetY = 0;
    int fullScreenState = 0;  // 0 window, 1 closest size, 2 closest 4:3 size, 3 desktop size
    uint32_t frames = 0;      // frame counter
    uint32_t updates = 0;     // window updates made
};
PresentGeometry Scr_PresentGeometry();
// The colour of one pixel of the picture as last drawn (0xRRGGBB of the surface's pixel).
uint32_t Scr_PresentedPixel(int x, int y);
