// The Brunolt executable: the game's main module on the runtime with the real seams.
#include <cstdio>

#include "command_line.h"
#include "game_state.h"
#include "runtime_main.h"

int main(int argc, char** argv) {
    const CommandLine line = ParseCommandLine(argc, argv);
    switch (line.action) {
        case CommandLineAction::ShowHelp:
            std::fputs(CommandLineHelp().c_str(), stdout);
            return 0;
        case CommandLineAction::ShowVersion:
            std::fputs(CommandLineVersion().c_str(), stdout);
            return 0;
        case CommandLineAction::Refuse:
            std::fputs((line.error + CommandLineUsage()).c_str(), stderr);
            return 2;
        case CommandLineAction::Play:
            break;
    }
    plat::SdlClock clock;
    const std::unique_ptr<plat::Window> window = plat::MakeSdlWindow();
    const std::unique_ptr<plat::Mixer> mixer = plat::MakeSdlMixer();
    plat::Platform platform;
    platform.clock = &clock;
    platform.window = window.get();
    platform.mixer = mixer.get();
    platform.display = line.display;
    return RuntimeMain(argc, argv, platform, GameMain);
}
