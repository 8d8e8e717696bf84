// Screen pages, modes, palettes, text output and presentation.
#pragma once

#include <cstdint>

#include "rt_string.h"
#include "window.h"

// Start-up steps of the screen: default palettes and fonts into their working copies, the
// blink table of mode 10, and the 80 x 25 text screen of mode 0.
void Scr_Startup();

// Converts the visual page into the window; called by the display loop every second pass.
void Scr_Present();

void Scr_SetMode(int32_t mode, int32_t colour_switch, int32_t active_page, int32_t visual_page,
                 int32_t given);
void Scr_Print(const RtString& text, bool new_line);
void Scr_SetTextView(int32_t top, int32_t bottom, int32_t given);
// Makes the page on display the one that receives drawing (the end prompt writes there).
void Scr_ActivateDisplayPage();
// Rows of the active page in text cells.
int32_t Scr_Rows();

// The surface the presenter drew last, nullptr before the first frame (start-up thread only);
// the message box is drawn over it.
plat::VideoSurface* Scr_CurrentSurface();
// Makes the next Scr_Present draw a complete frame, as after a mode change.
void Scr_ForceCompleteFrame();
