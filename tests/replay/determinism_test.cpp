// The whole game in virtual time, twenty times: every state, screen, picture and sound log it
// leaves behind is the same, byte for byte, in every run.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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

// Plays the whole-game script in a child process, leaving its outputs in `folder`.
pid_t StartRun(const std::string& folder) {
    const pid_t child = fork();
    if (child != 0) return child;
    ReplayOptions options;
    options.script_path = std::string(BRUNOLT_GAME_SCRIPTS) + "/phone_game.replay";
    options.start_directory = folder;
    options.main_module = GameMain;
    _exit(Replay_Run(options));
}

// The runs play side by side, one per core, each in a process of its own (the runtime is one per
// process): a run's bytes must not depend on what else the machine is doing either.
TEST(Determinism, TheWholeGameIsTheSameInEveryRun) {
    std::vector<std::string> folders;
    for (int run = 0; run < kRuns; ++run) {
        char pattern[] = "/tmp/brunolt-same-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folders.push_back(pattern);
    }
    const int at_once = static_cast<int>(std::max(2u, std::thread::hardware_concurrency()));
    std::vector<int> exit_codes(kRuns, -1);
    std::map<pid_t, int> running;
    for (int next = 0; next < kRuns || !running.empty();) {
        if (next < kRuns && static_cast<int>(running.size()) < at_once) {
            const pid_t child = StartRun(folders[next]);
            ASSERT_GT(child, 0) << "fork";
            running[child] = next++;
            continue;
        }
        int status = 0;
        const pid_t done = wait(&status);
        ASSERT_GT(done, 0) << "wait";
        exit_codes[running[done]] =
            WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        running.erase(done);
    }
    std::map<std::string, std::string> first;
    for (int run = 0; run < kRuns; ++run) {
        const std::map<std::string, std::string> outputs = Outputs(folders[run]);
        std::error_code error;
        fs::remove_all(folders[run], error);
        EXPECT_EQ(exit_codes[run], 0) << "run " << run + 1;
        if (run == 0) {
            first = outputs;
            // States, screens, pictures and sound logs.
            ASSERT_GE(first.size(), 20u);
            continue;
        }
        ASSERT_EQ(outputs.size(), first.size()) << "run " << run + 1;
        for (const auto& [name, bytes] : first) {
            const auto same = outputs.find(name);
            ASSERT_NE(same, outputs.end()) << "run " << run + 1 << " left no " << name;
            EXPECT_TRUE(same->second == bytes) << "run " << run + 1 << ": " << name << " differs";
        }
    }
}

}  // namespace
