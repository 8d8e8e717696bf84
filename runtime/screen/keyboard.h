// Keyboard input: SDL key events to runtime key codes, the key ring, Kbd_Inkey.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "rt_string.h"
#include "window.h"

// ---- Runtime key codes ----------------------------------------------------------------------
// 1-255 a code page 437 character; 256-65535 an extended key (scan code x 256); 100000 + SDL
// key symbol for a key without a character; 200000-200010 the keypad keys 0-9 and period while
// they act as editing keys; two pseudo-keys for lock states; typed characters outside code
// page 437 as their code point OR 0x40000000.
constexpr int32_t kKeySdlBase = 100000;
constexpr int32_t kKeyPause = 100019;
constexpr int32_t kKeyPad0 = 100256;  // keypad keys while Num Lock gives digits: 100256-100271
constexpr int32_t kKeyPadEnter = 100271;
constexpr int32_t kKeyF15 = 100296;
constexpr int32_t kKeyNumLock = 100300;
constexpr int32_t kKeyCapsLock = 100301;
constexpr int32_t kKeyScrollLock = 100302;
constexpr int32_t kKeyRightShift = 100303;
constexpr int32_t kKeyLeftShift = 100304;
constexpr int32_t kKeyRightCtrl = 100305;
constexpr int32_t kKeyLeftCtrl = 100306;
constexpr int32_t kKeyRightAlt = 100307;
constexpr int32_t kKeyLeftAlt = 100308;
constexpr int32_t kKeySysReq = 100317;
constexpr int32_t kKeyBreak = 100318;
constexpr int32_t kKeyPadEdit0 = 200000;     // keypad 0-9, period as editing keys: 200000-200010
constexpr int32_t kKeyScrollState = 200011;  // pseudo-key: Scroll Lock is on
constexpr int32_t kKeyInsertState = 200012;  // pseudo-key: Insert mode is on
constexpr int32_t kKeyZeroChar = 200013;     // a key that produced the character 0
constexpr int32_t kKeyForeignChar = 0x40000000;
constexpr int32_t kKeyInsert = 0x5200;

// ---- The key ring and shift-state bytes in LowMemory ----------------------------------------
constexpr size_t kLowMemShiftState1 = 0x417;
constexpr size_t kLowMemShiftState2 = 0x418;
constexpr size_t kLowMemKeyRingHead = 0x41A;  // offset from 0x400, one word
constexpr size_t kLowMemKeyRingTail = 0x41C;
constexpr size_t kLowMemKeyRingSlots = 0x41E;  // 16 slots of (character, scan code)
constexpr size_t kLowMemShiftState3 = 0x496;
constexpr uint16_t kKeyRingFirst = 30;
constexpr uint16_t kKeyRingLast = 60;

// ---- KeyTable -----------------------------------------------------------------------------
// One row per character (0-255), per extended key (256 + scan code) and per keypad key (512-527:
// 0-9, period, divide, multiply, minus, plus, Enter). A value of 0 gives no key; a value of 256
// or more is an extended key (character 0, scan code = value >> 8); otherwise the value is the
// character and the row's scan code goes with it.
struct KeyTableRow {
    uint32_t rowCode = 0;
    uint32_t scanCode = 0;
    uint32_t plain = 0;
    uint32_t shift = 0;
    uint32_t ctrl = 0;
    uint32_t alt = 0;
    uint32_t keypadDigit = 0;
    uint32_t unused1 = 0;
    uint32_t unused2 = 0;
    uint32_t keypadDigitShift = 0;
};
constexpr size_t kKeyTableRows = 528;
constexpr size_t kKeyTableExtended = 256;
constexpr size_t kKeyTableKeypad = 512;
const std::array<KeyTableRow, kKeyTableRows>& Kbd_KeyTable();

// ---- Start-up thread: events and key state ---------------------------------------------------

// Handles one key event of the window on the start-up thread.
void Kbd_HandleEvent(const plat::WindowEvent& event);
// Brings the held-keys list in line with the system. At start-up: the lock toggles and the
// modifier keys that are down. On every event pass: the Caps Lock and Num Lock toggles (Scroll
// Lock is not reported by the window, so the runtime's own toggle stands), and, when the
// window has just lost input focus, the release of every key still held, whose key-up events
// will go to another window.
void Kbd_SyncLockKeys(const plat::LockKeyState& state, bool at_startup);
// A runtime key code pressed and released (the codes above), as event handling produces them.
void Kbd_KeyDown(int32_t code);
void Kbd_KeyUp(int32_t code);
// A typed character given as a Unicode code point.
void Kbd_KeyDownChar(uint32_t code_point);
// Whether a key is held (a character also finds its keypad key, an editing key its keypad key).
bool Kbd_IsHeld(int32_t code);
// Rewrites the shift-state bytes of LowMemory from the held-keys list.
void Kbd_UpdateShiftBytes();

// Empties the key ring (head = tail = the first slot).
void Kbd_ClearRing();
// Forgets every held key, lock state and Alt-code entry, and empties the ring (a fresh start).
void Kbd_Reset();

// ---- Program thread ----------------------------------------------------------------------------

// The next typed key as 0, 1 or 2 bytes, "" when none has been typed. It yields the processor
// on every call; once the ring has been found empty many times in a row (a screen polling
// without pause), it waits for a key for a few milliseconds instead, so that such a screen does
// not keep a core busy. The wait ends at once for a key, a statement-check request or the stop
// flag, and a key already waiting is returned without delay.
RtString Kbd_Inkey();
// Takes every key already in the ring, without waiting for one (the end prompt's drain).
void Kbd_DrainRing();
// Waits until `count` keys have been typed and returns their first bytes (an extended key
// gives 0). A negative count is error 52. The statement check runs while it waits; it ends
// early when the program is stopping.
RtString Kbd_ReadChars(int32_t count);

// The form of Num_Randomize without an argument: asks "Random-number seed (-32768 to 32767)? "
// on the screen, reads a typed integer and seeds the generator with its 16 bits (keeping the
// seed's low byte). It lives here because it needs text output and the keyboard.
void Num_Randomize();
