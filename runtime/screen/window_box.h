// The message box drawn inside the game window, in the screens' own DOS style.
#pragma once

#include "message_box.h"
#include "window.h"

// The box as a seam for the runtime's error reports. Its show() blocks the calling (program)
// thread until the player answers while the display loop keeps presenting; it answers
// NotShown unless WindowBox_Enable said a display loop will serve it.
plat::MessageBox* WindowBox_Seam();

// Start-up thread: gives a key or mouse event to an open box; true when the box took it.
bool WindowBox_HandleEvent(const plat::WindowEvent& event);
// Start-up thread, after each presentation: draws an open box over the presented frame.
void WindowBox_Draw();
// Whether a box is waiting for its answer (the replay driver looks at this).
bool WindowBox_IsOpen();
// The open box's caption and text (empty when none is open).
void WindowBox_Contents(std::string& caption, std::string& text);
// Set by the start-up just before the program thread starts, cleared when the loop has ended.
void WindowBox_Enable(bool enabled);
// Forgets any box (a new run of the runtime in the same process).
void WindowBox_Reset();

// How a box of this size is laid out on a surface; exposed for tests.
struct BoxLayout {
    int cell_width = 8;
    int cell_height = 16;
    int left = 0;  // pixels
    int top = 0;
    int columns = 0;  // cells, frame included
    int rows = 0;
};
