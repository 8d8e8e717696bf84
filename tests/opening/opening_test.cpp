// The disclaimer, the instructions screen with its menu and the suspect list, played headless
// from replay scripts; what the scripts leave behind (screens, state, sounds) is checked here.
// Each case runs in a process of its own (see CMakeLists.txt): the runtime runs once a process.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "case_generation.h"
#include "cp437.h"
#include "errors.h"
#include "game_observer.h"
#include "game_state.h"
#include "graphics.h"
#include "image_page.h"
#include "key_names.h"
#include "numbers.h"
#include "pictures.h"
#include "platform.h"
#include "replay_driver.h"
#include "runtime_main.h"
#include "screen.h"
#include "suspect_list.h"

namespace fs = std::filesystem;

namespace {

// ---- Main modules the scripts run against (program thread) ----------------------------------

// Written by the program thread while it runs, read by the test after the run has ended.
std::atomic<int> g_disclaimers_returned{0};
GameState g_state;
int16_t g_bank_city_number = 0;
int16_t g_stolen_sum = 0;

// The photographs as the list drew them and as composed again from their parts.
constexpr int kPhotoLeft = 584;
constexpr int kPhotoWidth = 40;
constexpr int kPhotoHeight = 32;
std::vector<uint8_t> g_photos_drawn;
std::vector<uint8_t> g_photos_composed;
std::vector<int> g_eye_pixels;  // 8 per suspect: the colours at the four two-pixel eye lines

void DisclaimerThenEnd() {
    STMT(ShowDisclaimer());
    g_disclaimers_returned.fetch_add(1);
    Rt_End();
}

// A key typed as the disclaimer starts: the display loop has it in the ring long before the
// first pass (its tones and its two-second rest) is over.
void DisclaimerWithAKeyThenEnd() {
    std::vector<plat::WindowEvent> events;
    Keys_Press("space", events);
    for (const plat::WindowEvent& event : events) plat::Plat().window->inject_event(event);
    STMT(ShowDisclaimer());
    g_disclaimers_returned.fetch_add(1);
    Rt_End();
}

void MenuThenEnd() {
    g_state = GameState{};
    Game_Observe(&g_state);
    STMT(ShowIntroAndMenu(g_state.bankCities, g_state.culpritIndex, g_state.soundOff,
                          g_state.playMinutes));
    Rt_End();
}

// The main flow without the telephone screen: the menu again after every case.
void MenuAfterMenu() {
    g_state = GameState{};
    Game_Observe(&g_state);
    for (;;) {
        STMT(ShowIntroAndMenu(g_state.bankCities, g_state.culpritIndex, g_state.soundOff,
                              g_state.playMinutes));
        STMT(GenerateCase(g_state.witnesses, g_state.suspects));
    }
}

std::vector<uint8_t> CapturePhotos() {
    std::vector<uint8_t> pixels;
    const ImagePage* page = Scr_ActivePage();
    for (int i = 1; i <= 10; ++i) {
        for (int y = 32 * i + 66; y < 32 * i + 66 + kPhotoHeight; ++y) {
            for (int x = kPhotoLeft; x < kPhotoLeft + kPhotoWidth; ++x) {
                pixels.push_back(Pix_Load(page->store + static_cast<size_t>(y) * page->width +
                                          static_cast<size_t>(x)));
            }
        }
    }
    return pixels;
}

// The list over a case drawn from a fixed seed, as the telephone screen would open it: in the
// 640 x 480 mode, colour 14, its pictures loaded.
void SuspectListThenEnd() {
    g_state = GameState{};
    Game_Observe(&g_state);
    STMT(Scr_SetMode(12, 0, 0, 0, 1));
    STMT(Scr_Color(14, 0, 0, 1));
    STMT(Num_SetRndSeed(0x2B67C1));
    STMT(DrawCaseStart(g_state.bankCities, g_state.culpritIndex, g_bank_city_number, g_stolen_sum));
    STMT(GenerateCase(g_state.witnesses, g_state.suspects));

    PictureBuffer face(kTileWords);
    PictureBuffer frame(kPortraitFrameWords);
    std::vector<std::unique_ptr<PictureBuffer>> hair;
    SuspectListPictures pictures;
    pictures.face = &face;
    pictures.frame = &frame;
    STMT(LoadPicture("faccia.grh", face));
    STMT(LoadPicture("corni.grh", frame));
    for (size_t i = 0; i < kHairColourCount; ++i) {
        hair.push_back(std::make_unique<PictureBuffer>(kTileWords));
        STMT(LoadPicture(kMenHairFiles[i], *hair.back()));
        pictures.menHair[i] = hair.back().get();
    }
    STMT(ShowSuspectList(g_state.suspects, pictures));

    // The photographs again from their parts on a clear screen: hair, then frame and face
    // combined by exclusive or, then the eyes.
    g_photos_drawn = CapturePhotos();
    g_eye_pixels.clear();
    const ImagePage* page = Scr_ActivePage();
    for (int i = 1; i <= 10; ++i) {
        const int y = 32 * i + 66 + 12;
        for (int x : {600, 601, 603, 604, 614, 615, 617, 618}) {
            g_eye_pixels.push_back(Pix_Load(page->store + static_cast<size_t>(y) * page->width +
                                            static_cast<size_t>(x)));
        }
    }
    STMT(Scr_Cls(0, 0, 0));
    for (size_t i = 1; i <= 10; ++i) {
        const int32_t top = 32 * static_cast<int32_t>(i) + 66;
        const HairLook look = SuspectList_HairLook(g_state.suspects[i].hair);
        STMT(PutPicture(587, top, *pictures.menHair[static_cast<size_t>(look.pictureIndex)],
                        kPutOverwrite));
        STMT(PutPicture(585, top, frame, kPutExclusiveOr));
        STMT(PutPicture(587, top, face, kPutExclusiveOr));
        const uint32_t eye =
            static_cast<uint32_t>(SuspectList_EyeLook(g_state.suspects[i].eyes).colour);
        for (int x : {600, 603, 614, 617}) STMT(Scr_FillBox(x, top + 12, x + 1, top + 12, eye));
    }
    g_photos_composed = CapturePhotos();
    Rt_End();
}

// ---- Running a script -----------------------------------------------------------------------

class Opening : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/brunolt-opening-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        out_ = pattern;
    }
    void TearDown() override {
        std::error_code error;
        if (getenv("BRUNOLT_KEEP_OUTPUT") == nullptr) fs::remove_all(out_, error);
    }

    int Run(const std::string& script, MainModule module) {
        ReplayOptions options;
        options.script_path = script;
        options.start_directory = out_;
        options.main_module = module;
        return Replay_Run(options);
    }

    std::string Read(const std::string& name) const {
        std::ifstream in(fs::path(out_) / name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::vector<std::string> Lines(const std::string& name) const {
        std::vector<std::string> lines;
        std::istringstream in(Read(name));
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // The sound log without its start times: "tone 100 Hz 0.3 ticks", "tune P1" ...
    std::vector<std::string> Sounds(const std::string& name) const {
        std::vector<std::string> sounds;
        for (const std::string& line : Lines(name)) {
            const std::string what = line.substr(line.find(' ') + 1);
            if (what.rfind("silence", 0) != 0) sounds.push_back(what);
        }
        return sounds;
    }

    std::string out_;
};

std::string OpeningScript(const char* name) {
    return std::string(BRUNOLT_OPENING_SCRIPTS) + "/" + name;
}

// A number field of the state's JSON.
int JsonNumber(const std::string& json, const std::string& name) {
    const size_t at = json.find("\"" + name + "\": ");
    if (at == std::string::npos) return -1;
    return std::stoi(json.substr(at + name.size() + 4));
}

// The quoted strings of a JSON array field of plain texts.
std::vector<std::string> JsonTexts(const std::string& json, const std::string& name) {
    std::vector<std::string> texts;
    size_t at = json.find("\"" + name + "\": [");
    if (at == std::string::npos) return texts;
    const size_t end = json.find(']', at);
    at = json.find('[', at) + 1;
    while (true) {
        const size_t open = json.find('"', at);
        if (open == std::string::npos || open > end) break;
        const size_t close = json.find('"', open + 1);
        texts.push_back(Cp437_FromUtf8(json.substr(open + 1, close - open - 1)));
        at = close + 1;
    }
    return texts;
}

// The suspects of the state's JSON (places 1 to 10), their fields in the order the game
// writes them.
Suspects JsonSuspects(const std::string& json) {
    Suspects suspects{};
    size_t at = json.find("\"suspects\": [");
    if (at == std::string::npos) return suspects;
    auto field = [&](const std::string& object, const std::string& name) {
        const size_t key = object.find("\"" + name + "\": \"");
        if (key == std::string::npos) return std::string();
        const size_t open = key + name.size() + 4;
        return Cp437_FromUtf8(object.substr(open + 1, object.find('"', open + 1) - open - 1));
    };
    for (size_t i = 1; i <= 10; ++i) {
        const size_t open = json.find('{', at);
        const size_t close = json.find('}', open);
        if (open == std::string::npos || close == std::string::npos) break;
        const std::string object = json.substr(open, close - open + 1);
        Suspect& s = suspects[i];
        s.firstName = field(object, "firstName");
        s.surname = field(object, "surname");
        s.city = field(object, "city");
        s.hair = field(object, "hair");
        s.eyes = field(object, "eyes");
        s.age = field(object, "age");
        s.height = field(object, "height");
        at = close + 1;
    }
    return suspects;
}

// A screen file's rows in code page 437, one byte a column.
std::vector<std::string> ScreenRows(const std::vector<std::string>& utf8_rows) {
    std::vector<std::string> rows;
    for (const auto& row : utf8_rows) rows.push_back(Cp437_FromUtf8(row));
    return rows;
}

std::string Frame(char left, int width, char right) {
    return std::string(1, left) + std::string(static_cast<size_t>(width), '\xCD') +
           std::string(1, right);
}

// Compares the list's screen with the suspects it shows: title, frame, headings and the ten
// rows of values (columns 74-79 hold the photographs and are left out).
void ExpectListShows(const std::vector<std::string>& screen_lines, const Suspects& suspects) {
    const std::vector<std::string> rows = ScreenRows(screen_lines);
    ASSERT_GE(rows.size(), 30u);
    EXPECT_EQ(rows[1].substr(31, 16), "Elenco sospetti:");

    // The table without its photographs (columns 74-79 hold pictures).
    const std::vector<int> dividers = {1, 13, 25, 35, 41, 51, 62, 73, 80};
    auto line = [&](char left, char fill, char middle, char right) {
        std::string text(80, fill);
        for (size_t i = 0; i < dividers.size(); ++i) {
            text[static_cast<size_t>(dividers[i] - 1)] = i == 0                     ? left
                                                         : i + 1 == dividers.size() ? right
                                                                                    : middle;
        }
        return text;
    };
    auto put = [](std::string& row, int column, const std::string& text) {
        row.replace(static_cast<size_t>(column - 1), text.size(), text);
    };
    std::vector<std::string> want(30, std::string(80, ' '));
    want[3] = line('\xC9', '\xCD', '\xCB', '\xBB');
    for (int r = 5; r <= 27; ++r)
        want[static_cast<size_t>(r - 1)] = line('\xBA', ' ', '\xBA', '\xBA');
    want[5] = line('\xCC', '\xCD', '\xCE', '\xB9');
    want[27] = line('\xC8', '\xCD', '\xCA', '\xBC');
    put(want[4], 5, "NOME");
    put(want[4], 16, "COGNOME");
    put(want[4], 28, "CITTA'");
    put(want[4], 37, "ETA'");
    put(want[4], 43, "ALTEZZA");
    put(want[4], 54, "CAPELLI");
    put(want[4], 65, "OCCHI");
    put(want[4], 75, "FOTO");
    // Shortened texts as the list shows them, written out again here.
    const std::vector<std::pair<std::string, std::string>> shortHair = {
        {"leggermente brizzolati", "leg.briz."},
        {"castano chiaro", "cas.chia."},
        {"brizzolati", "brizzol."},
        {"biondo scuro", "bi.scuro"}};
    const std::vector<std::pair<std::string, std::string>> shortEyes = {
        {"castano chiaro", "c.chiaro"},
        {"castano scuro", "c.scuro"},
        {"verde chiaro", "v.chiaro"},
        {"azzurro chiaro", "a.chiaro"}};
    auto shortened = [](const auto& table, const std::string& text) {
        for (const auto& [full, shown] : table) {
            if (full == text) return shown;
        }
        return text;
    };
    for (size_t i = 1; i <= 10; ++i) {
        const Suspect& s = suspects[i];
        std::string& row = want[6 + 2 * i - 1];
        put(row, 3, s.firstName);
        put(row, 15, s.surname);
        put(row, 27, s.city);
        put(row, 36, s.age);
        put(row, 43, "1," + s.height + " m.");
        put(row, 53, shortened(shortHair, s.hair));
        put(row, 64, shortened(shortEyes, s.eyes));
    }
    for (size_t r = 3; r < 28; ++r) {
        ASSERT_GE(rows[r].size(), 80u);
        EXPECT_EQ(rows[r].substr(0, 73), want[r].substr(0, 73))
            << "row " << r + 1 << ": " << Cp437_ToUtf8(rows[r]);
        EXPECT_EQ(rows[r][79], want[r][79]) << "row " << r + 1;
    }
}

// ---- Tests ------------------------------------------------------------------------------------

TEST_F(Opening, TheMenuScriptOfTheWholeGamePasses) {
    ASSERT_EQ(Run(std::string(BRUNOLT_GAME_SCRIPTS) + "/opening_menu.replay", GameMain), 0);
    const std::string state = Read("opening_menu_state.json");
    EXPECT_EQ(JsonNumber(state, "soundOff"), 1);
    EXPECT_EQ(JsonNumber(state, "playMinutes"), 9);
    EXPECT_EQ(JsonNumber(state, "menuItem"), 1);

    // The ten rising tones and the rests of the disclaimer (how many depends on when the
    // script's key came: at least one), the menu's music, the clicks of every time change and of
    // the sound switch, whatever the switch says, and the two tones of the end.
    const std::vector<std::string> sounds = Sounds("opening_menu_sounds.txt");
    const auto rests = std::count(sounds.begin(), sounds.end(), "tune P1");
    EXPECT_GE(rests, 1);
    EXPECT_LE(rests, 14);
    std::vector<std::string> want;
    for (int f = 100; f <= 9100; f += 1000)
        want.push_back("tone " + std::to_string(f) + " Hz 0.3 ticks");
    for (long i = 0; i < rests; ++i) want.push_back("tune P1");
    want.push_back("file Presenta.ogg");
    for (int i = 0; i < 7; ++i) want.push_back("tune L50O4a");   // 14 -> 20, and once at 20
    for (int i = 0; i < 16; ++i) want.push_back("tune L50O3c");  // 20 -> 5, and once at 5
    for (int i = 0; i < 4; ++i) want.push_back("tune L50O4a");   // 5 -> 9
    want.push_back("tune L50O4a");                               // sound switched off
    want.push_back("tone 3000 Hz 0.5 ticks");
    want.push_back("tone 2000 Hz 0.5 ticks");
    EXPECT_EQ(sounds, want);
}

TEST_F(Opening, TheDisclaimerEndsAfterThePassInWhichAKeyWasPressed) {
    ASSERT_EQ(Run(OpeningScript("disclaimer_key.txt"), DisclaimerWithAKeyThenEnd), 0);
    EXPECT_EQ(g_disclaimers_returned.exchange(0), 1);
    const std::vector<std::string> sounds = Sounds("disclaimer_key_sounds.txt");
    ASSERT_EQ(sounds.size(), 11u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(sounds[static_cast<size_t>(i)],
                  "tone " + std::to_string(100 + 1000 * i) + " Hz 0.3 ticks");
    }
    EXPECT_EQ(sounds[10], "tune P1");
    EXPECT_TRUE(fs::exists(fs::path(out_) / "disclaimer.png"));
}

TEST_F(Opening, TheDisclaimerRunsOutAfterFourteenPasses) {
    ASSERT_EQ(Run(OpeningScript("disclaimer_runs_out.txt"), DisclaimerThenEnd), 0);
    EXPECT_EQ(g_disclaimers_returned.exchange(0), 1);
    const std::vector<std::string> sounds = Sounds("disclaimer_out_sounds.txt");
    ASSERT_EQ(sounds.size(), 24u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(sounds[static_cast<size_t>(i)],
                  "tone " + std::to_string(100 + 1000 * i) + " Hz 0.3 ticks");
    }
    for (size_t i = 10; i < 24; ++i) EXPECT_EQ(sounds[i], "tune P1");
}

TEST_F(Opening, TheInstructionsStateTheDrawnCase) {
    ASSERT_EQ(Run(OpeningScript("menu_text.txt"), MenuThenEnd), 0);
    const std::string state = Read("menu_state.json");
    const int bank = JsonNumber(state, "bankCityNumber");
    const int sum = JsonNumber(state, "stolenSum");
    ASSERT_GE(bank, 1);
    ASSERT_LE(bank, 15);
    ASSERT_GE(sum, 10);
    ASSERT_LE(sum, 98);
    const std::vector<std::string> cities = JsonTexts(state, "bankCities");
    ASSERT_EQ(cities.size(), 15u);
    EXPECT_EQ(cities[0], "Bari");
    EXPECT_EQ(cities[14], "Catania");
    EXPECT_GE(JsonNumber(state, "culpritIndex"), 1);
    EXPECT_LE(JsonNumber(state, "culpritIndex"), 10);
    EXPECT_EQ(g_state.bankCities[static_cast<size_t>(bank)], cities[static_cast<size_t>(bank - 1)]);

    const std::string v(1, '\xBA');
    auto padded = [&](std::string inside) {
        inside.resize(64, ' ');
        return v + inside + v;
    };
    const std::vector<std::string> want = {
        Frame('\xC9', 64, '\xBB'),
        v + "                      I S T R U Z I O N I                       " + v,
        padded(""),
        padded(" Un evaso di galera, ha rubato in una banca di " +
               cities[static_cast<size_t>(bank - 1)] + " una somma"),
        v + " di " + std::to_string(sum) +
            " miliardi di lire. Ora si trova rinchiuso nella sua villa " + v,
        v + " in campagna ed esce soltanto per comprarsi da mangiare e bere. " + v,
        v + " Saprai scoprire chi \x8A, e qual'\x8A il suo numero di telefono?.... " + v,
        padded(" Telefonando ai dieci testimoni, potrai scoprire informazioni"),
        padded(" utili. Prememdo <F4> potrai avere l'elenco dei dieci sospetti."),
        padded(" Per comporre un numero di telefono utilizzare <\x1A> o <\x1B> e <\x11\xD9>"),
        Frame('\xC8', 64, '\xBC'),
        Frame('\xC9', 64, '\xBB'),
        padded("                           M  E  N  U"),
        padded(""),
        padded(" " + Frame('\xC9', 10, '\xBB') + "            " + Frame('\xC9', 13, '\xBB') +
               "          " + Frame('\xC9', 11, '\xBB')),
        padded(" " + v + " Suono:SI " + v + "            " + v + " Esci al DOS " + v +
               "          " + v + " G I O C O " + v),
        padded(" " + Frame('\xC8', 10, '\xBC') + "            " + Frame('\xC8', 13, '\xBC') +
               "          " + Frame('\xC8', 11, '\xBC')),
        padded("             " + Frame('\xC9', 35, '\xBB')),
        padded("             " + v + " Tempo:" + std::string(14, '\xDB') + std::string(6, '\xB1') +
               " 14 min." + v),
        padded("             " + Frame('\xC8', 35, '\xBC')),
        Frame('\xC8', 64, '\xBC'),
    };
    const std::vector<std::string> rows = ScreenRows(Lines("menu_text.txt"));
    ASSERT_GE(rows.size(), 28u);
    for (size_t i = 0; i < want.size(); ++i) {
        const std::string& row = rows[7 + i];
        ASSERT_GE(row.size(), 73u);
        EXPECT_EQ(row.substr(7, 66), want[i]) << "row " << 8 + i << ": " << Cp437_ToUtf8(row);
    }
    EXPECT_TRUE(fs::exists(fs::path(out_) / "menu.png"));
}

TEST_F(Opening, TheMenuOpensAgainOnItemOneWithTheSettingsAsLeft) {
    ASSERT_EQ(Run(OpeningScript("menu_again.txt"), MenuAfterMenu), 0);
    const std::string state = Read("menu_again_state.json");
    EXPECT_EQ(JsonNumber(state, "soundOff"), 1);
    EXPECT_EQ(JsonNumber(state, "playMinutes"), 10);
    EXPECT_EQ(JsonNumber(state, "menuItem"), 4);
    // The case of the game in between was made.
    EXPECT_FALSE(g_state.suspects[1].firstName.empty());
}

TEST_F(Opening, TheSuspectListShowsTheGeneratedSuspects) {
    ASSERT_EQ(Run(OpeningScript("suspect_list.txt"), SuspectListThenEnd), 0);
    ExpectListShows(Lines("suspect_list.txt"), g_state.suspects);

    // The photographs: the eyes in the colour of the suspect's eyes, and the whole picture as
    // its parts make it.
    ASSERT_EQ(g_eye_pixels.size(), 80u);
    for (size_t i = 1; i <= 10; ++i) {
        const int colour = SuspectList_EyeLook(g_state.suspects[i].eyes).colour;
        for (size_t k = 0; k < 8; ++k)
            EXPECT_EQ(g_eye_pixels[(i - 1) * 8 + k], colour) << "suspect " << i;
    }
    ASSERT_FALSE(g_photos_drawn.empty());
    EXPECT_EQ(g_photos_drawn, g_photos_composed);
    EXPECT_NE(std::count(g_photos_drawn.begin(), g_photos_drawn.end(), 0),
              static_cast<long>(g_photos_drawn.size()));
}

TEST_F(Opening, FourOnTheTelephoneShowsTheListAndAGameKeepsTheSettings) {
    ASSERT_EQ(Run(std::string(BRUNOLT_GAME_SCRIPTS) + "/opening_after_game.replay", GameMain), 0);
    const Suspects suspects = JsonSuspects(Read("opening_after_game_state.json"));
    ASSERT_FALSE(suspects[10].firstName.empty());
    ExpectListShows(Lines("opening_after_game_list.txt"), suspects);
    const std::string after = Read("opening_after_game_state2.json");
    EXPECT_EQ(JsonNumber(after, "soundOff"), 1);
    EXPECT_EQ(JsonNumber(after, "playMinutes"), 5);
    EXPECT_EQ(JsonNumber(after, "timedOut"), 1);
    EXPECT_EQ(JsonNumber(after, "menuItem"), 1);
}

TEST(SuspectListLooks, EveryShortenedTextFitsItsColumn) {
    const char* hair[] = {"biondi",       "rossi",         "castani", "neri",
                          "brizzolati",   "bianchi",       "calvo",   "leggermente brizzolati",
                          "biondo scuro", "castano chiaro"};
    const char* files[] = {"capbi.grh",  "capro.grh", "capcas.grh", "capner.grh", "capbri.grh",
                           "capbia.grh", "calvo.grh", "legbri.grh", "bioscu.grh", "cachi.grh"};
    for (size_t i = 0; i < 10; ++i) {
        const HairLook look = SuspectList_HairLook(hair[i]);
        ASSERT_GE(look.pictureIndex, 0) << hair[i];
        EXPECT_STREQ(kMenHairFiles[static_cast<size_t>(look.pictureIndex)], files[i]) << hair[i];
        EXPECT_LE(std::string(look.shortText).size(), 9u) << hair[i];
    }
    const std::vector<std::pair<const char*, int>> eyes = {
        {"azzurri", 3},         {"neri", 0},         {"verdi", 2}, {"castani", 6},
        {"castano chiaro", 14}, {"blu", 1},          {"grigi", 7}, {"verde chiaro", 10},
        {"azzurro chiaro", 11}, {"castano scuro", 6}};
    for (const auto& [name, colour] : eyes) {
        const EyeLook look = SuspectList_EyeLook(name);
        EXPECT_EQ(look.colour, colour) << name;
        EXPECT_LE(std::string(look.shortText).size(), 9u) << name;
        EXPECT_FALSE(std::string(look.shortText).empty()) << name;
    }
}

}  // namespace
