// Whole games on the telephone screen, played headless from replay scripts: what the scripts
// leave behind (screens, state, sound logs) is checked against the game's state.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cp437.h"
#include "game_state.h"
#include "replay_driver.h"

namespace fs = std::filesystem;

namespace {

class PhoneGame : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/brunolt-phone-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        out_ = pattern;
    }
    void TearDown() override {
        std::error_code error;
        if (getenv("BRUNOLT_KEEP_OUTPUT") == nullptr) fs::remove_all(out_, error);
    }

    int Run(const std::string& script) {
        ReplayOptions options;
        options.script_path = std::string(BRUNOLT_GAME_SCRIPTS) + "/" + script;
        options.start_directory = out_;
        options.main_module = GameMain;
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
    // The sound log without start times and silence markers: "tune L50O5a", "file x.ogg" ...
    std::vector<std::string> Sounds(const std::string& name) const {
        std::vector<std::string> sounds;
        for (const std::string& line : Lines(name)) {
            const std::string what = line.substr(line.find(' ') + 1);
            if (what.rfind("silence", 0) != 0) sounds.push_back(what);
        }
        return sounds;
    }
    // A screen file as code page 437 rows, one byte a column: Text(rows, row, column, n).
    std::vector<std::string> Screen(const std::string& name) const {
        std::vector<std::string> rows;
        for (const std::string& row : Lines(name)) rows.push_back(Cp437_FromUtf8(row));
        return rows;
    }

    std::string out_;
};

// `count` cells of a screen from a 1-based row and column.
std::string Cells(const std::vector<std::string>& rows, size_t row, size_t column, size_t count) {
    if (row < 1 || row > rows.size() || column < 1) return "<off screen>";
    return rows[row - 1].substr(column - 1, count);
}
bool RowHas(const std::vector<std::string>& rows, size_t row, const std::string& text) {
    return row >= 1 && row <= rows.size() && rows[row - 1].find(text) != std::string::npos;
}

int JsonNumber(const std::string& json, const std::string& name) {
    const size_t at = json.find("\"" + name + "\": ");
    if (at == std::string::npos) return -1000;
    return std::stoi(json.substr(at + name.size() + 4));
}
std::string JsonText(const std::string& json, const std::string& name) {
    const size_t at = json.find("\"" + name + "\": \"");
    if (at == std::string::npos) return "<none>";
    const size_t open = at + name.size() + 4;
    return Cp437_FromUtf8(json.substr(open + 1, json.find('"', open + 1) - open - 1));
}
std::vector<std::string> JsonTexts(const std::string& json, const std::string& name) {
    std::vector<std::string> texts;
    size_t at = json.find("\"" + name + "\": [");
    if (at == std::string::npos) return texts;
    const size_t end = json.find(']', at);
    at = json.find('[', at) + 1;
    for (;;) {
        const size_t open = json.find('"', at);
        if (open == std::string::npos || open > end) break;
        const size_t close = json.find('"', open + 1);
        texts.push_back(Cp437_FromUtf8(json.substr(open + 1, close - open - 1)));
        at = close + 1;
    }
    return texts;
}
std::vector<int> JsonNumbers(const std::string& json, const std::string& name) {
    std::vector<int> numbers;
    size_t at = json.find("\"" + name + "\": [");
    if (at == std::string::npos) return numbers;
    std::istringstream in(json.substr(json.find('[', at) + 1));
    for (std::string item; std::getline(in, item, ',');) {
        numbers.push_back(std::stoi(item));
        if (item.find(']') != std::string::npos) break;
    }
    return numbers;
}
// A field of person `index` (1-10) in the "witnesses" or "suspects" list.
std::string Person(const std::string& json, const std::string& list, int index,
                   const std::string& field) {
    size_t at = json.find("\"" + list + "\": [");
    for (int i = 0; i < index && at != std::string::npos; ++i) at = json.find('{', at + 1);
    if (at == std::string::npos) return "<none>";
    const std::string record = json.substr(at, json.find('}', at) - at);
    return JsonText(record, field);
}

int Sum(const std::string& number) {
    int sum = 0;
    for (char c : number) sum += c - '0';
    return sum;
}
std::string Shown(const std::string& n) {
    return n.substr(0, 2) + "-" + n.substr(2, 2) + "-" + n.substr(4, 2);
}
std::string NameText(const std::string& state, const std::string& list, int index) {
    return Person(state, list, index, "firstName") + " " + Person(state, list, index, "surname") +
           " di " + Person(state, list, index, "city");
}

size_t Count(const std::vector<std::string>& sounds, const std::string& what) {
    return static_cast<size_t>(std::count(sounds.begin(), sounds.end(), what));
}

TEST_F(PhoneGame, AWholeGameFromTheFirstNumberToTheConfession) {
    ASSERT_EQ(Run("phone_game.replay"), 0);

    // The start: the culprit's number drawn, its digit sum the target, no line used.
    const std::string start = Read("phone_game_start.json");
    const std::string culpritNumber = JsonText(start, "culpritNumber");
    ASSERT_EQ(culpritNumber.size(), 6u);
    const int target = JsonNumber(start, "targetSum");
    EXPECT_EQ(target, Sum(culpritNumber));
    EXPECT_EQ(JsonNumber(start, "currentLine"), 1);
    EXPECT_EQ(JsonText(start, "freeNumber"), culpritNumber);

    // A nonexistent number.
    EXPECT_TRUE(RowHas(Screen("phone_game_nonexistent.txt"), 3, "  Numero inesistente!! "));

    // The first existing number is busy: its owner (witness 1) named in light cyan, the number
    // stored on line 1 and listed.
    const std::string busy = Read("phone_game_busy.json");
    const std::vector<std::string> lines = JsonTexts(busy, "lineNumbers");
    ASSERT_EQ(lines.size(), 10u);
    ASSERT_EQ(lines[0].size(), 6u);
    EXPECT_EQ(Sum(lines[0]), target);
    EXPECT_NE(lines[0], culpritNumber);
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(JsonNumbers(busy, "lineSums")[0], target);
    EXPECT_EQ(JsonNumber(busy, "currentLine"), 2);
    const std::vector<std::string> busyScreen = Screen("phone_game_busy.txt");
    EXPECT_TRUE(RowHas(busyScreen, 3, "    Numero occupato!!  "));
    EXPECT_EQ(Cells(busyScreen, 27, 3, 22), "Numero di telefono di:");
    const std::string owner = NameText(busy, "witnesses", 1);
    EXPECT_EQ(Cells(busyScreen, 27, 25, owner.size()), owner);
    EXPECT_EQ(Cells(Screen("phone_game_busy_listed.txt"), 13, 61, 11), "N\xF8 " + Shown(lines[0]));

    // Half a number, then the suspect list: the number is gone, lines and clock remain.
    const std::vector<std::string> half = Screen("phone_game_half.txt");
    EXPECT_EQ(Cells(half, 3, 33, 1), "3");
    EXPECT_EQ(Cells(half, 7, 65, 1), "2");
    const std::string after = Read("phone_game_after_list.json");
    EXPECT_EQ(JsonNumber(after, "digitCount"), 0);
    EXPECT_EQ(JsonText(after, "dialledNumber"), "");
    EXPECT_EQ(JsonTexts(after, "lineNumbers"), lines);
    EXPECT_EQ(JsonNumber(after, "currentLine"), 2);
    EXPECT_GE(JsonNumber(after, "elapsed"), JsonNumber(busy, "elapsed"));
    const std::vector<std::string> afterScreen = Screen("phone_game_after_list.txt");
    EXPECT_EQ(Cells(afterScreen, 3, 33, 8), std::string(8, ' '));
    EXPECT_EQ(Cells(afterScreen, 13, 61, 11), "N\xF8 " + Shown(lines[0]));
    EXPECT_TRUE(RowHas(Screen("phone_game_list.txt"), 2, "Elenco sospetti:"));

    // A witness answers (line 2): the introduction and a true clue of kind 5, 16 days ago.
    const std::string witness = Read("phone_game_witness.json");
    EXPECT_EQ(JsonNumber(witness, "selectedLine"), 2);
    EXPECT_EQ(JsonNumber(witness, "currentLine"), 3);
    EXPECT_EQ(JsonNumbers(witness, "clueKind")[1], 5);
    EXPECT_EQ(JsonNumbers(witness, "daysAgo")[1], 16);
    const std::string second = JsonTexts(witness, "lineNumbers")[1];
    EXPECT_EQ(Sum(second), target);
    const std::vector<std::string> talk = Screen("phone_game_witness.txt");
    const std::string first = Person(witness, "witnesses", 2, "firstName");
    const std::string surname = Person(witness, "witnesses", 2, "surname");
    const std::string intro = "Buongiorno, sono " + first + " " + surname + " di " +
                              Person(witness, "witnesses", 2, "city") + ".";
    EXPECT_EQ(Cells(talk, 15, 5, intro.size()), intro);
    const std::string age = Person(witness, "witnesses", 2, "age");
    const std::string profession = Person(witness, "witnesses", 2, "profession");
    std::string second_line = "Ho" + age + " anni";
    if (std::stoi(age) < 60) {
        second_line += (profession == "disoccupato" ? std::string(",sono ")
                                                    : std::string(",la mia attivit\x85 \x8A ")) +
                       profession.substr(0, 22) + ".";
    } else {
        second_line += ",la mia attivit\x85 era " + profession.substr(0, 20) + ".";
        const std::string retired =
            std::string("Adesso sono ") + (first.back() == 'a' ? "pensionata." : "pensionato.");
        EXPECT_EQ(Cells(talk, 17, 5, retired.size()), retired);
    }
    EXPECT_EQ(Cells(talk, 16, 5, second_line.size()), second_line);
    EXPECT_EQ(Cells(talk, 18, 5, 40), "Ho visto il colpevole 16 giorni fa, egli");
    const int culprit = JsonNumber(witness, "culpritIndex");
    const std::string hair = Person(witness, "suspects", culprit, "hair");
    if (hair == "calvo") {
        EXPECT_EQ(Cells(talk, 19, 5, 8), "\x8A calvo.");
    } else {
        EXPECT_EQ(Cells(talk, 19, 5, 13 + hair.size() + 1), "ha i capelli " + hair + ".");
    }
    EXPECT_EQ(Cells(talk, 21, 5, 21), "telefono sono - " + culpritNumber.substr(0, 3) + " -");
    const std::string farewell = "--- Distinti saluti da " + first + " " + surname + " ---";
    EXPECT_EQ(Cells(talk, 23, 6, farewell.size()), farewell);

    // The notice announces line 2; browsing down and up selects it again; calling it reaches
    // the same witness, who gives the same kind of clue, truthfully.
    const std::string notice = Read("phone_game_notice.json");
    EXPECT_EQ(JsonNumber(notice, "currentLine"), 4);
    EXPECT_EQ(JsonText(notice, "notice"), Shown(second));
    EXPECT_EQ(JsonText(notice, "freeNumber"), second);
    EXPECT_EQ(JsonNumber(notice, "selectedLine"), 2);
    const std::vector<std::string> noticeScreen = Screen("phone_game_notice.txt");
    EXPECT_TRUE(RowHas(noticeScreen, 3, "C'e un numero libero !!"));
    EXPECT_EQ(Cells(noticeScreen, 12, 61, 14), "** " + Shown(second) + " **");
    EXPECT_EQ(Cells(noticeScreen, 14, 61, 11), "N\xF8 " + Shown(second));
    const std::string name2 = NameText(notice, "witnesses", 2);
    EXPECT_EQ(Cells(noticeScreen, 27, 3, 22 + name2.size()), "Numero di telefono di:" + name2);
    const std::string again = Read("phone_game_again.json");
    EXPECT_EQ(JsonNumber(again, "commsCount"), 1);
    EXPECT_EQ(JsonNumbers(again, "clueKind")[1], 5);
    const std::vector<std::string> againScreen = Screen("phone_game_again.txt");
    EXPECT_EQ(Cells(againScreen, 18, 5, 40), Cells(talk, 18, 5, 40));
    EXPECT_EQ(Cells(againScreen, 21, 5, 23), Cells(talk, 21, 5, 23));

    // The culprit's number: the confession; the game is won with two conversations.
    const std::string won = Read("phone_game_won.json");
    EXPECT_EQ(JsonNumber(won, "timedOut"), 0);
    EXPECT_EQ(JsonNumber(won, "commsCount"), 2);
    const std::vector<std::string> confession = Screen("phone_game_confession.txt");
    const std::string salve = "Salve, sono " + NameText(won, "suspects", culprit);
    EXPECT_EQ(Cells(confession, 15, 5, salve.size()), salve);
    EXPECT_EQ(Cells(confession, 16, 5, 40), "Mi avete scoperto.....sono rovinato!!!..");
    EXPECT_EQ(Cells(confession, 3, 50, 22), std::string(22, '-'));
    EXPECT_EQ(Cells(confession, 21, 5, 37),
              "--- andate a fa....!!!?"
              "?!!!!?"
              "?!!? ---");

    // Half the name typed in the high-score entry, read while it waits for the next key.
    const std::string name = Read("phone_game_name.json");
    EXPECT_EQ(JsonText(name, "typedName"), "PHO");
    EXPECT_EQ(JsonNumber(name, "typedCount"), 3);

    // The sound log of the whole game.
    const std::vector<std::string> sounds = Sounds("phone_game_sounds.txt");
    EXPECT_EQ(Count(sounds, "file telibero.ogg"), 2u);
    EXPECT_EQ(Count(sounds, "file scoperto.ogg"), 1u);
    EXPECT_EQ(Count(sounds, "tune L30O4abc"), 1u);  // the notice
    EXPECT_EQ(Count(sounds, "tune L20O4ac"), 2u);   // the end of each conversation
    // Ten busy signals for line 1, ten for line 3; rings three per answered call.
    EXPECT_EQ(Count(sounds, "tune O2L10a"), 20u);
    EXPECT_EQ(Count(sounds, "tune L2O2a"), 9u);
    // Five low tunes for the nonexistent number with sound on.
    EXPECT_EQ(Count(sounds, "tune L10O0aP16"), 5u);
    // The siren closes the log: 20 tones after the confession's music.
    auto music = std::find(sounds.begin(), sounds.end(), "file scoperto.ogg");
    ASSERT_NE(music, sounds.end());
    ASSERT_EQ(sounds.end() - music, 21);
    EXPECT_EQ(music[1], "tone 100 Hz 0.5 ticks");
    EXPECT_EQ(music[7], "tone 700 Hz 0.5 ticks");
    EXPECT_EQ(music[20], "tone 600 Hz 0.5 ticks");

    // The sound switch.
    // From F2 to F1: the pulses of 111111 and the nonexistent number's tunes as pauses, and a
    // dialling tone of pauses only.
    const std::vector<std::string> switched = Sounds("phone_game_switch_sounds.txt");
    const auto off = std::find(switched.begin(), switched.end(), "tune P25");
    ASSERT_NE(off, switched.end());
    const std::vector<std::string> quiet(off, switched.end());
    EXPECT_EQ(Count(quiet, "tune P25"), 6u);
    EXPECT_EQ(Count(quiet, "tune P5"), 5u);
    EXPECT_GE(Count(quiet, "tune P15"), 1u);
    for (const std::string& sound : quiet) {
        EXPECT_TRUE(sound.rfind("tune P", 0) == 0) << sound;
    }
    // Sound on again after F1: the next number's choosing tones are heard.
    const auto back =
        std::find(sounds.begin() + (off - switched.begin()) + 1, sounds.end(), "tune L50O5a");
    EXPECT_NE(back, sounds.end());
}

TEST_F(PhoneGame, TimeRunsOutAfterFiveMinutes) {
    ASSERT_EQ(Run("phone_timeout.replay"), 0);
    EXPECT_EQ(Cells(Screen("phone_timeout_last_minute.txt"), 26, 73, 3), " 1 ");
    const std::vector<std::string> screen = Screen("phone_timeout.txt");
    EXPECT_EQ(Cells(screen, 27, 3, 16), "Tempo scaduto!!!");
    EXPECT_EQ(Cells(screen, 26, 73, 3), " 0 ");
    const std::string state = Read("phone_timeout_state.json");
    EXPECT_EQ(JsonNumber(state, "timedOut"), 1);
    EXPECT_EQ(JsonNumber(state, "playMinutes"), 5);
    EXPECT_EQ(JsonNumber(state, "menuItem"), 1);  // back at the menu, no high-score table
    EXPECT_EQ(JsonText(state, "resultTime").substr(0, 1), "5");
    // The time-out music and 67 tones falling from 10000 Hz to 100 Hz.
    const std::vector<std::string> sounds = Sounds("phone_timeout_sounds.txt");
    auto music = std::find(sounds.begin(), sounds.end(), "file scaduto.ogg");
    ASSERT_NE(music, sounds.end());
    std::vector<std::string> falling;
    for (int f = 10000; f >= 100; f -= 150)
        falling.push_back("tone " + std::to_string(f) + " Hz 0.7 ticks");
    ASSERT_EQ(falling.size(), 67u);
    ASSERT_GE(sounds.end() - music, 68);
    EXPECT_EQ(std::vector<std::string>(music + 1, music + 68), falling);
}

TEST_F(PhoneGame, EscEndsTheProgramAfterTheEndPrompt) {
    ASSERT_EQ(Run("phone_esc.replay"), 0);
    const std::vector<std::string> sounds = Sounds("phone_esc_sounds.txt");
    ASSERT_GE(sounds.size(), 3u);
    EXPECT_EQ(sounds[sounds.size() - 3], "tone 3000 Hz 0.5 ticks");
    EXPECT_EQ(sounds[sounds.size() - 2], "tone 2000 Hz 0.5 ticks");
    EXPECT_EQ(sounds[sounds.size() - 1], "file finale.ogg");
}

}  // namespace

namespace {

TEST_F(PhoneGame, DigitsAreChosenAndDialledWithPulses) {
    ASSERT_EQ(Run("phone_digits.replay"), 0);
    const std::vector<std::string> screen = Screen("phone_digits.txt");
    EXPECT_EQ(Cells(screen, 3, 33, 3), "50 ");
    EXPECT_EQ(Cells(screen, 7, 65, 1), "0");
    // The path: five steps and a corner for the 5, its value beside it; then down, and the 0
    // turns at once with the branch mark.
    EXPECT_EQ(Cells(screen, 12, 2, 7), "\xC7\xC2\xC2\xC2\xC2\xBF\xB1");
    EXPECT_EQ(Cells(screen, 12, 9, 3), " 5 ");
    EXPECT_EQ(Cells(screen, 13, 7, 1), "\xB3");
    EXPECT_EQ(Cells(screen, 14, 7, 1), "\xC3");
    EXPECT_EQ(Cells(screen, 14, 9, 3), " 0 ");
    EXPECT_EQ(Cells(screen, 15, 7, 1), "\xB3");
    EXPECT_EQ(Cells(screen, 16, 7, 1), "\xC3");
    // The marker rests above the 0 after its ten pulses.
    EXPECT_EQ(Cells(screen, 7, 50, 1), "\xDB");
    const std::string state = Read("phone_digits.json");
    EXPECT_EQ(JsonNumber(state, "digitCount"), 2);
    EXPECT_EQ(JsonText(state, "dialledNumber"), "50");
    EXPECT_EQ(JsonNumber(state, "digitValue"), 0);

    const std::vector<std::string> sounds = Sounds("phone_digits_sounds.txt");
    EXPECT_EQ(Count(sounds, "tune L30O0a"), 1u);       // the refused Enter
    EXPECT_EQ(Count(sounds, "tune L50O0aP30"), 15u);   // 5 + 10 pulses
    EXPECT_EQ(Count(sounds, "tune L50O5a"), 5u + 9u);  // the tenth right does nothing
    EXPECT_EQ(Count(sounds, "tune L50O2b"), 9u);       // the tenth left does nothing
}

}  // namespace
