// The set of seams the runtime runs on: the real ones in the game, others in tests and replays.
#pragma once

#include "clock.h"
#include "message_box.h"
#include "mixer.h"
#include "window.h"

#include <string>

namespace plat {

struct Platform {
    Clock* clock = nullptr;
    Window* window = nullptr;
    Mixer* mixer = nullptr;
    // When null the runtime shows its boxes inside the game window.
    MessageBox* message_box = nullptr;
    // The directory the program runs in; empty means the executable's own directory.
    std::string module_directory;
};

// The seams in force. Installed once, before the runtime starts its threads, and only read
// afterwards; this is the single piece of process-wide state of the platform layer.
void Plat_Install(const Platform& platform);
const Platform& Plat();

// Directory of the running executable, with its trailing separator ("" if unknown).
std::string Plat_ModuleDirectory();

}  // namespace plat
