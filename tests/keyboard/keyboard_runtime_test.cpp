// Keys typed into the real runtime, headless: through the window's event queue, the display
// and event loop, the key ring and the program thread.
#include <SDL_keysym.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "errors.h"
#include "keyboard.h"
#include "numbers.h"
#include "runtime_main.h"
#include "shared_words.h"
#include "test_platform.h"
#include "virtual_clock.h"

namespace {

using namespace std::string_literals;
using testing_support::HeadlessPlatform;

// What the test's main module saw; written on the program thread, read after the run.
std::atomic<int> g_outcome{0};
std::string g_keys;

constexpr int kPolling = 1;
constexpr int kGaveUp = 2;

void Inject(plat::WindowEvent::Kind kind, uint32_t sym, uint16_t ch = 0, uint32_t mod = 0) {
    plat::WindowEvent event;
    event.kind = kind;
    event.sym = sym;
    event.mod = mod;
    event.unicode = ch;
    plat::Plat().window->inject_event(event);
}
void Press(uint32_t sym, uint16_t ch = 0, uint32_t mod = 0) {
    Inject(plat::WindowEvent::Kind::KeyDown, sym, ch, mod);
}
void Release(uint32_t sym) {
    Inject(plat::WindowEvent::Kind::KeyUp, sym);
}

// Polls the keyboard as the game's screens do, statement by statement, for at most two
// minutes of the runtime's clock; collects `wanted` keys and then ends the program.
void CollectKeys(size_t wanted) {
    g_keys.clear();
    const uint32_t start_ms = plat::Plat().clock->ticks_ms();
    while (plat::Plat().clock->ticks_ms() - start_ms < 120'000) {
        g_outcome = kPolling;
        RtString key = Kbd_Inkey();
        END_STATEMENT;
        g_keys += key;
        if (key.size() > 0 && --wanted == 0) break;
    }
    if (wanted != 0) g_outcome = kGaveUp;
    Rt_Words().programEnded = 1;
    Rt_ParkProgramThread();
}

int RunProgram(HeadlessPlatform& headless, MainModule module) {
    g_outcome = 0;
    Kbd_Reset();
    std::string name = "Brunolt";
    char* argv[] = {name.data()};
    return RuntimeRun(1, argv, headless.platform(), module);
}

TEST(KeyboardRuntime, CtrlBreakEndsTheProgramWithExitCodeZero) {
    HeadlessPlatform headless;
    const int code = RunProgram(headless, [] {
        // As X11 delivers Ctrl+Break: Ctrl, then Pause with the Ctrl modifier.
        Press(SDLK_LCTRL, 0, KMOD_LCTRL);
        Press(SDLK_PAUSE, 0, KMOD_LCTRL);
        const uint32_t start_ms = plat::Plat().clock->ticks_ms();
        while (plat::Plat().clock->ticks_ms() - start_ms < 120'000) {
            g_outcome = kPolling;
            RtString key = Kbd_Inkey();
            // Taken for Pause, the key would hold the program at its next statement for good.
            if ((Rt_Words().waitMask.load() & kWaitPause) != 0) break;
            END_STATEMENT;
        }
        g_outcome = kGaveUp;
        Rt_Words().programEnded = 1;
        Rt_ParkProgramThread();
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(g_outcome.load(), kPolling);
    EXPECT_EQ(Rt_Words().programEnded.load(), 1);  // ended by the key, not by a close
    EXPECT_EQ(Rt_Words().finishedThreads.load(), 3);
}

TEST(KeyboardRuntime, ArrowsAndKeysReachTheProgramThread) {
    HeadlessPlatform headless;
    const int code = RunProgram(headless, [] {
        Press(SDLK_RIGHT);
        Release(SDLK_RIGHT);
        Press(SDLK_RETURN, 13);
        Release(SDLK_RETURN);
        Press(SDLK_LALT);
        Press(SDLK_KP6, '6');
        Release(SDLK_KP6);
        Press(SDLK_KP5, '5');
        Release(SDLK_KP5);
        Release(SDLK_LALT);
        CollectKeys(3);
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(g_outcome.load(), kPolling);
    EXPECT_EQ(g_keys, "\0M\rA"s);
}

TEST(KeyboardRuntime, TheKeyThatEndsAPauseIsNotDelivered) {
    HeadlessPlatform headless;
    const int code = RunProgram(headless, [] {
        Press(SDLK_PAUSE);
        Release(SDLK_PAUSE);
        Press('x', 'x');
        Release('x');
        Press('y', 'y');
        Release('y');
        CollectKeys(1);
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(g_outcome.load(), kPolling);
    EXPECT_EQ(g_keys, "y");
    EXPECT_EQ(Rt_Words().waitMask.load() & kWaitPause, 0);
}

TEST(KeyboardRuntime, AltEnterAsksForFullScreenAndIsNotDelivered) {
    HeadlessPlatform headless;
    const int code = RunProgram(headless, [] {
        Press(SDLK_RALT);
        Press(SDLK_RETURN, 13);
        Release(SDLK_RETURN);
        Release(SDLK_RALT);
        Press('z', 'z');
        Release('z');
        CollectKeys(1);
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(g_keys, "z");
}

void TypeText(const char* text) {
    for (const char* c = text; *c != '\0'; ++c) {
        const auto ch = static_cast<uint16_t>(*c);
        // Enter and Backspace have SDL keys of their characters' values.
        Press(ch, ch);
        Release(ch);
    }
}

std::atomic<uint32_t> g_seed{0};

TEST(KeyboardRuntime, RandomizeWithoutArgumentReadsTheSeedFromTheKeyboard) {
    HeadlessPlatform headless;
    const int code = RunProgram(headless, [] {
        Num_SetRndSeed(0x1234AB);
        // An out-of-range number is asked for again; Backspace takes back a character.
        TypeText("40000\r-19\b\r");
        STMT(Num_Randomize());
        g_seed = Num_RndSeed();
        g_outcome = kPolling;
        Rt_Words().programEnded = 1;
        Rt_ParkProgramThread();
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(g_outcome.load(), kPolling);
    EXPECT_EQ(g_seed.load(), 0xFFFFABu);  // -1 as 16 bits, the low byte kept
}

// Polled without pause on an empty ring, as the menu polls it, Kbd_Inkey comes to wait for a
// key instead of spinning; a key, or a check request from another thread, ends that wait in
// the same instant of the clock.
TEST(KeyboardIdle, AnEmptyRingIsWaitedOnAndAKeyOrARequestEndsTheWaitAtOnce) {
    plat::VirtualClock clock(0);
    plat::Platform platform;
    platform.clock = &clock;
    plat::Plat_Install(platform);
    Kbd_Reset();
    Rt_Words().checkRequest = 0;
    Rt_Words().stop = 0;
    const plat::ClockThread on_clock(&clock, "program");

    std::atomic<bool> saw_key_wait{false};
    std::atomic<uint32_t> typed_ms{0};
    std::atomic<uint32_t> requested_ms{0};
    // Another thread: once the program waits for a key (for at most ten seconds of the clock),
    // it types one; a second later, once the program waits again, it asks for a check.
    auto until_key_wait = [&] {
        for (int i = 0; i < 2000 && Rt_Words().keyWait.load() == 0; ++i) clock.delay_ms(5);
        return Rt_Words().keyWait.load() != 0;
    };
    std::thread other(
        [&](plat::ClockSeat seat) {
            const plat::ClockThread other_on_clock(std::move(seat));
            saw_key_wait = until_key_wait();
            typed_ms = clock.ticks_ms();
            Kbd_KeyDown('x');
            clock.delay_ms(1000);
            until_key_wait();
            requested_ms = clock.ticks_ms();
            Rt_RequestCheck();
        },
        plat::ClockSeat(&clock, "other"));

    RtString key;
    while ((key = Kbd_Inkey()).empty()) {
    }
    EXPECT_TRUE(saw_key_wait.load());
    EXPECT_EQ(key, "x");
    EXPECT_EQ(clock.ticks_ms(), typed_ms.load());
    while (Rt_Words().checkRequest.load() == 0) EXPECT_EQ(Kbd_Inkey(), "");
    EXPECT_EQ(clock.ticks_ms(), requested_ms.load());
    EXPECT_GE(requested_ms.load(), typed_ms.load() + 1000);

    const plat::ClockAway away(&clock);
    other.join();
}

}  // namespace
