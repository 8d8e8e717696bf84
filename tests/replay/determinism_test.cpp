// The whole game in virtual time, twenty times in a row: every state, screen, picture and sound
// log it leaves behind is the same, byte for byte, in every run.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "game_state.h"
#include "replay_driver.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 20;

// Every file of a folder by name, with its bytes.
std::map<std::string, std::string> Outputs(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        files[entry.path().filename().string()] = bytes.str();
    }
    return files;
}

TEST(Determinism, TheWholeGameIsTheSameInEveryRun) {
    std::map<std::string, std::string> first;
    for (int run = 1; run <= kRuns; ++run) {
        char pattern[] = "/tmp/brunolt-same-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        ReplayOptions options;
        options.script_path = std::string(BRUNOLT_GAME_SCRIPTS) + "/phone_game.replay";
        options.start_directory = pattern;
        options.main_module = GameMain;
        ASSERT_EQ(Replay_Run(options), 0) << "run " << run;
        const std::map<std::string, std::string> outputs = Outputs(pattern);
        std::error_code error;
        fs::remove_all(pattern, error);
        if (run == 1) {
            first = outputs;
            // States, screens, pictures and sound logs.
            ASSERT_GE(first.size(), 20u);
            continue;
        }
        ASSERT_EQ(outputs.size(), first.size()) << "run " << run;
        for (const auto& [name, bytes] : first) {
            const auto same = outputs.find(name);
            ASSERT_NE(same, outputs.end()) << "run " << run << " left no " << name;
            EXPECT_TRUE(same->second == bytes) << "run " << run << ": " << name << " differs";
        }
    }
}

}  // namespace
