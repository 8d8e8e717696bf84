// Key names of replay scripts as the window events a real keyboard would send.
#include "key_names.h"

#include <SDL_keyboard.h>

#include <cctype>
#include <map>

namespace {

struct KeyInfo {
    SDLKey sym = SDLK_UNKNOWN;
    uint16_t unicode = 0;
};

const std::map<std::string, KeyInfo>& NamedKeys() {
    static const std::map<std::string, KeyInfo> keys = {
        {"enter", {SDLK_RETURN, 13}},   {"esc", {SDLK_ESCAPE, 27}},
        {"space", {SDLK_SPACE, 32}},    {"backspace", {SDLK_BACKSPACE, 8}},
        {"tab", {SDLK_TAB, 9}},         {"up", {SDLK_UP, 0}},
        {"down", {SDLK_DOWN, 0}},       {"left", {SDLK_LEFT, 0}},
        {"right", {SDLK_RIGHT, 0}},     {"home", {SDLK_HOME, 0}},
        {"end", {SDLK_END, 0}},         {"pgup", {SDLK_PAGEUP, 0}},
        {"pgdn", {SDLK_PAGEDOWN, 0}},   {"insert", {SDLK_INSERT, 0}},
        {"delete", {SDLK_DELETE, 127}}, {"pause", {SDLK_PAUSE, 0}},
        {"break", {SDLK_BREAK, 0}},     {"f1", {SDLK_F1, 0}},
        {"f2", {SDLK_F2, 0}},           {"f3", {SDLK_F3, 0}},
        {"f4", {SDLK_F4, 0}},           {"f5", {SDLK_F5, 0}},
        {"f6", {SDLK_F6, 0}},           {"f7", {SDLK_F7, 0}},
        {"f8", {SDLK_F8, 0}},           {"f9", {SDLK_F9, 0}},
        {"f10", {SDLK_F10, 0}},         {"f11", {SDLK_F11, 0}},
        {"f12", {SDLK_F12, 0}},
    };
    return keys;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

plat::WindowEvent Event(plat::WindowEvent::Kind kind, SDLKey sym, uint32_t mod, uint16_t unicode) {
    plat::WindowEvent event;
    event.kind = kind;
    event.sym = static_cast<uint32_t>(sym);
    event.mod = mod;
    event.unicode = kind == plat::WindowEvent::Kind::KeyDown ? unicode : 0;
    return event;
}

// The character a printable key types, and whether Shift is needed for it on a US keyboard.
bool PrintableKey(char c, SDLKey& sym, bool& shift) {
    static const std::string shifted = "~!@#$%^&*()_+{}|:\"<>?";
    static const std::string plain = "`1234567890-=[]\\;',./";
    const auto uc = static_cast<unsigned char>(c);
    if (uc < 32 || uc > 126) return false;
    shift = false;
    if (std::isupper(uc)) {
        shift = true;
        sym = static_cast<SDLKey>(std::tolower(uc));
    } else if (const size_t at = shifted.find(c); at != std::string::npos) {
        shift = true;
        sym = static_cast<SDLKey>(plain[at]);
    } else {
        sym = static_cast<SDLKey>(uc);
    }
    return true;
}

}  // namespace

bool Keys_Press(const std::string& name, std::vector<plat::WindowEvent>& events) {
    using Kind = plat::WindowEvent::Kind;
    events.clear();
    bool shift = false, ctrl = false, alt = false;
    std::string rest = name;
    for (;;) {
        const size_t plus = rest.find('+');
        if (plus == std::string::npos || plus == 0 || plus + 1 == rest.size()) break;
        const std::string modifier = Lower(rest.substr(0, plus));
        if (modifier == "shift") {
            shift = true;
        } else if (modifier == "ctrl") {
            ctrl = true;
        } else if (modifier == "alt") {
            alt = true;
        } else {
            return false;
        }
        rest = rest.substr(plus + 1);
    }

    KeyInfo key;
    if (rest.size() == 1) {
        bool needs_shift = false;
        if (!PrintableKey(rest[0], key.sym, needs_shift)) return false;
        shift = shift || needs_shift;
        key.unicode = static_cast<uint8_t>(rest[0]);
        if (shift && std::islower(static_cast<unsigned char>(rest[0]))) {
            key.unicode = static_cast<uint16_t>(std::toupper(static_cast<unsigned char>(rest[0])));
        }
        if (ctrl && std::isalpha(static_cast<unsigned char>(rest[0]))) {
            key.unicode = static_cast<uint16_t>(std::tolower(static_cast<unsigned char>(rest[0])) - 'a' + 1);
        }
    } else {
        const auto found = NamedKeys().find(Lower(rest));
        if (found == NamedKeys().end()) return false;
        key = found->second;
        if (ctrl && key.sym == SDLK_RETURN) key.unicode = 10;
    }

    uint32_t mod = 0;
    if (shift) {
        mod |= KMOD_LSHIFT;
        events.push_back(Event(Kind::KeyDown, SDLK_LSHIFT, mod, 0));
    }
    if (ctrl) {
        mod |= KMOD_LCTRL;
        events.push_back(Event(Kind::KeyDown, SDLK_LCTRL, mod, 0));
    }
    if (alt) {
        mod |= KMOD_LALT;
        events.push_back(Event(Kind::KeyDown, SDLK_LALT, mod, 0));
    }
    events.push_back(Event(Kind::KeyDown, key.sym, mod, key.unicode));
    events.push_back(Event(Kind::KeyUp, key.sym, mod, 0));
    if (alt) events.push_back(Event(Kind::KeyUp, SDLK_LALT, mod & ~KMOD_LALT, 0));
    if (ctrl) events.push_back(Event(Kind::KeyUp, SDLK_LCTRL, mod & ~(KMOD_LALT | KMOD_LCTRL), 0));
    if (shift) events.push_back(Event(Kind::KeyUp, SDLK_LSHIFT, 0, 0));
    return true;
}

std::vector<plat::WindowEvent> Keys_TypeChar(char c) {
    std::vector<plat::WindowEvent> events;
    if (c == ' ') {
        Keys_Press("Space", events);
    } else {
        Keys_Press(std::string(1, c), events);
    }
    return events;
}
