// Tests of the keyboard: SDL events through the translation, KeyTable and ring to Kbd_Inkey,
// Alt-code entry, lock and shift state, the stop, Pause and full-screen keys.
#include "keyboard.h"

#include <SDL_keysym.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "errors.h"
#include "low_memory.h"
#include "platform.h"
#include "shared_words.h"

namespace {

using namespace std::string_literals;

// A clock whose sleeps are a tenth of real time.
class QuickClock final : public plat::Clock {
  public:
    uint32_t ticks_ms() override { return 0; }
    void delay_ms(uint32_t delay_ms) override {
        if (delay_ms == 0) {
            std::this_thread::yield();
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(100 * delay_ms));
        }
    }
    plat::TimeOfDay local_time() override { return {}; }
};

// A window that only answers app_state; the rest is never called by the keyboard.
class FocusWindow final : public plat::Window {
  public:
    bool poll_event(plat::WindowEvent&) override { return false; }
    void inject_event(const plat::WindowEvent&) override {}
    uint8_t app_state() override { return state; }
    void enable_key_repeat(int, int) override {}
    plat::LockKeyState lock_keys() override { return {}; }
    std::vector<plat::ScreenSize> full_screen_sizes(bool& any_size) override {
        any_size = false;
        return {};
    }
    plat::VideoSurface* set_video_mode(int, int, bool) override { return nullptr; }
    void update() override {}
    void set_caption(const std::string&) override {}
    void set_icon_bmp(const uint8_t*, size_t) override {}
    void set_cursor(const std::vector<std::string>&, int, int) override {}
    void show_cursor(bool) override {}
    void free_cursor() override {}
    uint8_t state = 7;
};

void Down(uint32_t sym, uint16_t ch = 0, uint32_t mod = KMOD_NONE) {
    plat::WindowEvent event;
    event.kind = plat::WindowEvent::Kind::KeyDown;
    event.sym = sym;
    event.mod = mod;
    event.unicode = ch;
    Kbd_HandleEvent(event);
}

void Up(uint32_t sym) {
    plat::WindowEvent event;
    event.kind = plat::WindowEvent::Kind::KeyUp;
    event.sym = sym;
    Kbd_HandleEvent(event);
}

void Type(uint32_t sym, uint16_t ch = 0) {
    Down(sym, ch);
    Up(sym);
}

// Everything in the ring, key by key.
std::vector<std::string> Drain() {
    std::vector<std::string> keys;
    for (RtString key = Kbd_Inkey(); !key.empty(); key = Kbd_Inkey()) keys.push_back(key);
    return keys;
}

std::string DrainJoined() {
    std::string all;
    for (const std::string& key : Drain()) all += key;
    return all;
}

uint8_t LowByte(size_t address) {
    return Rt_LowMemory()[address];
}

class KeyboardTest : public ::testing::Test {
  protected:
    void SetUp() override {
        plat::Platform platform;
        platform.clock = &clock_;
        plat::Plat_Install(platform);
        Err_Reset();
        Rt_ResetWords();
        Kbd_Reset();
    }
    void TearDown() override {
        Err_Reset();
        Rt_ResetWords();
        Kbd_Reset();
        plat::Plat_Install(plat::Platform{});
    }
    QuickClock clock_;
};

// ---- The edge cases of single keys -------------------------------------------------------------

TEST_F(KeyboardTest, SingleKeys) {
    Type(SDLK_UP);
    EXPECT_EQ(Kbd_Inkey(), "\0H"s);
    Type(SDLK_F1);
    EXPECT_EQ(Kbd_Inkey(), "\0;"s);
    Type(SDLK_RETURN, 13);
    EXPECT_EQ(Kbd_Inkey(), "\r");
    Type(SDLK_ESCAPE, 27);
    EXPECT_EQ(Kbd_Inkey(), "\x1B");
    Type(SDLK_BACKSPACE, 8);
    EXPECT_EQ(Kbd_Inkey(), "\b");
    Type(SDLK_BACKSPACE, 127);  // some systems type DEL for Backspace
    EXPECT_EQ(Kbd_Inkey(), "\b");
    Type(SDLK_DELETE, 127);
    EXPECT_EQ(Kbd_Inkey(), "\0S"s);
    Type(SDLK_RIGHT);
    EXPECT_EQ(Kbd_Inkey(), "\0M"s);
    EXPECT_EQ(Kbd_Inkey(), "");
}

TEST_F(KeyboardTest, SixteenKeysWithoutPollingGiveTheFirstFifteen) {
    const std::string letters = "abcdefghijklmnop";
    for (char c : letters) Type(static_cast<uint32_t>(c), static_cast<uint16_t>(c));
    std::vector<std::string> expected;
    for (int i = 0; i < 15; ++i)
        expected.push_back(std::string(1, letters[static_cast<size_t>(i)]));
    EXPECT_EQ(Drain(), expected);
    // The ring works on after being full.
    Type('q', 'q');
    EXPECT_EQ(Drain(), std::vector<std::string>{"q"});
}

TEST_F(KeyboardTest, RingOffsetsRunFromThirtyToSixtyAndWrap) {
    auto word = [](size_t address) { return LowByte(address) | (LowByte(address + 1) << 8); };
    EXPECT_EQ(word(kLowMemKeyRingHead), 30);
    EXPECT_EQ(word(kLowMemKeyRingTail), 30);
    Type('a', 'a');
    EXPECT_EQ(word(kLowMemKeyRingTail), 32);
    EXPECT_EQ(LowByte(0x41E), 'a');
    EXPECT_EQ(LowByte(0x41F), 30);  // the scan code of A
    EXPECT_EQ(Kbd_Inkey(), "a");
    EXPECT_EQ(word(kLowMemKeyRingHead), 32);
    for (int i = 0; i < 15; ++i) {
        Type('b', 'b');
        EXPECT_EQ(Kbd_Inkey(), "b");
    }
    EXPECT_EQ(word(kLowMemKeyRingHead), 30);  // 32 and 15 slots on: past 60 it wraps to 30
    EXPECT_EQ(word(kLowMemKeyRingTail), 30);
}

TEST_F(KeyboardTest, InkeyReturnsNothingWhileAnErrorIsPendingAndKeepsTheKey) {
    Type('a', 'a');
    Err_Raise(5);
    EXPECT_EQ(Kbd_Inkey(), "");
    Err_Reset();
    EXPECT_EQ(Kbd_Inkey(), "a");
}

TEST_F(KeyboardTest, KeyRepeatEntersTheRingAgain) {
    Down(SDLK_LEFT);
    Down(SDLK_LEFT);
    Down(SDLK_LEFT);
    Up(SDLK_LEFT);
    EXPECT_EQ(Drain(), (std::vector<std::string>{"\0K"s, "\0K"s, "\0K"s}));
    EXPECT_FALSE(Kbd_IsHeld(0x4B00));
}

// ---- Alt-code entry ---------------------------------------------------------------------------

TEST_F(KeyboardTest, AltSixFiveOnTheKeypadGivesA) {
    for (bool num_lock : {true, false}) {
        Down(SDLK_LALT);
        Type(SDLK_KP6, num_lock ? '6' : 0);
        Type(SDLK_KP5, num_lock ? '5' : 0);
        Up(SDLK_LALT);
        EXPECT_EQ(Drain(), std::vector<std::string>{"A"}) << num_lock;
        EXPECT_FALSE(Kbd_IsHeld(kKeyLeftAlt));
        EXPECT_FALSE(Kbd_IsHeld('A'));
    }
}

TEST_F(KeyboardTest, AltCodeTakesTheValueModulo256) {
    Down(SDLK_RALT);
    for (uint32_t digit : {3u, 2u, 1u}) Type(SDLK_KP0 + digit, 0);  // 321 -> 65
    Up(SDLK_RALT);
    Down(SDLK_LALT);
    for (uint32_t digit : {1u, 3u, 0u}) Type(SDLK_KP0 + digit, 0);  // 130: e acute
    Up(SDLK_LALT);
    Down(SDLK_LALT);
    for (uint32_t digit : {2u, 5u, 6u}) Type(SDLK_KP0 + digit, 0);  // 256 -> 0
    Up(SDLK_LALT);
    EXPECT_EQ(Drain(), (std::vector<std::string>{"A", "\x82", "\0"s}));
}

TEST_F(KeyboardTest, AnotherKeyCancelsAltCodeEntry) {
    Down(SDLK_LALT);
    Type(SDLK_KP6, 0);
    Type('x', 'x');  // Alt+X
    Type(SDLK_KP5, 0);
    Up(SDLK_LALT);
    EXPECT_EQ(Drain(), std::vector<std::string>{"\0-"s});
}

TEST_F(KeyboardTest, AltAloneTypesNothing) {
    Type(SDLK_LALT);
    Type(SDLK_RALT);
    EXPECT_EQ(Kbd_Inkey(), "");
}

// ---- Caps Lock, Shift, Ctrl -----------------------------------------------------------------

TEST_F(KeyboardTest, CapsLockAndShiftTogetherGiveSmallLetters) {
    plat::LockKeyState state;
    state.caps_toggled = true;
    Kbd_SyncLockKeys(state, false);
    Type('a');  // no character delivered: the letter comes from the key
    Down(SDLK_LSHIFT);
    Type('a');
    Up(SDLK_LSHIFT);
    EXPECT_EQ(Drain(), (std::vector<std::string>{"A", "a"}));
    Type('a');
    EXPECT_EQ(Kbd_Inkey(), "A");
    Kbd_SyncLockKeys(plat::LockKeyState{}, false);
    Type('a');
    EXPECT_EQ(Kbd_Inkey(), "a");
}

TEST_F(KeyboardTest, CtrlLettersGiveTheirControlBytes) {
    Down(SDLK_LCTRL);
    Type('a', 1);
    Type('z', 26);
    Type('a');  // Ctrl+A without a character
    Up(SDLK_LCTRL);
    EXPECT_EQ(Drain(), (std::vector<std::string>{"\x01", "\x1A", "\x01"}));
}

TEST_F(KeyboardTest, CtrlWithPunctuation) {
    Down(SDLK_LCTRL);
    Type(SDLK_LEFTBRACKET, 27);
    Type(SDLK_BACKSLASH, 28);
    Type(SDLK_RIGHTBRACKET, 29);
    Type('6', 30);
    Type('2');
    Type(SDLK_MINUS);
    Type(SDLK_RETURN, 10);
    Type(SDLK_SPACE, 32);
    Type(SDLK_ESCAPE, 27);
    Up(SDLK_LCTRL);
    EXPECT_EQ(Drain(), (std::vector<std::string>{"\x1B", "\x1C", "\x1D", "\x1E", "\0\x03"s, "\x1F",
                                                 "\n", " ", "\x1B"}));
}

TEST_F(KeyboardTest, AltGrTypesThePlainCharacter) {
    Down(SDLK_LCTRL);
    Down(SDLK_RALT);
    Type(SDLK_SEMICOLON, '@');
    Up(SDLK_RALT);
    Up(SDLK_LCTRL);
    EXPECT_EQ(Drain(), std::vector<std::string>{"@"});
}

TEST_F(KeyboardTest, TypedCharactersOutsideAscii) {
    Type(SDLK_WORLD_0, 0x00E8);  // e grave
    Type(SDLK_WORLD_1, 0x00E0);  // a grave
    Type(SDLK_WORLD_2, 0xFF21);  // full-width A
    Type(SDLK_WORLD_3, 0x3000);  // ideographic space
    Type(SDLK_WORLD_4, 0x4E2D);  // not in code page 437: no key
    Type(SDLK_WORLD_5, 0x2591);  // light shade
    EXPECT_EQ(Drain(), (std::vector<std::string>{"\x8A", "\x85", "A", " ", "\xB0"}));
}

TEST_F(KeyboardTest, CharacterWithoutAKeyIsReleasedAtOnce) {
    Down(0, 'x');
    EXPECT_EQ(Kbd_Inkey(), "x");
    EXPECT_FALSE(Kbd_IsHeld('x'));
}

TEST_F(KeyboardTest, KeysWithoutCharacterGiveNothing) {
    Type(SDLK_LSHIFT);
    Type(SDLK_LCTRL);
    Type(SDLK_NUMLOCK);
    Type(SDLK_F13);
    Type(SDLK_MENU);
    Type(SDLK_MINUS);  // punctuation without a character
    EXPECT_EQ(Kbd_Inkey(), "");
}

// ---- Held keys and the shift-state bytes -------------------------------------------------------

TEST_F(KeyboardTest, HeldKeysFollowTheirSdlKeys) {
    Down('a', 'a');
    EXPECT_TRUE(Kbd_IsHeld('a'));
    Up('a');
    EXPECT_FALSE(Kbd_IsHeld('a'));
    Down(SDLK_KP5, '5');
    EXPECT_TRUE(Kbd_IsHeld('5'));  // a digit finds its keypad key
    Up(SDLK_KP5);
    EXPECT_FALSE(Kbd_IsHeld('5'));
    Down(SDLK_KP8, 0);
    EXPECT_TRUE(Kbd_IsHeld(0x4800));  // Up finds keypad 8 as an editing key
    Up(SDLK_KP8);
    Down(SDLK_KP_ENTER, 13);
    EXPECT_TRUE(Kbd_IsHeld(13));
    Up(SDLK_KP_ENTER);
    EXPECT_FALSE(Kbd_IsHeld(13));
    Drain();
}

TEST_F(KeyboardTest, ShiftStateBytes) {
    EXPECT_EQ(LowByte(kLowMemShiftState1), 0);
    EXPECT_EQ(LowByte(kLowMemShiftState3), 0x10);
    Down(SDLK_RSHIFT);
    EXPECT_EQ(LowByte(kLowMemShiftState1), 1);
    Down(SDLK_LSHIFT);
    EXPECT_EQ(LowByte(kLowMemShiftState1), 3);
    Up(SDLK_RSHIFT);
    Up(SDLK_LSHIFT);
    Down(SDLK_LCTRL);
    EXPECT_EQ(LowByte(kLowMemShiftState1), 4);
    EXPECT_EQ(LowByte(kLowMemShiftState2), 1);
    Up(SDLK_LCTRL);
    Down(SDLK_RCTRL);
    EXPECT_EQ(LowByte(kLowMemShiftState1), 4);
    EXPECT_EQ(LowByte(kLowMemShiftState2), 0);
    EXPECT_EQ(LowByte(kLowMemShiftState3), 0x14);
    Up(SDLK_RCTRL);
    Down(SDLK_LALT);
    EXPECT_EQ(LowByte(kLowMemShiftState1), 8);
    EXPECT_EQ(LowByte(kLowMemShiftState2), 2);
    Up(SDLK_LALT);
    Down(SDLK_RALT);
    EXPECT_EQ(LowByte(kLowMemShiftState3), 0x18);
    Up(SDLK_RALT);
    EXPECT_EQ(LowByte(kLowMemShiftState1), 0);
    EXPECT_EQ(LowByte(kLowMemShiftState2), 0);
    EXPECT_EQ(LowByte(kLowMemShiftState3), 0x10);
    plat::LockKeyState locks;
    locks.caps_toggled = true;
    locks.num_toggled = true;
    Kbd_SyncLockKeys(locks, false);
    EXPECT_EQ(LowByte(kLowMemShiftState1), 32 | 64);
    Kbd_SyncLockKeys(plat::LockKeyState{}, false);
    EXPECT_EQ(LowByte(kLowMemShiftState1), 0);
}

TEST_F(KeyboardTest, InsertTogglesTheInsertState) {
    Down(SDLK_INSERT);
    EXPECT_EQ(LowByte(kLowMemShiftState1), 128);
    EXPECT_EQ(LowByte(kLowMemShiftState2), 128);
    Down(SDLK_INSERT);  // a repeat does not toggle again
    EXPECT_EQ(LowByte(kLowMemShiftState1), 128);
    Up(SDLK_INSERT);
    EXPECT_EQ(LowByte(kLowMemShiftState1), 128);
    EXPECT_EQ(LowByte(kLowMemShiftState2), 0);
    Type(SDLK_INSERT);
    EXPECT_EQ(LowByte(kLowMemShiftState1), 0);
    Down(SDLK_LSHIFT);
    Type(SDLK_INSERT);  // Shift+Insert does not toggle
    Up(SDLK_LSHIFT);
    EXPECT_EQ(LowByte(kLowMemShiftState1), 0);
    EXPECT_EQ(Drain(), (std::vector<std::string>{"\0R"s, "\0R"s, "\0R"s, "\0R"s}));
}

TEST_F(KeyboardTest, ScrollLockTogglesItsState) {
    Down(SDLK_SCROLLOCK);
    EXPECT_EQ(LowByte(kLowMemShiftState1), 16);
    EXPECT_EQ(LowByte(kLowMemShiftState2), 16);
    Down(SDLK_SCROLLOCK);  // repeat
    Up(SDLK_SCROLLOCK);
    EXPECT_EQ(LowByte(kLowMemShiftState1), 16);
    EXPECT_EQ(LowByte(kLowMemShiftState2), 0);
    Type(SDLK_SCROLLOCK);
    EXPECT_EQ(LowByte(kLowMemShiftState1), 0);
    EXPECT_EQ(Kbd_Inkey(), "");
    EXPECT_EQ(Rt_Words().programEnded.load(), 0);
}

TEST_F(KeyboardTest, LockKeysAtStartUp) {
    plat::LockKeyState state;
    state.caps_toggled = true;
    state.num_toggled = true;
    state.scroll_toggled = true;
    state.scroll_down = true;
    state.left_ctrl = true;
    state.right_alt = true;
    Kbd_SyncLockKeys(state, true);
    EXPECT_EQ(LowByte(kLowMemShiftState1), 4 | 8 | 16 | 32 | 64);
    EXPECT_EQ(LowByte(kLowMemShiftState2), 1 | 16);
    EXPECT_EQ(LowByte(kLowMemShiftState3), 0x18);
    // Keys held at start-up act as held keys, not as the keys they would be if typed now:
    // Ctrl with Num Lock is no Pause, Ctrl with Scroll Lock no stop key.
    EXPECT_EQ(Rt_Words().waitMask.load(), 0);
    EXPECT_EQ(Rt_Words().programEnded.load(), 0);
    EXPECT_TRUE(Kbd_IsHeld(kKeyScrollState));
    // Their releases clear them.
    Up(SDLK_LCTRL);
    Up(SDLK_RALT);
    Up(SDLK_SCROLLOCK);
    EXPECT_EQ(LowByte(kLowMemShiftState1), 16 | 32 | 64);
    EXPECT_EQ(LowByte(kLowMemShiftState2), 0);
}

TEST_F(KeyboardTest, KeysHeldWhenTheWindowLosesFocusAreReleased) {
    FocusWindow window;
    plat::Platform platform;
    platform.clock = &clock_;
    platform.window = &window;
    plat::Plat_Install(platform);
    plat::LockKeyState locks;
    locks.caps_toggled = true;
    Kbd_SyncLockKeys(locks, false);
    Down(SDLK_LALT);
    Down(SDLK_TAB, 9);  // Alt+Tab: the release goes to another window
    window.state = 1;
    Kbd_SyncLockKeys(locks, false);
    EXPECT_FALSE(Kbd_IsHeld(kKeyLeftAlt));
    EXPECT_TRUE(Kbd_IsHeld(kKeyCapsLock));
    window.state = 7;
    Kbd_SyncLockKeys(locks, false);
    Type('a', 'a');
    EXPECT_EQ(Kbd_Inkey(), "a");
}

// ---- Stop, Pause, full screen ---------------------------------------------------------------

TEST_F(KeyboardTest, CtrlBreakEndsTheProgram) {
    Down(SDLK_LCTRL);
    Type(SDLK_BREAK);
    Up(SDLK_LCTRL);
    EXPECT_EQ(Rt_Words().programEnded.exchange(0), 1);
    EXPECT_EQ(Rt_Words().exitRequest.load(), 0);
    EXPECT_EQ(Kbd_Inkey(), "");

    // X11 reports Ctrl+Break as the Pause key with Ctrl among its modifiers, after the Ctrl
    // press itself; with either Ctrl it stops the program and does not pause it.
    for (const auto& [ctrl_sym, ctrl_mod] :
         {std::pair{SDLK_LCTRL, KMOD_LCTRL}, std::pair{SDLK_RCTRL, KMOD_RCTRL}}) {
        Down(ctrl_sym, 0, ctrl_mod);
        Down(SDLK_PAUSE, 0, ctrl_mod);
        Up(SDLK_PAUSE);
        Up(ctrl_sym);
        EXPECT_EQ(Rt_Words().programEnded.exchange(0), 1);
        EXPECT_EQ(Rt_Words().waitMask.load(), 0);
    }
    // The modifier alone is enough when the Ctrl press went to another window.
    Down(SDLK_PAUSE, 0, KMOD_LCTRL);
    Up(SDLK_PAUSE);
    EXPECT_EQ(Rt_Words().programEnded.exchange(0), 1);
    EXPECT_EQ(Rt_Words().waitMask.load(), 0);
    Type('a', 'a');  // nothing waits for a key that would end a pause
    EXPECT_EQ(Kbd_Inkey(), "a");
}

TEST_F(KeyboardTest, CtrlScrollLockAndCtrlF15AreStopKeysToo) {
    Down(SDLK_RCTRL);
    Type(SDLK_SCROLLOCK);
    EXPECT_EQ(Rt_Words().programEnded.exchange(0), 1);
    EXPECT_EQ(LowByte(kLowMemShiftState1) & 16, 0);  // the Scroll Lock state did not toggle
    Type(SDLK_F15);
    EXPECT_EQ(Rt_Words().programEnded.exchange(0), 1);
    Up(SDLK_RCTRL);
    Type(SDLK_F15);
    EXPECT_EQ(Rt_Words().programEnded.load(), 0);
}

TEST_F(KeyboardTest, StopKeyIsReportedToAProgramThatInterceptsIt) {
    Rt_Words().exitIntercept = 1;
    Type(SDLK_BREAK);
    EXPECT_EQ(Rt_Words().programEnded.load(), 0);
    EXPECT_EQ(Rt_Words().exitRequest.load(), 2);
}

TEST_F(KeyboardTest, AltEnterIsAFullScreenRequestAndNeverDelivered) {
    Down(SDLK_LALT);
    Type(SDLK_RETURN, 13);
    Up(SDLK_LALT);
    Down(SDLK_RALT);
    Type(SDLK_RETURN, 13);
    Up(SDLK_RALT);
    EXPECT_EQ(Rt_Words().fullScreenRequests.load(), 2);
    EXPECT_EQ(Kbd_Inkey(), "");
    Type(SDLK_RETURN, 13);
    EXPECT_EQ(Kbd_Inkey(), "\r");
    EXPECT_EQ(Rt_Words().fullScreenRequests.load(), 2);
}

TEST_F(KeyboardTest, PauseHoldsTheProgramAtItsStatementCheckUntilAnotherKey) {
    Type(SDLK_PAUSE);
    EXPECT_EQ(Rt_Words().waitMask.load() & kWaitPause, kWaitPause);
    EXPECT_EQ(Rt_Words().checkRequest.load(), 1);
    EXPECT_EQ(LowByte(kLowMemShiftState2) & 8, 0);  // released again

    std::atomic<bool> passed{false};
    std::thread program([&passed] {
        Err_EndStatement(100);
        passed = true;
    });
    // However long the program thread runs, it stays at its check while paused.
    for (int i = 0; i < 20 && !passed; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_FALSE(passed.load());

    Type('x', 'x');  // any key ends the pause, and is consumed
    program.join();
    EXPECT_TRUE(passed.load());
    EXPECT_EQ(Rt_Words().waitMask.load(), 0);
    Type('y', 'y');
    EXPECT_EQ(Drain(), std::vector<std::string>{"y"});
}

TEST_F(KeyboardTest, TheKeyThatEndsThePauseIsNotDelivered) {
    Type(SDLK_PAUSE);
    Type(SDLK_UP);
    EXPECT_EQ(Rt_Words().waitMask.load(), 0);
    EXPECT_EQ(Kbd_Inkey(), "");
    Down(SDLK_LCTRL);
    Type(SDLK_NUMLOCK);  // Ctrl+Num Lock pauses too
    Up(SDLK_LCTRL);
    EXPECT_EQ(Rt_Words().waitMask.load(), kWaitPause);
    Type('a', 'a');
    EXPECT_EQ(Rt_Words().waitMask.load(), 0);
    EXPECT_EQ(Kbd_Inkey(), "");
}

TEST_F(KeyboardTest, PauseKeepsTheSoundBitOfTheWaitMask) {
    Rt_Words().waitMask = kWaitSound;
    Type(SDLK_PAUSE);
    EXPECT_EQ(Rt_Words().waitMask.load(), kWaitSound | kWaitPause);
    Type('a', 'a');
    EXPECT_EQ(Rt_Words().waitMask.load(), kWaitSound);
}

// ---- Kbd_ReadChars --------------------------------------------------------------------------

TEST_F(KeyboardTest, ReadCharsTakesTheFirstByteOfEachKey) {
    Type(SDLK_UP);
    EXPECT_EQ(Kbd_ReadChars(1), "\0"s);
    Type('a', 'a');
    Type(SDLK_F1);
    Type('b', 'b');
    EXPECT_EQ(Kbd_ReadChars(3), "a\0b"s);
    EXPECT_EQ(Kbd_ReadChars(0), "");
}

TEST_F(KeyboardTest, ReadCharsWaitsForKeysTypedLater) {
    std::thread typist([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        Type('o', 'o');
        Type('k', 'k');
    });
    EXPECT_EQ(Kbd_ReadChars(2), "ok");
    typist.join();
}

TEST_F(KeyboardTest, ReadCharsWithANegativeCountIsError52) {
    EXPECT_EQ(Kbd_ReadChars(-1), "");
    EXPECT_EQ(Err_Pending(), 52u);
    EXPECT_EQ(Kbd_ReadChars(1), "");  // nothing while the error is pending
}

TEST_F(KeyboardTest, ReadCharsEndsWhenTheProgramStops) {
    Rt_Words().stop = 1;
    EXPECT_EQ(Kbd_ReadChars(1), "");
}

// ---- KeyTable ---------------------------------------------------------------------------------

TEST_F(KeyboardTest, KeyTableHasItsRows) {
    const auto& table = Kbd_KeyTable();
    int character_rows = 0;
    int extended_rows = 0;
    for (size_t i = 0; i < 256; ++i) character_rows += table[i].plain != 0 ? 1 : 0;
    for (size_t i = 256; i < 512; ++i) extended_rows += table[i].plain != 0 ? 1 : 0;
    EXPECT_EQ(character_rows, 4 + 95);
    EXPECT_EQ(extended_rows, 22);
    for (size_t i = 0; i < 256; ++i) {
        const bool carries = i == 8 || i == 9 || i == 13 || i == 27 || (i >= 32 && i <= 126);
        EXPECT_EQ(table[i].scanCode != 0, carries) << i;
    }
    for (size_t i = 512; i < 528; ++i) EXPECT_NE(table[i].plain, 0u) << i;
    for (const KeyTableRow& row : table) {
        EXPECT_EQ(row.unused1, 0u);
        EXPECT_EQ(row.unused2, 0u);
    }
}

// Every row and column of the table, entered as its runtime code with the modifier held, gives
// the stored pair the table describes.
TEST_F(KeyboardTest, EveryKeyTableValueReachesTheRingAsDescribed) {
    const auto& table = Kbd_KeyTable();
    const uint32_t modifiers[4] = {0, SDLK_LSHIFT, SDLK_LCTRL, SDLK_LALT};
    for (size_t index = 0; index < kKeyTableRows; ++index) {
        const KeyTableRow& row = table[index];
        for (int column = 0; column < 4; ++column) {
            int32_t code = 0;
            if (index < 256) {
                code = static_cast<int32_t>(index);
            } else if (index < 512) {
                code = static_cast<int32_t>(index - 256) << 8;
                if (code == 0) continue;
            } else {
                code = kKeyPadEdit0 + static_cast<int32_t>(index - 512);
                if (index > 522) code = kKeyPad0 + static_cast<int32_t>(index - 512);
            }
            const uint32_t values[4] = {row.plain, row.shift, row.ctrl, row.alt};
            uint32_t value = values[column];
            if (index > 522) {  // divide ... Enter: the keypad-digit columns
                value = column == 0 ? row.keypadDigit : column == 1 ? row.keypadDigitShift : value;
            }
            std::string expected;
            if (index < 512 && row.scanCode == 0) {
                expected = index < 256 ? std::string(1, static_cast<char>(index))
                                       : "\0"s + static_cast<char>(index - 256);
            } else if (value >= 256) {
                expected = "\0"s + static_cast<char>(value >> 8);
            } else if (value != 0) {
                expected = std::string(1, static_cast<char>(value));
            }
            if (code == 13 && column == 3) continue;  // Alt+Enter: full screen
            if (modifiers[column] != 0) Down(modifiers[column]);
            Kbd_KeyDown(code);
            Kbd_KeyUp(code);
            if (modifiers[column] != 0) Up(modifiers[column]);
            const std::string got = DrainJoined();
            ASSERT_EQ(got, expected) << "row " << index << " column " << column;
            Kbd_Reset();
        }
    }
}

// The rows the game can meet, from the keys as SDL reports them: each entry gives the SDL key,
// the character SDL delivers with no modifier, Shift, Ctrl and Alt, and what Kbd_Inkey returns.
struct KeyCase {
    const char* name;
    uint32_t sym;
    uint16_t ch[4];
    std::string expected[4];
};

std::vector<KeyCase> GameKeyCases() {
    const std::string none;
    std::vector<KeyCase> cases = {
        {"Backspace", SDLK_BACKSPACE, {8, 8, 127, 8}, {"\b", "\b", "\x7F", "\0\x0E"s}},
        // Ctrl+Tab without a character reaches the Tab row; with character 9 it is Ctrl+I.
        {"Tab", SDLK_TAB, {9, 9, 0, 9}, {"\t", "\0\x0F"s, "\0\x94"s, none}},
        {"Ctrl+I", SDLK_TAB, {9, 9, 9, 9}, {"\t", "\0\x0F"s, "\t", none}},
        {"Enter", SDLK_RETURN, {13, 13, 10, 13}, {"\r", "\r", "\n", none}},
        {"Esc", SDLK_ESCAPE, {27, 27, 27, 27}, {"\x1B", "\x1B", "\x1B", none}},
        {"Space", SDLK_SPACE, {32, 32, 32, 32}, {" ", " ", " ", none}},
    };
    // Digits: Ctrl gives nothing but for 2 (no character: 0,3) and 6 (character 30).
    const char digits[] = "1234567890";
    for (int i = 0; i < 10; ++i) {
        const char d = digits[i];
        const uint16_t ctrl_ch = d == '2' ? 0 : d == '6' ? 30 : static_cast<uint16_t>(d);
        const std::string ctrl = d == '2' ? "\0\x03"s : d == '6' ? "\x1E" : none;
        const std::string alt = "\0"s + static_cast<char>(120 + i);
        cases.push_back({"digit",
                         static_cast<uint32_t>(d),
                         {static_cast<uint16_t>(d), static_cast<uint16_t>(d), ctrl_ch,
                          static_cast<uint16_t>(d)},
                         {std::string(1, d), std::string(1, d), ctrl, alt}});
    }
    const int letter_scan[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                 49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
    for (int i = 0; i < 26; ++i) {
        const char lower = static_cast<char>('a' + i);
        const char upper = static_cast<char>('A' + i);
        cases.push_back({"letter",
                         static_cast<uint32_t>(lower),
                         {static_cast<uint16_t>(lower), static_cast<uint16_t>(upper),
                          static_cast<uint16_t>(i + 1), static_cast<uint16_t>(lower)},
                         {std::string(1, lower), std::string(1, upper),
                          std::string(1, static_cast<char>(i + 1)),
                          "\0"s + static_cast<char>(letter_scan[i])}});
    }
    for (int i = 0; i < 10; ++i) {
        auto key = [](int scan) { return "\0"s + static_cast<char>(scan); };
        cases.push_back({"F1-F10",
                         static_cast<uint32_t>(SDLK_F1 + i),
                         {0, 0, 0, 0},
                         {key(59 + i), key(84 + i), key(94 + i), key(104 + i)}});
    }
    auto key = [](int scan) { return "\0"s + static_cast<char>(scan); };
    const struct {
        const char* name;
        uint32_t sym;
        int plain, ctrl, alt;
        int shift;
    } extended[] = {
        {"F11", SDLK_F11, 133, 137, 139, 133},     {"F12", SDLK_F12, 134, 138, 140, 134},
        {"Home", SDLK_HOME, 71, 119, 151, 71},     {"Up", SDLK_UP, 72, 141, 152, 72},
        {"PgUp", SDLK_PAGEUP, 73, 132, 153, 73},   {"Left", SDLK_LEFT, 75, 115, 155, 75},
        {"Right", SDLK_RIGHT, 77, 116, 157, 77},   {"End", SDLK_END, 79, 117, 159, 79},
        {"Down", SDLK_DOWN, 80, 145, 160, 80},     {"PgDn", SDLK_PAGEDOWN, 81, 118, 161, 81},
        {"Insert", SDLK_INSERT, 82, 146, 162, 82}, {"Delete", SDLK_DELETE, 83, 147, 163, 83},
    };
    for (const auto& e : extended) {
        cases.push_back(
            {e.name, e.sym, {0, 0, 0, 0}, {key(e.plain), key(e.shift), key(e.ctrl), key(e.alt)}});
    }
    return cases;
}

TEST_F(KeyboardTest, EveryKeyTheGameCanMeetInEveryColumn) {
    const uint32_t modifiers[4] = {0, SDLK_LSHIFT, SDLK_LCTRL, SDLK_LALT};
    const char* column_names[4] = {"plain", "Shift", "Ctrl", "Alt"};
    for (const KeyCase& c : GameKeyCases()) {
        for (int column = 0; column < 4; ++column) {
            if (modifiers[column] != 0) Down(modifiers[column]);
            Type(c.sym, c.ch[column]);
            if (modifiers[column] != 0) Up(modifiers[column]);
            EXPECT_EQ(DrainJoined(), c.expected[column])
                << c.name << " sym " << c.sym << " " << column_names[column];
            Kbd_Reset();
        }
    }
}

TEST_F(KeyboardTest, KeypadWithAndWithoutNumLock) {
    const char digits[] = "0123456789.";
    const int editing[11] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73, 83};
    const int ctrl[11] = {146, 117, 145, 118, 115, 143, 116, 119, 141, 132, 147};
    for (int i = 0; i < 11; ++i) {
        const uint32_t sym = static_cast<uint32_t>(SDLK_KP0 + i);
        const auto ch = static_cast<uint16_t>(digits[i]);
        const std::string digit(1, digits[i]);
        const std::string edit = "\0"s + static_cast<char>(editing[i]);
        Type(sym, ch);  // Num Lock on
        EXPECT_EQ(DrainJoined(), digit) << i;
        Down(SDLK_LSHIFT);
        Type(sym, ch);
        Up(SDLK_LSHIFT);
        EXPECT_EQ(DrainJoined(), edit) << i;
        Type(sym, 0);  // Num Lock off
        EXPECT_EQ(DrainJoined(), edit) << i;
        Down(SDLK_LSHIFT);
        Type(sym, 0);
        Up(SDLK_LSHIFT);
        EXPECT_EQ(DrainJoined(), digit) << i;
        Down(SDLK_LCTRL);
        Type(sym, 0);
        Up(SDLK_LCTRL);
        EXPECT_EQ(DrainJoined(), "\0"s + static_cast<char>(ctrl[i])) << i;
    }
    const struct {
        uint32_t sym;
        char c;
        int ctrl;
        int alt;
    } signs[] = {{SDLK_KP_DIVIDE, '/', 149, 164},
                 {SDLK_KP_MULTIPLY, '*', 150, 55},
                 {SDLK_KP_MINUS, '-', 142, 74},
                 {SDLK_KP_PLUS, '+', 144, 78}};
    for (const auto& s : signs) {
        Type(s.sym, static_cast<uint16_t>(s.c));
        Type(s.sym, 0);
        Down(SDLK_LSHIFT);
        Type(s.sym, static_cast<uint16_t>(s.c));
        Up(SDLK_LSHIFT);
        EXPECT_EQ(DrainJoined(), std::string(3, s.c));
        Down(SDLK_LCTRL);
        Type(s.sym, 0);
        Up(SDLK_LCTRL);
        EXPECT_EQ(DrainJoined(), "\0"s + static_cast<char>(s.ctrl));
        Down(SDLK_LALT);
        Type(s.sym, 0);
        Up(SDLK_LALT);
        EXPECT_EQ(DrainJoined(), "\0"s + static_cast<char>(s.alt));
    }
    Type(SDLK_KP_ENTER, 13);
    EXPECT_EQ(DrainJoined(), "\r");
    Down(SDLK_LCTRL);
    Type(SDLK_KP_ENTER, 0);
    Up(SDLK_LCTRL);
    EXPECT_EQ(DrainJoined(), "\n");
    Down(SDLK_RALT);
    Type(SDLK_KP_ENTER, 13);  // keypad Enter with Alt is a key, not full screen
    Up(SDLK_RALT);
    EXPECT_EQ(DrainJoined(), "\0\xA6"s);
    EXPECT_EQ(Rt_Words().fullScreenRequests.load(), 0);
}

TEST_F(KeyboardTest, ExtendedKeyWithoutARowGivesItsScanCode) {
    Kbd_KeyDown(0x3000);
    EXPECT_EQ(Kbd_Inkey(), "\0\x30"s);
}

}  // namespace
