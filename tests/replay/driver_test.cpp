// The replay driver against small programs: it judges every presented frame while it waits for
// a text, it waits for a presented frame before a picture, and `idle` waits for the end prompt.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "errors.h"
#include "platform.h"
#include "replay_driver.h"
#include "runtime_main.h"
#include "screen.h"

namespace fs = std::filesystem;

namespace {

// Words that stand on the screen one after another, each for 40 ms of game time: longer than
// the 32 ms between two presentations, so each is presented once or twice, and shorter than
// any useful interval between two looks at the screen.
const char* const kFlashes[] = {"Primo", "Secondo", "Terzo", "Quarto", "Quinto"};

void FlashesThenEnd() {
    STMT(Scr_SetMode(12, 0, 0, 0, 1));
    for (const char* word : kFlashes) {
        STMT(Scr_Locate(5, 10, 0, 0, 0, 3));
        STMT(Scr_Print(RtString(word) + "   ", false));
        plat::Plat().clock->delay_ms(40);
    }
    STMT(Scr_Cls(0, 0, 0));
    Rt_End();
}

TEST(ReplayDriver, SeesEveryPresentedFrameAndWaitsForOneBeforeAPicture) {
    char pattern[] = "/tmp/brunolt-driver-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path out = pattern;
    const fs::path script = out / "flashes.replay";
    {
        std::ofstream text(script);
        // The picture is asked for before the program has drawn anything.
        text << "shot first.png\n";
        for (const char* word : kFlashes) text << "until " << word << " 5000\n";
        text << "until Press any key to continue 5000\nidle\nkey enter\nexit 0\n";
    }
    ReplayOptions options;
    options.script_path = script.string();
    options.start_directory = out.string();
    options.main_module = FlashesThenEnd;
    EXPECT_EQ(Replay_Run(options), 0);
    EXPECT_GT(fs::exists(out / "first.png") ? fs::file_size(out / "first.png") : 0, 100u);
    std::error_code error;
    if (getenv("BRUNOLT_KEEP_OUTPUT") == nullptr) fs::remove_all(out, error);
}

}  // namespace
