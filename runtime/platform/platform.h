// The set of seams the runtime runs on: the real ones in the game, others in tests and replays.
#pragma once

#include "clock.h"
#include "message_box.h"
#include "mixer.h"
#include "window.h"

#include <string>

namespace plat {

// The largest window scale offered: a 640 x 480 page at 8 is 5120 x 3840, beyond any monitor.
constexpr int kMaxWindowScale = 8;

// How the window shows the page, as the player chose on the command line. The defaults are the
// plain window at the page's size and Alt+Enter's listed full-screen sizes.
struct DisplayOptions {
    int window_scale = 1;  // each page pixel as window_scale x window_scale pixels, 1..8
    // Starts in full screen at the desktop's own size (the monitor's mode is kept), the page at
    // the largest whole scale that fits, centred; Alt+Enter toggles it with the window.
    bool desktop_full_screen = false;
};

struct Platform {
    Clock* clock = nullptr;
    Window* window = nullptr;
    Mixer* mixer = nullptr;
    // When null the runtime shows its boxes inside the game window.
    MessageBox* message_box = nullptr;
    // The directory the program runs in; empty means the executable's own directory.
    std::string module_directory;
    DisplayOptions display;
};

// The seams in force. Installed once, before the runtime starts its threads, and only read
// afterwards; this is the single piece of process-wide state of the platform layer.
void Plat_Install(const Platform& platform);
const Platform& Plat();

// Directory of the running executable, with its trailing separator ("" if unknown).
std::string Plat_ModuleDirectory();

}  // namespace plat
