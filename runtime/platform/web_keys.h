// The browser's key numbers turned into the classic SDL ones that the runtime's key codes are
// built on: the browser's SDL gives a character key its character and any other key its
// keyboard scan code plus 1024.
#pragma once

#include <cstdint>

namespace plat {

constexpr uint32_t WebKeySym(uint32_t browser_sym) {
    constexpr uint32_t kScanCoded = 1024;
    constexpr uint32_t kScrollLockKeyCode = 145;  // passed on as the page's own key number
    if (browser_sym == kScrollLockKeyCode) return 302;
    if (browser_sym < kScanCoded) return browser_sym;
    const uint32_t scan = browser_sym - kScanCoded;
    if (scan >= 58 && scan <= 69) return 282 + (scan - 58);     // F1-F12
    if (scan >= 104 && scan <= 106) return 294 + (scan - 104);  // F13-F15
    if (scan >= 89 && scan <= 97) return 257 + (scan - 89);     // keypad 1-9
    switch (scan) {
        case 57:
            return 301;  // Caps Lock
        case 73:
            return 277;  // Insert
        case 74:
            return 278;  // Home
        case 75:
            return 280;  // Page Up
        case 76:
            return 127;  // Delete
        case 77:
            return 279;  // End
        case 78:
            return 281;  // Page Down
        case 79:
            return 275;  // Right
        case 80:
            return 276;  // Left
        case 81:
            return 274;  // Down
        case 82:
            return 273;  // Up
        case 83:
            return 300;  // Num Lock
        case 84:
            return 267;  // keypad /
        case 85:
            return 268;  // keypad *
        case 86:
            return 269;  // keypad -
        case 87:
            return 270;  // keypad +
        case 88:
            return 271;  // keypad Enter
        case 98:
            return 256;  // keypad 0
        case 99:
            return 266;  // keypad .
        case 101:
            return 319;  // Menu
        case 224:
            return 306;  // left Ctrl
        case 225:
            return 304;  // left Shift
        case 226:
            return 308;  // left Alt
        case 227:
            return 311;  // left Super
        case 228:
            return 305;  // right Ctrl
        case 229:
            return 303;  // right Shift
        case 230:
            return 307;  // right Alt
        case 231:
            return 312;  // right Super
        default:
            return 0;  // a key the runtime does not know
    }
}

// The character a key event carries: the browser's SDL gives a key that types nothing its key
// number instead, where the classic SDL gives 0.
constexpr uint16_t WebKeyUnicode(uint32_t classic_sym, uint32_t unicode) {
    constexpr uint32_t kPause = 19;
    if (classic_sym >= 256 || classic_sym == kPause || unicode > 0xFFFF) return 0;
    return static_cast<uint16_t>(unicode);
}

}  // namespace plat
