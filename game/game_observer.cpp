// The game's state as JSON for the replay driver and the tests.
#include "game_observer.h"

#include <cstdio>

#include "cp437.h"

namespace {
// Program-thread state: what the running game has registered.
const GameState* g_state = nullptr;
Game_FieldWriter g_screen_fields = nullptr;

void Field(std::string& json, const char* name, const std::string& value) {
    if (json.size() > 1) json += ", ";
    json += '"';
    json += name;
    json += "\": ";
    json += value;
}

template <class Person, class Each>
std::string People(const std::array<Person, 11>& people, Each each) {
    std::string list = "[";
    for (size_t i = 1; i < people.size(); ++i) {
        if (i > 1) list += ", ";
        std::string record = "{";
        each(record, people[i]);
        list += record + "}";
    }
    return list + "]";
}
}  // namespace

void Game_Observe(const GameState* state) { g_state = state; }

void Game_SetScreenFields(Game_FieldWriter writer) { g_screen_fields = writer; }

std::string Game_JsonText(const RtString& text) {
    std::string out = "\"";
    for (char c : Cp437_ToUtf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string Game_StateJson() {
    std::string json = "{";
    if (g_state != nullptr) {
        const GameState& s = *g_state;
        Field(json, "culpritIndex", std::to_string(s.culpritIndex));
        Field(json, "soundOff", std::to_string(s.soundOff));
        Field(json, "playMinutes", std::to_string(s.playMinutes));
        Field(json, "resultTime", Game_JsonText(s.resultTime));
        Field(json, "qualifyingTime", std::to_string(s.qualifyingTime));
        Field(json, "timedOut", std::to_string(s.timedOut));
        std::string cities = "[";
        for (size_t i = 1; i < s.bankCities.size(); ++i) {
            if (i > 1) cities += ", ";
            cities += Game_JsonText(s.bankCities[i]);
        }
        Field(json, "bankCities", cities + "]");
        Field(json, "witnesses", People(s.witnesses, [](std::string& r, const Witness& w) {
                  Field(r, "firstName", Game_JsonText(w.firstName));
                  Field(r, "surname", Game_JsonText(w.surname));
                  Field(r, "city", Game_JsonText(w.city));
                  Field(r, "hair", Game_JsonText(w.hair));
                  Field(r, "eyes", Game_JsonText(w.eyes));
                  Field(r, "age", Game_JsonText(w.age));
                  Field(r, "profession", Game_JsonText(w.profession));
              }));
        Field(json, "suspects", People(s.suspects, [](std::string& r, const Suspect& p) {
                  Field(r, "firstName", Game_JsonText(p.firstName));
                  Field(r, "surname", Game_JsonText(p.surname));
                  Field(r, "city", Game_JsonText(p.city));
                  Field(r, "hair", Game_JsonText(p.hair));
                  Field(r, "eyes", Game_JsonText(p.eyes));
                  Field(r, "age", Game_JsonText(p.age));
                  Field(r, "height", Game_JsonText(p.height));
              }));
    }
    if (g_screen_fields != nullptr) g_screen_fields(json);
    return json + "}";
}
