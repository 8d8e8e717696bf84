// The whole runtime started headless: threads, shutdown paths, exit codes, the error box.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "errors.h"
#include "keyboard.h"
#include "runtime_main.h"
#include "test_platform.h"
#include "window_box.h"

namespace {

using testing_support::HeadlessPlatform;

// What a test's main module saw; written on the program thread, read after the run.
std::atomic<int> g_reached{0};
std::string g_command_line;
std::string g_working_directory;

plat::WindowEvent QuitEvent() {
    plat::WindowEvent event;
    event.kind = plat::WindowEvent::Kind::Quit;
    return event;
}

void EndProgramHere() {
    Rt_Words().programEnded = 1;
    Rt_ParkProgramThread();
}

int RunRuntime(HeadlessPlatform& headless, MainModule module, bool scripted_box = true,
        std::vector<std::string> args = {"Brunolt"}) {
    g_reached = 0;
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    return RuntimeRun(static_cast<int>(argv.size()), argv.data(), headless.platform(scripted_box),
                      module);
}

TEST(RuntimeMain, ClosingTheWindowWhileTheProgramWaitsForAKeyEndsWithZero) {
    HeadlessPlatform headless;
    const int code = RunRuntime(headless, [] {
        plat::Plat().window->inject_event(QuitEvent());
        for (;;) {
            g_reached = 1;
            RtString key = Kbd_Inkey();
            END_STATEMENT;
        }
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(g_reached.load(), 1);
    EXPECT_EQ(Rt_Words().finishedThreads.load(), 3);
}

TEST(RuntimeMain, ClosingTheWindowAtTheEndPromptEndsWithZero) {
    HeadlessPlatform headless;
    const int code = RunRuntime(headless, [] {
        plat::Plat().window->inject_event(QuitEvent());
        g_reached = 1;
        Rt_End();
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(g_reached.load(), 1);
}

TEST(RuntimeMain, CommandLineAndWorkingDirectory) {
    HeadlessPlatform headless;
    char before[PATH_MAX] = {};
    ASSERT_NE(getcwd(before, sizeof before), nullptr);
    ASSERT_EQ(chdir("/"), 0);
    const auto module = [] {
        char here[PATH_MAX] = {};
        g_working_directory = getcwd(here, sizeof here) != nullptr ? here : "";
        g_command_line = Rt_CommandLine();
        EndProgramHere();
    };
    EXPECT_EQ(RunRuntime(headless, module, true, {"Brunolt", "a", "b"}), 0);
    EXPECT_EQ(g_command_line, "a b");
    EXPECT_EQ(g_working_directory + "/", plat::Plat_ModuleDirectory());
    EXPECT_NE(g_working_directory, "/");
    EXPECT_EQ(RunRuntime(headless, module, true, {"Brunolt"}), 0);
    EXPECT_EQ(g_command_line, "");
    ASSERT_EQ(chdir(before), 0);

    EXPECT_EQ(Rt_DirectoryOfModule("C:\\GAMES\\BRUNOLT.EXE"), "C:\\GAMES\\");
    EXPECT_EQ(Rt_DirectoryOfModule("C:BRUNOLT.EXE"), "C:");
    EXPECT_EQ(Rt_DirectoryOfModule("/opt/brunolt/Brunolt"), "/opt/brunolt/");
    EXPECT_EQ(Rt_DirectoryOfModule("Brunolt"), "");
}

TEST(RuntimeMain, TheExitCodeOfTheProgramReachesTheProcess) {
    HeadlessPlatform headless;
    EXPECT_EQ(RunRuntime(headless, [] {
                  Rt_Words().exitCode = 3;
                  EndProgramHere();
              }),
              3);
}

TEST(RuntimeMain, ACriticalErrorShowsItsBoxAndEndsWithZero) {
    HeadlessPlatform headless;
    const int code = RunRuntime(headless, [] {
        g_reached = 1;
        Err_Raise(11);
        g_reached = 2;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(g_reached.load(), 1);
    const auto shown = headless.box.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Critical Error");
}

TEST(RuntimeMain, TerminationSignalClosesLikeTheWindow) {
    HeadlessPlatform headless;
    const int code = RunRuntime(headless, [] {
        std::raise(SIGTERM);
        for (;;) {
            g_reached = 1;
            END_STATEMENT;
            plat::Plat().clock->delay_ms(1);
        }
    });
    EXPECT_EQ(code, 0);
}

TEST(RuntimeMain, TheBoxInTheWindowIsAnsweredWithAKey) {
    HeadlessPlatform headless;
    const plat::ClockThread on_clock(&headless.clock, "test");
    std::atomic<bool> running{true};
    // Plays the player: reads each box as it opens and answers Y to error 5, N to error 53.
    std::vector<std::string> captions;
    std::thread player(
        [&](plat::ClockSeat seat) {
            const plat::ClockThread player_on_clock(std::move(seat));
            std::string caption;
            std::string text;
            while (running && captions.size() < 2) {
                WindowBox_Contents(caption, text);
                if (!caption.empty() && (captions.empty() || captions.back() != caption)) {
                    captions.push_back(caption);
                    plat::WindowEvent key;
                    key.kind = plat::WindowEvent::Kind::KeyDown;
                    key.sym = caption == "Unhandled Error #5" ? 'y' : 'n';
                    headless.window->inject_event(key);
                }
                headless.clock.delay_ms(1);
            }
        },
        plat::ClockSeat(&headless.clock, "player"));
    const int code = RunRuntime(
        headless,
        [] {
            STMT(Err_Raise(5));
            g_reached = 1;
            STMT(Err_Raise(53));
            g_reached = 2;
        },
        false);
    running = false;
    {
        const plat::ClockAway away(&headless.clock);
        player.join();
    }
    EXPECT_EQ(code, 0);
    EXPECT_EQ(g_reached.load(), 1);
    EXPECT_EQ(captions, (std::vector<std::string>{"Unhandled Error #5", "Unhandled Error #53"}));
}

TEST(RuntimeMain, SdlThatCannotStartExitsWithOneHundred) {
    HeadlessPlatform headless;
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    testing::internal::CaptureStderr();
    const int code = RunRuntime(headless, [] { EndProgramHere(); });
    const std::string message = testing::internal::GetCapturedStderr();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    EXPECT_EQ(code, 100);
    EXPECT_EQ(message.rfind("Unable to init SDL: ", 0), 0u) << message;
    EXPECT_EQ(message.back(), '\n');
}

}  // namespace
