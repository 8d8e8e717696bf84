// Keyboard: translation of SDL key events, the held-keys list, KeyTable, the key ring, Kbd_Inkey.
#include "keyboard.h"

#include <SDL_keysym.h>

#include <algorithm>
#include <atomic>
#include <vector>

#include "errors.h"
#include "low_memory.h"
#include "platform.h"
#include "shared_words.h"

namespace {

// ---- KeyTable -------------------------------------------------------------------------------

constexpr uint32_t Ext(uint32_t scan) {
    return scan << 8;
}

// PC scan codes of the letters A-Z.
constexpr uint32_t kLetterScan[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                      49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};

// One key of the main block that types two characters (plain, shifted) with its scan code and
// its Ctrl and Alt values, after the PC keyboard BIOS.
struct TypingKey {
    char plain;
    char shifted;
    uint32_t scan;
    uint32_t ctrl;
    uint32_t alt;
};
constexpr TypingKey kTypingKeys[] = {
    {'1', '!', 2, 0, Ext(120)},  {'2', '@', 3, Ext(3), Ext(121)}, {'3', '#', 4, 0, Ext(122)},
    {'4', '$', 5, 0, Ext(123)},  {'5', '%', 6, 0, Ext(124)},      {'6', '^', 7, 30, Ext(125)},
    {'7', '&', 8, 0, Ext(126)},  {'8', '*', 9, 0, Ext(127)},      {'9', '(', 10, 0, Ext(128)},
    {'0', ')', 11, 0, Ext(129)}, {'-', '_', 12, 31, Ext(130)},    {'=', '+', 13, 0, Ext(131)},
    {'[', '{', 26, 27, Ext(26)}, {']', '}', 27, 29, Ext(27)},     {';', ':', 39, 0, Ext(39)},
    {'\'', '"', 40, 0, Ext(40)}, {'`', '~', 41, 0, Ext(41)},      {'\\', '|', 43, 28, Ext(43)},
    {',', '<', 51, 0, Ext(51)},  {'.', '>', 52, 0, Ext(52)},      {'/', '?', 53, 0, Ext(53)},
};

// The 22 extended keys with values: (scan code of the key, code >> 8, plain, Ctrl, Alt); Shift
// gives the plain value, except for F1-F10.
struct ExtendedKey {
    uint32_t scan;
    uint32_t code;
    uint32_t plain;
    uint32_t shift;
    uint32_t ctrl;
    uint32_t alt;
};

constexpr std::array<KeyTableRow, kKeyTableRows> BuildKeyTable() {
    std::array<KeyTableRow, kKeyTableRows> table{};
    auto character = [&table](uint32_t ch, uint32_t scan, uint32_t plain, uint32_t shift,
                              uint32_t ctrl, uint32_t alt) {
        table[ch] = KeyTableRow{ch, scan, plain, shift, ctrl, alt, 0, 0, 0, 0};
    };
    character(8, 14, 8, 8, 127, Ext(14));
    character(9, 15, 9, Ext(15), Ext(148), 0);
    character(13, 28, 13, 13, 10, 0);
    character(27, 1, 27, 27, 27, 0);
    character(32, 57, 32, 32, 32, 0);
    for (uint32_t i = 0; i < 26; ++i) {
        const uint32_t scan = kLetterScan[i];
        character('A' + i, scan, 'A' + i, 'A' + i, 1 + i, Ext(scan));
        character('a' + i, scan, 'a' + i, 'a' + i, 1 + i, Ext(scan));
    }
    for (const TypingKey& key : kTypingKeys) {
        const auto plain = static_cast<uint32_t>(static_cast<unsigned char>(key.plain));
        const auto shifted = static_cast<uint32_t>(static_cast<unsigned char>(key.shifted));
        character(plain, key.scan, plain, plain, key.ctrl, key.alt);
        character(shifted, key.scan, shifted, shifted, key.ctrl, key.alt);
    }

    const ExtendedKey extended[] = {
        {87, 133, Ext(133), Ext(133), Ext(137), Ext(139)},  // F11
        {88, 134, Ext(134), Ext(134), Ext(138), Ext(140)},  // F12
        {71, 71, Ext(71), Ext(71), Ext(119), Ext(151)},     // Home
        {72, 72, Ext(72), Ext(72), Ext(141), Ext(152)},     // Up
        {73, 73, Ext(73), Ext(73), Ext(132), Ext(153)},     // PgUp
        {75, 75, Ext(75), Ext(75), Ext(115), Ext(155)},     // Left
        {77, 77, Ext(77), Ext(77), Ext(116), Ext(157)},     // Right
        {79, 79, Ext(79), Ext(79), Ext(117), Ext(159)},     // End
        {80, 80, Ext(80), Ext(80), Ext(145), Ext(160)},     // Down
        {81, 81, Ext(81), Ext(81), Ext(118), Ext(161)},     // PgDn
        {82, 82, Ext(82), Ext(82), Ext(146), Ext(162)},     // Insert
        {83, 83, Ext(83), Ext(83), Ext(147), Ext(163)},     // Delete
    };
    auto extended_row = [&table](const ExtendedKey& key) {
        table[kKeyTableExtended + key.code] = KeyTableRow{
            Ext(key.code), key.scan, key.plain, key.shift, key.ctrl, key.alt, 0, 0, 0, 0};
    };
    for (uint32_t i = 0; i < 10; ++i) {  // F1-F10
        extended_row({59 + i, 59 + i, Ext(59 + i), Ext(84 + i), Ext(94 + i), Ext(104 + i)});
    }
    for (const ExtendedKey& key : extended) extended_row(key);

    // Keypad 0-9 and period: editing key (plain and digit-with-Shift), digit (Shift and digit).
    const uint32_t keypad_scan[11] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73, 83};
    const uint32_t keypad_ctrl[11] = {146, 117, 145, 118, 115, 143, 116, 119, 141, 132, 147};
    for (uint32_t i = 0; i < 11; ++i) {
        const uint32_t digit = i < 10 ? '0' + i : '.';
        const uint32_t editing = Ext(keypad_scan[i]);
        table[kKeyTableKeypad + i] = KeyTableRow{static_cast<uint32_t>(kKeyPad0) + i,
                                                 keypad_scan[i],
                                                 editing,
                                                 digit,
                                                 Ext(keypad_ctrl[i]),
                                                 0,
                                                 digit,
                                                 0,
                                                 0,
                                                 editing};
    }
    // Divide, multiply, minus, plus: their character except with Ctrl and Alt; then Enter.
    const uint32_t sign_char[4] = {'/', '*', '-', '+'};
    const uint32_t sign_scan[4] = {53, 55, 74, 78};
    const uint32_t sign_ctrl[4] = {149, 150, 142, 144};
    const uint32_t sign_alt[4] = {164, 55, 74, 78};
    for (uint32_t i = 0; i < 4; ++i) {
        const uint32_t c = sign_char[i];
        table[kKeyTableKeypad + 11 + i] = KeyTableRow{static_cast<uint32_t>(kKeyPad0) + 11 + i,
                                                      sign_scan[i],
                                                      c,
                                                      c,
                                                      Ext(sign_ctrl[i]),
                                                      Ext(sign_alt[i]),
                                                      c,
                                                      0,
                                                      0,
                                                      c};
    }
    table[kKeyTableKeypad + 15] =
        KeyTableRow{static_cast<uint32_t>(kKeyPadEnter), 28, 13, 13, 10, Ext(166), 13, 0, 0, 13};
    return table;
}

constexpr std::array<KeyTableRow, kKeyTableRows> kKeyTable = BuildKeyTable();

// ---- Code page 437 --------------------------------------------------------------------------

// Unicode code points of the 256 characters of code page 437.
constexpr uint16_t kCp437[256] = {
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9, 0x2642,
    0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC, 0x0020, 0x0021, 0x0022, 0x0023,
    0x0024, 0x0025, 0x0026, 0x0027, 0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B,
    0x003C, 0x003D, 0x003E, 0x003F, 0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F, 0x0050, 0x0051, 0x0052, 0x0053,
    0x0054, 0x0055, 0x0056, 0x0057, 0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067, 0x0068, 0x0069, 0x006A, 0x006B,
    0x006C, 0x006D, 0x006E, 0x006F, 0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x2302, 0x00C7, 0x00FC, 0x00E9, 0x00E2,
    0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2,
    0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566,
    0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0,
    0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A,
    0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// The runtime code of a typed character.
int32_t CharCode(uint32_t code_point) {
    if (code_point <= 127) return static_cast<int32_t>(code_point);
    for (uint32_t byte = 0; byte < 256; ++byte) {
        if (kCp437[byte] == code_point) return static_cast<int32_t>(byte);
    }
    if (code_point >= 0xFF01 && code_point <= 0xFF5E)
        return static_cast<int32_t>(code_point - 0xFEE0);
    if (code_point == 0x3000) return ' ';
    return static_cast<int32_t>(code_point | static_cast<uint32_t>(kKeyForeignChar));
}

// ---- Keyboard state (start-up thread) ---------------------------------------------------------

struct HeldKey {
    int32_t code = 0;
    uint32_t sym = 0;  // the SDL key whose release releases this code; 0 for none
};

struct AltCodeEntry {
    bool active = false;
    bool hasDigits = false;
    uint32_t value = 0;  // wraps in 32 bits; only its value mod 256 is delivered
};

// Runtime keyboard table: the held-keys list, the Alt-code entry and the focus seen by the last
// event pass. Touched only by the start-up thread (event handling), or by a test in its place.
struct KeyboardState {
    std::vector<HeldKey> held;
    AltCodeEntry altCode;
    uint32_t currentSym = 0;   // SDL key of the event being handled
    bool currentCtrl = false;  // the event being handled says a Ctrl key is down
    bool hadFocus = true;
};
KeyboardState g_keyboard;

bool InHeldList(int32_t code) {
    return std::any_of(g_keyboard.held.begin(), g_keyboard.held.end(),
                       [code](const HeldKey& key) { return key.code == code; });
}

bool ShiftHeld() {
    return InHeldList(kKeyLeftShift) || InHeldList(kKeyRightShift);
}
bool CtrlHeld() {
    return InHeldList(kKeyLeftCtrl) || InHeldList(kKeyRightCtrl);
}
bool AltHeld() {
    return InHeldList(kKeyLeftAlt) || InHeldList(kKeyRightAlt);
}
bool CapsLockOn() {
    return InHeldList(kKeyCapsLock);
}
// AltGr types through left Ctrl and right Alt, with no other modifier.
bool AltGrHeld() {
    return InHeldList(kKeyLeftCtrl) && InHeldList(kKeyRightAlt) && !InHeldList(kKeyRightCtrl) &&
           !InHeldList(kKeyLeftAlt) && !ShiftHeld();
}

void AddHeld(int32_t code, uint32_t sym) {
    if (!InHeldList(code)) g_keyboard.held.push_back({code, sym});
}

void RemoveHeld(int32_t code) {
    std::erase_if(g_keyboard.held, [code](const HeldKey& key) { return key.code == code; });
}

void ToggleState(int32_t pseudo_key) {
    if (InHeldList(pseudo_key)) {
        RemoveHeld(pseudo_key);
    } else {
        AddHeld(pseudo_key, 0);
    }
}

bool IsPseudoKey(int32_t code) {
    return code == kKeyScrollState || code == kKeyInsertState;
}

// ---- The key ring in LowMemory ----------------------------------------------------------------

std::atomic_ref<uint16_t> RingWord(size_t address) {
    return std::atomic_ref<uint16_t>(*reinterpret_cast<uint16_t*>(Rt_LowMemory() + address));
}

std::atomic_ref<uint8_t> LowByte(size_t address) {
    return std::atomic_ref<uint8_t>(Rt_LowMemory()[address]);
}

// A ring offset that is not one (LowMemory cleared without the ring) counts as the first slot.
uint16_t ValidOffset(uint16_t offset) {
    const bool valid = offset >= kKeyRingFirst && offset <= kKeyRingLast && offset % 2 == 0;
    return valid ? offset : kKeyRingFirst;
}

uint16_t NextOffset(uint16_t offset) {
    return offset >= kKeyRingLast ? kKeyRingFirst : static_cast<uint16_t>(offset + 2);
}

// Start-up thread: the pair goes into the slot before the tail that publishes it moves.
void StoreKey(uint8_t character, uint8_t scan) {
    const uint16_t tail = ValidOffset(RingWord(kLowMemKeyRingTail).load(std::memory_order_relaxed));
    const uint16_t head = ValidOffset(RingWord(kLowMemKeyRingHead).load(std::memory_order_acquire));
    const uint16_t new_tail = NextOffset(tail);
    if (new_tail == head) return;  // full: the key is lost
    LowByte(0x400 + tail).store(character, std::memory_order_relaxed);
    LowByte(0x401 + tail).store(scan, std::memory_order_relaxed);
    RingWord(kLowMemKeyRingTail).store(new_tail, std::memory_order_release);
    // A program thread waiting for a key sees it at once.
    Rt_WakeProgram();
}

// Stores a KeyTable value: an extended key as (0, value >> 8), a character with the row's scan.
void StoreValue(uint32_t value, uint32_t row_scan) {
    if (value == 0) return;
    if (value >= 256) {
        StoreKey(0, static_cast<uint8_t>(value >> 8));
    } else {
        StoreKey(static_cast<uint8_t>(value), static_cast<uint8_t>(row_scan));
    }
}

uint32_t ChooseColumn(const KeyTableRow& row) {
    if (AltHeld()) return row.alt;
    if (CtrlHeld()) return row.ctrl;
    if (ShiftHeld()) return row.shift;
    return row.plain;
}

// ---- Translation of SDL events ----------------------------------------------------------------

bool IsAltSym(uint32_t sym) {
    return sym == SDLK_LALT || sym == SDLK_RALT;
}
bool IsKeypadDigitSym(uint32_t sym) {
    return sym >= SDLK_KP0 && sym <= SDLK_KP9;
}

int32_t Letter(uint32_t lower_case) {
    const bool upper = CapsLockOn() != ShiftHeld();
    return static_cast<int32_t>(upper ? lower_case - 'a' + 'A' : lower_case);
}

void HandleKeyDownEvent(uint32_t sym, uint32_t ch) {
    // Alt-code entry: Alt starts it, keypad digits build the number, any other key cancels it.
    AltCodeEntry& entry = g_keyboard.altCode;
    if (IsAltSym(sym)) {
        if (!AltHeld()) entry = AltCodeEntry{true, false, 0};
    } else if (IsKeypadDigitSym(sym)) {
        if (entry.active) {
            entry.value = entry.value * 10 + (sym - SDLK_KP0);
            entry.hasDigits = true;
        }
    } else {
        entry = AltCodeEntry{};
    }

    if (ch == 127 && sym == SDLK_BACKSPACE) ch = 8;
    if (ch == 127 && sym == SDLK_DELETE) ch = 0;

    if (ch != 0) {
        if (sym >= SDLK_KP0 && sym <= SDLK_KP_ENTER) {
            Kbd_KeyDown(kKeySdlBase + static_cast<int32_t>(sym));
            return;
        }
        if (CtrlHeld()) {
            int32_t code = -1;
            if (sym == SDLK_BACKSPACE)
                code = 8;
            else if (ch == 10)
                code = 13;
            else if (sym == SDLK_ESCAPE)
                code = 27;
            else if (sym == SDLK_SPACE)
                code = 32;
            else if (ch == 30)
                code = '6';
            else if (ch == 27 && sym == SDLK_LEFTBRACKET)
                code = '[';
            else if (ch == 28 && sym == SDLK_BACKSLASH)
                code = '\\';
            else if (ch == 29 && sym == SDLK_RIGHTBRACKET)
                code = ']';
            else if (ch >= 1 && ch <= 26)
                code = Letter('a' + ch - 1);
            if (code >= 0) {
                Kbd_KeyDown(code);
                return;
            }
        }
        Kbd_KeyDownChar(ch);
        if (sym == 0) Kbd_KeyUp(CharCode(ch));
        return;
    }

    int32_t code = -1;
    if (sym >= SDLK_KP0 && sym <= SDLK_KP_PERIOD) {
        code = static_cast<int32_t>(sym) + (kKeyPadEdit0 - SDLK_KP0);
    } else if (sym >= SDLK_KP_DIVIDE && sym <= SDLK_KP_ENTER) {
        code = kKeySdlBase + static_cast<int32_t>(sym);
    } else if (sym >= SDLK_F1 && sym <= SDLK_F10) {
        code = static_cast<int32_t>(sym - 223) * 256;
    } else if (sym == SDLK_F11 || sym == SDLK_F12) {
        code = static_cast<int32_t>(sym - 159) * 256;
    } else if (sym == SDLK_HOME) {
        code = 0x4700;
    } else if (sym == SDLK_UP) {
        code = 0x4800;
    } else if (sym == SDLK_PAGEUP) {
        code = 0x4900;
    } else if (sym == SDLK_LEFT) {
        code = 0x4B00;
    } else if (sym == SDLK_RIGHT) {
        code = 0x4D00;
    } else if (sym == SDLK_END) {
        code = 0x4F00;
    } else if (sym == SDLK_DOWN) {
        code = 0x5000;
    } else if (sym == SDLK_PAGEDOWN) {
        code = 0x5100;
    } else if (sym == SDLK_INSERT) {
        code = 0x5200;
    } else if (sym == SDLK_DELETE) {
        code = 0x5300;
    } else if (CtrlHeld() && ((sym >= 32 && sym <= 96) || sym == SDLK_BACKSPACE ||
                              sym == SDLK_TAB || sym == SDLK_RETURN || sym == SDLK_ESCAPE)) {
        code = static_cast<int32_t>(sym);
    } else if (sym >= 'a' && sym <= 'z') {
        code = Letter(sym);
    } else if (sym < 32 || sym > 127) {
        code = kKeySdlBase + static_cast<int32_t>(sym);
    }
    if (code >= 0) Kbd_KeyDown(code);
}

// Releases every code that the released SDL key produced.
void ReleaseSym(uint32_t sym) {
    std::vector<int32_t> released;
    for (const HeldKey& key : g_keyboard.held) {
        if (key.sym == sym && !IsPseudoKey(key.code)) released.push_back(key.code);
    }
    for (int32_t code : released) Kbd_KeyUp(code);
}

void HandleKeyUpEvent(uint32_t sym) {
    const AltCodeEntry entry = g_keyboard.altCode;
    ReleaseSym(sym);
    if (!IsAltSym(sym)) return;
    g_keyboard.altCode = AltCodeEntry{};
    if (entry.active && entry.hasDigits) {
        // Alt is already released, so the character is typed as itself, not as Alt+key.
        const auto code = static_cast<int32_t>(entry.value % 256);
        Kbd_KeyDown(code);
        Kbd_KeyUp(code);
    }
}

// Lock and modifier keys taken from the system: held as if pressed, without the actions their
// presses have (stop, pause, Scroll Lock toggle), which belong to a key typed now.
void HoldFromSystem(int32_t code) {
    AddHeld(code, static_cast<uint32_t>(code - kKeySdlBase));
}

// ---- Program thread -----------------------------------------------------------------------------

// Empty polls in a row after which Kbd_Inkey waits for a key instead of only yielding. A
// screen that polls without pause reaches it within a fraction of a millisecond.
constexpr uint32_t kEmptyPollsBeforeWait = 64;
// Polls count as in a row while each comes within this much clock time of the one before; a
// screen that plays a tune between its polls never waits in them.
constexpr uint32_t kBackToBackMs = 10;
// Longest wait for a key: a screen that polls does its other work (the telephone's clock) at
// least this often.
constexpr uint32_t kIdleWaitMs = 50;
thread_local uint32_t t_empty_polls = 0;
thread_local uint32_t t_last_poll_ms = 0;

plat::Clock* Clock() {
    return plat::Plat().clock;
}

void Delay(uint32_t delay_ms) {
    if (plat::Clock* clock = Clock()) clock->delay_ms(delay_ms);
}

uint32_t NowMs() {
    plat::Clock* clock = Clock();
    return clock != nullptr ? clock->ticks_ms() : 0;
}

bool RingEmpty() {
    return ValidOffset(RingWord(kLowMemKeyRingHead).load(std::memory_order_acquire)) ==
           ValidOffset(RingWord(kLowMemKeyRingTail).load(std::memory_order_acquire));
}

// Waits (boundedly) for a key, a statement-check request or the stop flag, each of which
// notifies the program-wake signal.
void WaitForKey() {
    plat::Clock* clock = Clock();
    if (clock == nullptr) return;
    SharedWords& words = Rt_Words();
    const uint32_t seen = words.programWake.generation();
    if (!RingEmpty() || words.checkRequest.load(std::memory_order_acquire) != 0 ||
        words.stop.load(std::memory_order_acquire) != 0) {
        return;
    }
    words.keyWait.store(1, std::memory_order_release);
    clock->wait(words.programWake, seen, kIdleWaitMs);
    words.keyWait.store(0, std::memory_order_release);
}

// Takes the next key out of the ring: "" when empty, else one or two bytes.
bool TakeKey(RtString& key) {
    const uint16_t head = ValidOffset(RingWord(kLowMemKeyRingHead).load(std::memory_order_relaxed));
    const uint16_t tail = ValidOffset(RingWord(kLowMemKeyRingTail).load(std::memory_order_acquire));
    if (head == tail) return false;
    const uint8_t character = LowByte(0x400 + head).load(std::memory_order_relaxed);
    const uint8_t scan = LowByte(0x401 + head).load(std::memory_order_relaxed);
    if (character != 0 || scan == 0) {
        key.assign(1, static_cast<char>(character));
    } else {
        key.assign(1, '\0');
        key += static_cast<char>(scan);
    }
    RingWord(kLowMemKeyRingHead).store(NextOffset(head), std::memory_order_release);
    return true;
}

}  // namespace

const std::array<KeyTableRow, kKeyTableRows>& Kbd_KeyTable() {
    return kKeyTable;
}

// ---- Start-up thread --------------------------------------------------------------------------

void Kbd_HandleEvent(const plat::WindowEvent& event) {
    g_keyboard.currentSym = event.sym;
    g_keyboard.currentCtrl = (event.mod & KMOD_CTRL) != 0;
    if (event.kind == plat::WindowEvent::Kind::KeyDown) {
        HandleKeyDownEvent(event.sym, event.unicode);
    } else if (event.kind == plat::WindowEvent::Kind::KeyUp) {
        HandleKeyUpEvent(event.sym);
    }
    g_keyboard.currentSym = 0;
    g_keyboard.currentCtrl = false;
}

void Kbd_SyncLockKeys(const plat::LockKeyState& state, bool at_startup) {
    if (at_startup) {
        if (state.scroll_toggled) AddHeld(kKeyScrollState, 0);
        const std::pair<bool, int32_t> keys[] = {
            {state.scroll_down, kKeyScrollLock}, {state.left_shift, kKeyLeftShift},
            {state.right_shift, kKeyRightShift}, {state.left_ctrl, kKeyLeftCtrl},
            {state.right_ctrl, kKeyRightCtrl},   {state.left_alt, kKeyLeftAlt},
            {state.right_alt, kKeyRightAlt},     {state.caps_toggled, kKeyCapsLock},
            {state.num_toggled, kKeyNumLock},
        };
        for (const auto& [down, code] : keys) {
            if (down) HoldFromSystem(code);
        }
        Kbd_UpdateShiftBytes();
        return;
    }

    const std::pair<bool, int32_t> toggles[] = {{state.caps_toggled, kKeyCapsLock},
                                                {state.num_toggled, kKeyNumLock}};
    for (const auto& [on, code] : toggles) {
        if (on && !InHeldList(code)) {
            HoldFromSystem(code);
            Kbd_UpdateShiftBytes();
        } else if (!on && InHeldList(code)) {
            Kbd_KeyUp(code);
        }
    }

    // Keys held when the window loses input focus are released elsewhere.
    plat::Window* window = plat::Plat().window;
    if (window == nullptr) return;
    const uint8_t app_state = window->app_state();
    const bool focused = (app_state & 2) != 0;
    if (g_keyboard.hadFocus && !focused) {
        std::vector<int32_t> released;
        for (const HeldKey& key : g_keyboard.held) {
            if (!IsPseudoKey(key.code) && key.code != kKeyCapsLock && key.code != kKeyNumLock) {
                released.push_back(key.code);
            }
        }
        for (int32_t code : released) Kbd_KeyUp(code);
        g_keyboard.altCode = AltCodeEntry{};
    }
    g_keyboard.hadFocus = focused;
}

void Kbd_KeyDown(int32_t code) {
    if (code == 0) code = kKeyZeroChar;
    const bool already_down = InHeldList(code);
    AddHeld(code, g_keyboard.currentSym);
    SharedWords& words = Rt_Words();

    // The stop key. Under X11 the Break key never arrives: Ctrl+Break comes as Pause with a
    // Ctrl modifier, which the event may carry even when the Ctrl press went to another window.
    const bool ctrl = CtrlHeld() || g_keyboard.currentCtrl;
    if (code == kKeyBreak ||
        ((code == kKeyPause || code == kKeyScrollLock || code == kKeyF15) && ctrl)) {
        if (words.exitIntercept.load(std::memory_order_acquire) != 0) {
            words.exitRequest.fetch_or(2, std::memory_order_acq_rel);
        } else {
            words.programEnded.store(1, std::memory_order_release);
        }
        Kbd_UpdateShiftBytes();
        return;
    }
    // The Pause key: the program thread waits at its next statement check.
    if (code == kKeyPause || (code == kKeyNumLock && CtrlHeld())) {
        words.waitMask.fetch_or(kWaitPause, std::memory_order_acq_rel);
        Rt_RequestCheck();
        Kbd_UpdateShiftBytes();
        return;
    }
    // The key that ends a pause is consumed.
    if ((words.waitMask.load(std::memory_order_acquire) & kWaitPause) != 0) {
        words.waitMask.fetch_and(static_cast<uint8_t>(~kWaitPause), std::memory_order_acq_rel);
        Rt_WakeProgram();
        Kbd_UpdateShiftBytes();
        return;
    }
    // Alt+Enter toggles full screen and is never delivered.
    if (code == 13 && AltHeld()) {
        words.fullScreenRequests.fetch_add(1, std::memory_order_acq_rel);
        return;
    }

    if ((code >= 0 && code <= 255) || code == kKeyZeroChar) {
        const uint32_t character = code == kKeyZeroChar ? 0 : static_cast<uint32_t>(code);
        const KeyTableRow& row = kKeyTable[character];
        if (row.scanCode == 0) {
            StoreKey(static_cast<uint8_t>(character), 0);
        } else {
            StoreValue(AltGrHeld() ? row.plain : ChooseColumn(row), row.scanCode);
        }
    } else if (code >= kKeyPad0 && code <= kKeyPadEnter) {
        const KeyTableRow& row = kKeyTable[kKeyTableKeypad + static_cast<size_t>(code - kKeyPad0)];
        uint32_t value = row.keypadDigit;
        if (AltHeld()) {
            value = row.alt;
        } else if (CtrlHeld()) {
            value = row.ctrl;
        } else if (ShiftHeld()) {
            value = row.keypadDigitShift;
        }
        StoreValue(value, row.scanCode);
    } else if (code >= kKeyPadEdit0 && code <= kKeyPadEdit0 + 10) {
        const KeyTableRow& row =
            kKeyTable[kKeyTableKeypad + static_cast<size_t>(code - kKeyPadEdit0)];
        StoreValue(ChooseColumn(row), row.scanCode);
    } else if (code >= 256 && code <= 65535) {
        const uint32_t scan = static_cast<uint32_t>(code) >> 8;
        const KeyTableRow& row = kKeyTable[kKeyTableExtended + scan];
        if (row.scanCode == 0) {
            StoreKey(0, static_cast<uint8_t>(scan));
        } else {
            StoreValue(ChooseColumn(row), row.scanCode);
        }
        if (code == kKeyInsert && !already_down && !ShiftHeld() && !CtrlHeld() && !AltHeld()) {
            ToggleState(kKeyInsertState);
        }
    } else if (code == kKeyScrollLock && !CtrlHeld() && !already_down) {
        ToggleState(kKeyScrollState);
    }
    Kbd_UpdateShiftBytes();
}

void Kbd_KeyUp(int32_t code) {
    if (code == 0) code = kKeyZeroChar;
    RemoveHeld(code);
    Kbd_UpdateShiftBytes();
}

void Kbd_KeyDownChar(uint32_t code_point) {
    Kbd_KeyDown(CharCode(code_point));
}

bool Kbd_IsHeld(int32_t code) {
    if (InHeldList(code)) return true;
    int32_t keypad = -1;
    switch (code) {
        case 13:
            keypad = kKeyPadEnter;
            break;
        case '*':
            keypad = kKeySdlBase + SDLK_KP_MULTIPLY;
            break;
        case '+':
            keypad = kKeySdlBase + SDLK_KP_PLUS;
            break;
        case '-':
            keypad = kKeySdlBase + SDLK_KP_MINUS;
            break;
        case '.':
            keypad = kKeySdlBase + SDLK_KP_PERIOD;
            break;
        case '/':
            keypad = kKeySdlBase + SDLK_KP_DIVIDE;
            break;
        default:
            break;
    }
    if (code >= '0' && code <= '9') keypad = kKeyPad0 + (code - '0');
    if (code >= 0x4700 && code <= 0x5300 && code % 256 == 0) {
        // Keypad editing keys in keypad order 0-9, period.
        const int32_t scans[11] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73, 83};
        for (int32_t i = 0; i < 11; ++i) {
            if (scans[i] == code >> 8) keypad = kKeyPadEdit0 + i;
        }
    }
    return keypad >= 0 && InHeldList(keypad);
}

void Kbd_UpdateShiftBytes() {
    const bool right_shift = InHeldList(kKeyRightShift);
    const bool left_shift = InHeldList(kKeyLeftShift);
    const bool left_ctrl = InHeldList(kKeyLeftCtrl);
    const bool right_ctrl = InHeldList(kKeyRightCtrl);
    const bool left_alt = InHeldList(kKeyLeftAlt);
    const bool right_alt = InHeldList(kKeyRightAlt);
    const bool scroll_on = InHeldList(kKeyScrollState);
    uint8_t first = 0;
    if (right_shift) first |= 1;
    if (left_shift) first |= 2;
    if (left_ctrl || right_ctrl) first |= 4;
    if (left_alt || right_alt) first |= 8;
    if (scroll_on) first |= 16;
    if (InHeldList(kKeyNumLock)) first |= 32;
    if (InHeldList(kKeyCapsLock)) first |= 64;
    if (InHeldList(kKeyInsertState)) first |= 128;
    uint8_t second = 0;
    if (left_ctrl) second |= 1;
    if (left_alt) second |= 2;
    if (InHeldList(kKeySysReq)) second |= 4;
    if (InHeldList(kKeyPause)) second |= 8;
    if (InHeldList(kKeyScrollLock)) second |= 16;
    if (InHeldList(kKeyInsert)) second |= 128;
    uint8_t third = 0x10;
    if (right_ctrl) third |= 4;
    if (right_alt) third |= 8;
    LowByte(kLowMemShiftState1).store(first, std::memory_order_relaxed);
    LowByte(kLowMemShiftState2).store(second, std::memory_order_relaxed);
    LowByte(kLowMemShiftState3).store(third, std::memory_order_relaxed);
}

void Kbd_ClearRing() {
    RingWord(kLowMemKeyRingTail).store(kKeyRingFirst, std::memory_order_release);
    RingWord(kLowMemKeyRingHead).store(kKeyRingFirst, std::memory_order_release);
}

void Kbd_Reset() {
    g_keyboard = KeyboardState{};
    Kbd_ClearRing();
    Kbd_UpdateShiftBytes();
}

// ---- Program thread -----------------------------------------------------------------------------

RtString Kbd_Inkey() {
    if (Err_IsPending()) return {};
    RtString key;
    if (NowMs() - t_last_poll_ms > kBackToBackMs) t_empty_polls = 0;
    if (TakeKey(key)) {
        t_empty_polls = 0;
        Delay(0);
    } else {
        if (t_empty_polls < kEmptyPollsBeforeWait) {
            ++t_empty_polls;
            Delay(0);
        } else {
            WaitForKey();
        }
        // A key that arrived meanwhile is not kept waiting for the next poll.
        if (TakeKey(key)) t_empty_polls = 0;
    }
    t_last_poll_ms = NowMs();
    return key;
}

void Kbd_DrainRing() {
    // The first empty poll ends the drain: it must not wait for a key that would then be lost.
    t_empty_polls = 0;
    while (!Kbd_Inkey().empty()) Delay(0);
}

RtString Kbd_ReadChars(int32_t count) {
    if (Err_IsPending()) return {};
    if (count < 0) {
        Err_Raise(52);
        return {};
    }
    RtString result;
    const SharedWords& words = Rt_Words();
    while (result.size() < static_cast<size_t>(count)) {
        if (words.stop.load(std::memory_order_acquire) != 0) break;
        // The statement check runs while the keys are awaited, so that the Pause key holds the
        // program here, a request from another thread is served and closing parks it.
        if (words.checkRequest.load(std::memory_order_acquire) != 0) Err_CheckPoint(0);
        const RtString key = Kbd_Inkey();
        if (!key.empty()) result += key[0];
    }
    return result;
}
