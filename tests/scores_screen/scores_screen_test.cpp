// ShowHighScores run headless in the real runtime: keys typed into the window, the table read
// back from the visual page, and the tempo.max the screen leaves behind.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "errors.h"
#include "file_test_support.h"
#include "files_os.h"
#include "game_state.h"
#include "key_names.h"
#include "key_typer.h"
#include "keyboard.h"
#include "low_memory.h"
#include "png_writer.h"
#include "runtime_main.h"
#include "screen_snapshot.h"
#include "shared_words.h"
#include "test_platform.h"
#include "virtual_mixer.h"

namespace fs = std::filesystem;

namespace {

// ---- The program: the screen, then a park that leaves its last picture on display -----------

// Set before the run, read by the program thread.
RtString g_result_time;
// Set by the program thread when the screen has returned.
std::atomic<bool> g_returned{false};

void ScoresThenPark() {
    STMT(ShowHighScores(g_result_time));
    g_returned = true;
    // Not the program's end: the display loop goes on presenting until the test closes it.
    Rt_ParkProgramThread();
}

// ---- What the visual page shows ----------------------------------------------------------------

// The recognised cells of one text row as code page 437 bytes, '?' where a cell shows no glyph.
std::string RowText(const std::vector<std::vector<RecognisedCell>>& cells, int row) {
    std::string text;
    for (const RecognisedCell& cell : cells.at(static_cast<size_t>(row - 1))) {
        text += static_cast<char>(cell.code);
    }
    return text;
}

// `length` columns of a row from `column` (both 1-based).
std::string Cells(const ScreenSnapshot& snapshot, int row, int column, size_t length) {
    return RowText(Snapshot_Recognise(snapshot), row)
        .substr(static_cast<size_t>(column - 1), length);
}

// A line of the list from column 7: place, degree sign, name, the time from its column and
// "Minuti" from column 28, blanks between.
std::string ListLine(int place, const std::string& name, const std::string& time, int time_column) {
    std::string line = " " + std::to_string(place) + "\xF8 " + name;
    line.resize(static_cast<size_t>(time_column - 7), ' ');
    line += time;
    line.resize(28 - 7, ' ');
    return line + "Minuti";
}
constexpr size_t kLineLength = 27;  // columns 7 to 33

// ---- Driving the running program from the display loop ------------------------------------

// One step of what the test does while the program runs.
struct Step {
    enum class Kind { Key, Await, Idle };
    Kind kind = Kind::Key;
    std::vector<plat::WindowEvent> events;             // Key: one press
    std::string name;                                  // Await: the snapshot's name
    std::function<bool(const ScreenSnapshot&)> ready;  // Await: the picture waited for
    uint64_t passes = 0;                               // Idle: event passes to let go by
};

// A key by its name in replay scripts ("Enter", "F1").
Step Key(const std::string& name) {
    Step step;
    EXPECT_TRUE(Keys_Press(name, step.events)) << name;
    return step;
}
// A printable character typed as a keyboard sends it, Shift included.
Step Char(char c) {
    Step step;
    step.events = Keys_TypeChar(c);
    return step;
}
std::vector<Step> Type(const std::string& text) {
    std::vector<Step> steps;
    for (char c : text) steps.push_back(Char(c));
    return steps;
}
Step Await(const std::string& name, std::function<bool(const ScreenSnapshot&)> ready) {
    Step step;
    step.kind = Step::Kind::Await;
    step.name = name;
    step.ready = std::move(ready);
    return step;
}
Step Idle(uint64_t passes) {
    Step step;
    step.kind = Step::Kind::Idle;
    step.passes = passes;
    return step;
}

bool KeyRingEmpty() {
    uint8_t* low = Rt_LowMemory();
    auto word = [low](size_t address) {
        return std::atomic_ref<uint16_t>(*reinterpret_cast<uint16_t*>(low + address)).load();
    };
    return word(kLowMemKeyRingHead) == word(kLowMemKeyRingTail);
}

// Runs on the start-up thread after every pass of the display loop: types one key at a time
// once the last one has been taken, waits for pictures, and closes the window when the screen
// has returned and its last picture has been taken.
class Driver {
  public:
    std::vector<Step> steps;
    std::map<std::string, ScreenSnapshot> shots;
    std::map<std::string, bool> returnedAt;  // whether the screen had returned at each shot
    std::string failure;

    void Pass() {
        if (closed_) return;
        if (++passes_ > kMostPasses) {
            failure = "gave up at step " + std::to_string(step_);
            Close();
            return;
        }
        typer_.serve();
        const uint64_t events = Rt_EventPasses();
        // The last key typed has reached the ring and been taken from it.
        const bool settled = typer_.drained() && KeyRingEmpty();
        if (step_ < steps.size()) {
            const Step& step = steps[step_];
            switch (step.kind) {
                case Step::Kind::Key:
                    if (!settled) return;
                    typer_.press(step.events);
                    ++step_;
                    return;
                case Step::Kind::Await: {
                    if (!settled) return;
                    ScreenSnapshot snapshot;
                    if (!Snapshot_Take(snapshot) || !step.ready(snapshot)) return;
                    returnedAt[step.name] = g_returned.load();
                    shots[step.name] = std::move(snapshot);
                    ++step_;
                    return;
                }
                case Step::Kind::Idle:
                    if (idleFrom_ == 0) idleFrom_ = events;
                    if (events - idleFrom_ < step.passes) return;
                    idleFrom_ = 0;
                    ++step_;
                    return;
            }
        }
        if (!g_returned.load()) return;
        if (idleFrom_ == 0) idleFrom_ = events;
        if (events - idleFrom_ < 3) return;
        returnedAt["end"] = true;
        Snapshot_Take(shots["end"]);
        Close();
    }

  private:
    static constexpr uint64_t kMostPasses = 8'000;

    void Close() {
        plat::WindowEvent quit;
        quit.kind = plat::WindowEvent::Kind::Quit;
        plat::Plat().window->inject_event(quit);
        closed_ = true;
    }

    size_t step_ = 0;
    uint64_t passes_ = 0;
    KeyTyper typer_;
    uint64_t idleFrom_ = 0;
    bool closed_ = false;
};

Driver* g_driver = nullptr;  // start-up thread only, for the loop hook
void DriverPass() {
    if (g_driver != nullptr) g_driver->Pass();
}

std::string Record(const std::string& name, const std::string& time) {
    return "\"" + name + "\",\"" + time + "\"\r\n";
}

using Records = std::vector<std::pair<std::string, std::string>>;

std::string Table(const Records& records) {
    std::string bytes;
    for (const auto& [name, time] : records) bytes += Record(name, time);
    return bytes;
}

// ---- Each test runs the screen in its own folder -------------------------------------------

class ScoresScreen : public testing::Test {
  protected:
    void SetUp() override {
        char cwd[PATH_MAX] = {};
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        startDirectory_ = cwd;
        char pattern[] = "/tmp/brunolt-scores-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        // The tests run beside the built pictures.
        fs::copy_file(fs::path(startDirectory_) / "cor.grh", folder_ / "cor.grh");
        g_returned = false;
    }
    void TearDown() override {
        Rt_SetLoopHook(nullptr);
        g_driver = nullptr;
        EXPECT_EQ(chdir(startDirectory_.c_str()), 0);
        std::error_code error;
        if (getenv("BRUNOLT_KEEP_OUTPUT") == nullptr) fs::remove_all(folder_, error);
    }

    void WriteTempo(const std::string& bytes) {
        std::ofstream out(folder_ / "tempo.max", std::ios::binary);
        out << bytes;
    }
    std::string ReadTempo() const {
        std::ifstream in(folder_ / "tempo.max", std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

    // Runs the screen with `resultTime`, driven by `driver`; returns the exit code.
    int Run(const std::string& resultTime, Driver& driver) {
        g_result_time = resultTime;
        g_driver = &driver;
        Rt_SetLoopHook(DriverPass);
        Kbd_Reset();
        platform_.mixer = &mixer_;
        platform_.module_directory = folder_.string() + "/";
        std::string name = "Brunolt";
        char* argv[] = {name.data()};
        const int code = RuntimeRun(1, argv, platform_, ScoresThenPark);
        Rt_SetLoopHook(nullptr);
        g_driver = nullptr;
        return code;
    }

    testing_support::HeadlessPlatform headless_;
    plat::VirtualMixer mixer_;
    plat::Platform platform_ = headless_.platform();
    std::string startDirectory_;
    fs::path folder_;
};

// The name row from column 15 to 26 is the picture waited for, with the five places of the
// list all readable (a snapshot may catch the drawing of a row half done).
std::function<bool(const ScreenSnapshot&)> NameRowShows(const std::string& text) {
    return [text](const ScreenSnapshot& s) {
        if (Cells(s, 20, 15, 12) != text) return false;
        for (int row = 7; row <= 11; ++row) {
            const std::string place = Cells(s, row, 7, kLineLength);
            if (place.find('?') != std::string::npos) return false;
            if (place.find_first_not_of(' ') == std::string::npos) return false;
        }
        return true;
    };
}

void ExpectList(const ScreenSnapshot& snapshot, const std::vector<std::string>& lines) {
    const auto cells = Snapshot_Recognise(snapshot);
    for (int w = 1; w <= 5; ++w) {
        const std::string row = RowText(cells, w + 6);
        EXPECT_EQ(row.substr(6, kLineLength), lines[static_cast<size_t>(w - 1)]) << "place " << w;
        // Nothing else on the row between the border's two sides.
        EXPECT_EQ(row.substr(5, 1) + row.substr(6 + kLineLength, 2), "   ") << "place " << w;
        // Every glyph of place w in colour w + 10.
        for (size_t c = 6; c < 6 + kLineLength; ++c) {
            const RecognisedCell& cell = cells[static_cast<size_t>(w + 5)][c];
            if (cell.code != ' ') {
                EXPECT_EQ(cell.foreground, w + 10) << "place " << w << " column " << c + 1;
            }
        }
    }
}

// Every file in the test's folder, sorted.
std::vector<std::string> FolderNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// ---- The tests ------------------------------------------------------------------------------

TEST_F(ScoresScreen, ANewTimeEqualToAnOldOneRanksBelowItAndTheFileIsRewritten) {
    WriteTempo(Table({{"ANNA", "0300"},
                      {"BRUNO", "0500"},
                      {"CARLA", "0700"},
                      {"DARIO", "0900"},
                      {"ELENA", "1100"}}));
    Driver driver;
    // The first picture: headings, the old list, the dots and the cursor at column 15.
    driver.steps.push_back(Await("old", NameRowShows("_...........")));
    // Keys that the entry ignores: Backspace with nothing typed, a blank, a comma, a double
    // quote, an arrow and a function key.
    driver.steps.push_back(Key("Backspace"));
    driver.steps.push_back(Char(' '));
    driver.steps.push_back(Char(','));
    driver.steps.push_back(Char('"'));
    driver.steps.push_back(Key("Right"));
    driver.steps.push_back(Key("F1"));
    driver.steps.push_back(Await("ignored", NameRowShows("_...........")));
    for (const Step& step : Type("Zo")) driver.steps.push_back(step);
    driver.steps.push_back(Key("Left"));
    driver.steps.push_back(Char('e'));
    driver.steps.push_back(Await("typed", NameRowShows("Zoe_........")));
    driver.steps.push_back(Key("Enter"));
    driver.steps.push_back(Await("table", [](const ScreenSnapshot& s) {
        return Cells(s, 20, 15, 12) == "Zoe........." &&
               Cells(s, 11, 7, kLineLength) == ListLine(5, "DARIO", "09,00", 22);
    }));
    // The new table stays until a key is pressed.
    driver.steps.push_back(Idle(30));
    driver.steps.push_back(Await("held", [](const ScreenSnapshot&) { return true; }));
    driver.steps.push_back(Char('q'));

    ASSERT_EQ(Run("500", driver), 0);
    ASSERT_EQ(driver.failure, "");
    EXPECT_TRUE(headless_.box.shown().empty());

    const ScreenSnapshot& old = driver.shots.at("old");
    EXPECT_EQ(Cells(old, 5, 12, 19), "Primi cinque posti:");
    EXPECT_EQ(Cells(old, 18, 9, 24), " Inserisci il tuo nome: ");
    ExpectList(old, {ListLine(1, "ANNA", "03,00", 22), ListLine(2, "BRUNO", "05,00", 22),
                     ListLine(3, "CARLA", "07,00", 22), ListLine(4, "DARIO", "09,00", 22),
                     ListLine(5, "ELENA", "11,00", 22)});
    const auto cells = Snapshot_Recognise(old);
    EXPECT_EQ(cells[4][11].foreground, 14);   // the heading in yellow
    EXPECT_EQ(cells[19][15].foreground, 14);  // the dots too
    EXPECT_FALSE(driver.returnedAt.at("ignored"));

    const std::vector<std::string> after = {
        ListLine(1, "ANNA", "03,00", 22), ListLine(2, "BRUNO", "05,00", 22),
        ListLine(3, "Zoe", "05,00", 22), ListLine(4, "CARLA", "07,00", 22),
        ListLine(5, "DARIO", "09,00", 22)};
    ExpectList(driver.shots.at("table"), after);
    EXPECT_FALSE(driver.returnedAt.at("table"));
    EXPECT_FALSE(driver.returnedAt.at("held"));
    ExpectList(driver.shots.at("end"), after);
    // A saved table keeps the prompt above the name.
    EXPECT_EQ(Cells(driver.shots.at("end"), 18, 9, 24), " Inserisci il tuo nome: ");
    EXPECT_TRUE(g_returned.load());

    EXPECT_EQ(ReadTempo(), Table({{"ANNA", "0300"},
                                  {"BRUNO", "0500"},
                                  {"Zoe", "0500"},
                                  {"CARLA", "0700"},
                                  {"DARIO", "0900"}}));
    // No temporary file is left beside it.
    EXPECT_EQ(FolderNames(folder_), (std::vector<std::string>{"cor.grh", "tempo.max"}));

    // The table as the player sees it, kept when asked for.
    if (const char* shot = getenv("BRUNOLT_SCORES_SHOT")) {
        const ScreenSnapshot& end = driver.shots.at("end");
        ASSERT_TRUE(plat::Png_WriteRgb(shot, end.window_width, end.window_height,
                                       end.window_pixels.data()));
    }
}

TEST_F(ScoresScreen, ElevenCharactersAreKeptAndShortTimesGetFourDigits) {
    WriteTempo(Table({{"ANNA", "734"},
                      {"BRUNO", "0800"},
                      {"CARLA", "0900"},
                      {"DARIO", "1000"},
                      {"ELENA", "1100"}}));
    Driver driver;
    driver.steps.push_back(Await("old", NameRowShows("_...........")));
    for (const Step& step : Type("ABCDEFGHIJ")) driver.steps.push_back(step);
    driver.steps.push_back(Await("ten", NameRowShows("ABCDEFGHIJ_.")));
    driver.steps.push_back(Char('K'));
    driver.steps.push_back(Await("eleven", NameRowShows("ABCDEFGHIJK_")));
    // The twelfth and thirteenth are shown at column 26 and covered by the cursor again.
    driver.steps.push_back(Char('L'));
    driver.steps.push_back(Char('M'));
    driver.steps.push_back(Await("thirteen", NameRowShows("ABCDEFGHIJK_")));
    // Backspace then takes back the eleventh.
    driver.steps.push_back(Key("Backspace"));
    driver.steps.push_back(Await("erased", NameRowShows("ABCDEFGHIJ_.")));
    driver.steps.push_back(Char('z'));
    driver.steps.push_back(Key("Enter"));
    driver.steps.push_back(Await("table", [](const ScreenSnapshot& s) {
        return Cells(s, 20, 15, 12) == "ABCDEFGHIJz." &&
               Cells(s, 11, 7, kLineLength) == ListLine(5, "DARIO", "10,00", 22);
    }));
    driver.steps.push_back(Key("Esc"));

    ASSERT_EQ(Run("042", driver), 0);
    ASSERT_EQ(driver.failure, "");
    EXPECT_TRUE(headless_.box.shown().empty());

    // A three-digit time is listed from column 23.
    ExpectList(driver.shots.at("old"),
               {ListLine(1, "ANNA", "7,34", 23), ListLine(2, "BRUNO", "08,00", 22),
                ListLine(3, "CARLA", "09,00", 22), ListLine(4, "DARIO", "10,00", 22),
                ListLine(5, "ELENA", "11,00", 22)});
    ExpectList(driver.shots.at("end"),
               {ListLine(1, "ABCDEFGHIJz", "00,42", 22), ListLine(2, "ANNA", "07,34", 22),
                ListLine(3, "BRUNO", "08,00", 22), ListLine(4, "CARLA", "09,00", 22),
                ListLine(5, "DARIO", "10,00", 22)});
    EXPECT_EQ(ReadTempo(), Table({{"ABCDEFGHIJz", "0042"},
                                  {"ANNA", "0734"},
                                  {"BRUNO", "0800"},
                                  {"CARLA", "0900"},
                                  {"DARIO", "1000"}}));
}

TEST_F(ScoresScreen, AnEmptyNameIsWrittenAsTwoQuotesAndAWorseTimeDropsOut) {
    WriteTempo(Table({{"ANNA", "0300"},
                      {"BRUNO", "0500"},
                      {"CARLA", "0700"},
                      {"DARIO", "0900"},
                      {"ELENA", "1100"}}));
    Driver driver;
    driver.steps.push_back(Await("old", NameRowShows("_...........")));
    driver.steps.push_back(Key("Enter"));
    driver.steps.push_back(Await("table", NameRowShows("............")));
    driver.steps.push_back(Char('x'));

    ASSERT_EQ(Run("1234", driver), 0);
    ASSERT_EQ(driver.failure, "");
    ExpectList(driver.shots.at("end"),
               {ListLine(1, "ANNA", "03,00", 22), ListLine(2, "BRUNO", "05,00", 22),
                ListLine(3, "CARLA", "07,00", 22), ListLine(4, "DARIO", "09,00", 22),
                ListLine(5, "ELENA", "11,00", 22)});
    EXPECT_EQ(ReadTempo(), Table({{"ANNA", "0300"},
                                  {"BRUNO", "0500"},
                                  {"CARLA", "0700"},
                                  {"DARIO", "0900"},
                                  {"ELENA", "1100"}}));

    // The same with a better time: the nameless entry takes its place.
    WriteTempo(Table({{"ANNA", "0300"},
                      {"BRUNO", "0500"},
                      {"CARLA", "0700"},
                      {"DARIO", "0900"},
                      {"ELENA", "1100"}}));
    g_returned = false;
    Driver again;
    again.steps = driver.steps;
    ASSERT_EQ(Run("1000", again), 0);
    ASSERT_EQ(again.failure, "");
    ExpectList(again.shots.at("end"),
               {ListLine(1, "ANNA", "03,00", 22), ListLine(2, "BRUNO", "05,00", 22),
                ListLine(3, "CARLA", "07,00", 22), ListLine(4, "DARIO", "09,00", 22),
                ListLine(5, "", "10,00", 22)});
    EXPECT_EQ(ReadTempo(), Table({{"ANNA", "0300"},
                                  {"BRUNO", "0500"},
                                  {"CARLA", "0700"},
                                  {"DARIO", "0900"},
                                  {"", "1000"}}));
}

TEST_F(ScoresScreen, AShortTableEndsInError62AndIsLeftAsItWas) {
    const std::string three = Table({{"ANNA", "0300"}, {"BRUNO", "0500"}, {"CARLA", "0700"}});
    WriteTempo(three);
    Driver driver;  // no steps: the error box ends the program (the box answers no)
    const int code = Run("500", driver);
    EXPECT_EQ(code, 0);
    const auto shown = headless_.box.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Unhandled Error #62");
    EXPECT_FALSE(g_returned.load());
    EXPECT_EQ(ReadTempo(), three);
}

TEST_F(ScoresScreen, AFileOfFourRecordsKeepsThemAllAfterItsErrorBox) {
    WriteTempo(Table({{"ANNA", "0300"}, {"BRUNO", "0500"}, {"CARLA", "0700"}, {"DARIO", "0900"}}));
    headless_.box.push_answer(plat::BoxAnswer::Yes);  // the player goes on after error 62
    Driver driver;
    driver.steps.push_back(Await("old", NameRowShows("_...........")));
    for (const Step& step : Type("Ugo")) driver.steps.push_back(step);
    driver.steps.push_back(Key("Enter"));
    driver.steps.push_back(Await("table", [](const ScreenSnapshot& s) {
        return Cells(s, 11, 7, kLineLength) == ListLine(5, "DARIO", "09,00", 22);
    }));
    driver.steps.push_back(Char('x'));

    ASSERT_EQ(Run("600", driver), 0);
    ASSERT_EQ(driver.failure, "");
    const auto shown = headless_.box.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Unhandled Error #62");
    EXPECT_EQ(ReadTempo(), Table({{"ANNA", "0300"},
                                  {"BRUNO", "0500"},
                                  {"Ugo", "0600"},
                                  {"CARLA", "0700"},
                                  {"DARIO", "0900"}}));
}

TEST_F(ScoresScreen, AWriteThatFailsHalfwayShowsOneBoxAndTheListIsMarkedNotSaved) {
    const std::string old = Table({{"ANNA", "0300"},
                                   {"BRUNO", "0500"},
                                   {"CARLA", "0700"},
                                   {"DARIO", "0900"},
                                   {"ELENA", "1100"}});
    WriteTempo(old);
    // The disk fills after the first writes of the new table; the player goes on after the
    // error, and the screen still ends with its new list, marked as not saved, and the final
    // key.
    filetest::FailingCalls calls;
    calls.writesBeforeFailure = 2;
    const filetest::InstalledCalls installed(calls);
    headless_.box.push_answer(plat::BoxAnswer::Yes);
    Driver driver;
    driver.steps.push_back(Await("old", NameRowShows("_...........")));
    for (const Step& step : Type("Ugo")) driver.steps.push_back(step);
    driver.steps.push_back(Key("Enter"));
    driver.steps.push_back(Await("table", [](const ScreenSnapshot& s) {
        return Cells(s, 11, 7, kLineLength) == ListLine(5, "DARIO", "09,00", 22);
    }));
    driver.steps.push_back(Char('x'));

    ASSERT_EQ(Run("400", driver), 0);
    ASSERT_EQ(driver.failure, "");
    EXPECT_TRUE(g_returned.load());
    const auto shown = headless_.box.shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Unhandled Error #75");
    const ScreenSnapshot& end = driver.shots.at("end");
    ExpectList(end, {ListLine(1, "ANNA", "03,00", 22), ListLine(2, "Ugo", "04,00", 22),
                     ListLine(3, "BRUNO", "05,00", 22), ListLine(4, "CARLA", "07,00", 22),
                     ListLine(5, "DARIO", "09,00", 22)});
    EXPECT_EQ(Cells(end, 18, 9, 24), "Classifica non salvata!!");
    EXPECT_EQ(Snapshot_Recognise(end)[17][8].foreground, 12);
    EXPECT_EQ(ReadTempo(), old);
    EXPECT_EQ(FolderNames(folder_), (std::vector<std::string>{"cor.grh", "tempo.max"}));
}

}  // namespace
