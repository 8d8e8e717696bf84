// The high-score table: ranking, the rewritten tempo.max, display forms, name entry, faults.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "errors.h"
#include "file_test_support.h"
#include "files.h"
#include "high_scores_table.h"
#include "platform.h"

namespace {

using filetest::ReadWhole;
using filetest::WriteWhole;
using Strings = std::vector<std::string>;

// Answers every error box with "continue" and remembers the captions.
class ContinuingBox final : public plat::MessageBox {
  public:
    plat::BoxAnswer show(const std::string& caption, const std::string&,
                         plat::BoxButtons) override {
        captions.push_back(caption);
        return plat::BoxAnswer::Yes;
    }
    Strings captions;
};

std::string Record(const std::string& name, const std::string& time) {
    return "\"" + name + "\",\"" + time + "\"\r\n";
}

// Runs each test inside its own scratch directory, where tempo.max is looked up.
class HighScoresTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char cwd[PATH_MAX] = {};
        ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
        oldDirectory_ = cwd;
        ASSERT_EQ(::chdir(dir.path().c_str()), 0);
        plat::Platform platform;
        platform.message_box = &box;
        plat::Plat_Install(platform);
        Err_Reset();
        Rt_Words().checkRequest.store(0);
        // The player's own copy of the table, when one is made, goes inside the scratch folder.
        for (const char* name : {"HOME", "XDG_DATA_HOME"}) {
            const char* value = std::getenv(name);
            savedEnvironment_.emplace_back(name, value != nullptr ? value : "");
        }
        ::setenv("HOME", (dir / "home").c_str(), 1);
        ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    }
    void TearDown() override {
        Err_Reset();
        File_CloseAll();
        Err_Reset();
        plat::Plat_Install(plat::Platform{});
        EXPECT_EQ(::chdir(oldDirectory_.c_str()), 0);
        for (const auto& [name, value] : savedEnvironment_) {
            if (value.empty()) {
                ::unsetenv(name.c_str());
            } else {
                ::setenv(name.c_str(), value.c_str(), 1);
            }
        }
    }

    void WriteTable(const std::vector<std::pair<std::string, std::string>>& records) {
        std::string bytes;
        for (const auto& [name, time] : records) bytes += Record(name, time);
        WriteWhole(dir / "tempo.max", bytes);
    }

    std::string Table() { return ReadWhole(dir / "tempo.max"); }

    filetest::ScratchDirectory dir;
    ContinuingBox box;

  private:
    std::string oldDirectory_;
    std::vector<std::pair<std::string, std::string>> savedEnvironment_;
};

const std::string kFiveRecords = Record("A", "0300") + Record("B", "0500") + Record("C", "0700") +
                                 Record("D", "0900") + Record("E", "1100");

// ---- Ranking and rewriting ------------------------------------------------------------------

TEST_F(HighScoresTest, NewTimeEqualToAnOldOneRanksBelowIt) {
    WriteWhole(dir / "tempo.max", kFiveRecords);
    HighScoreTable table;
    ReadHighScores(table);
    EXPECT_EQ(table.names[1], "A");
    EXPECT_EQ(table.times[5], "1100");
    MergeNewEntry(table, "NEW", NewTimeFromResult("500"));
    EXPECT_EQ(table.names[6], "E");  // the entry that drops out
    RewriteHighScores(table);
    EXPECT_EQ(Table(), Record("A", "0300") + Record("B", "0500") + Record("NEW", "0500") +
                           Record("C", "0700") + Record("D", "0900"));
    EXPECT_TRUE(box.captions.empty());
    EXPECT_EQ(dir.Entries(), Strings{"tempo.max"});
}

TEST_F(HighScoresTest, BestNewTimeTakesFirstPlaceAndWorstIsDropped) {
    WriteWhole(dir / "tempo.max", kFiveRecords);
    HighScoreTable table;
    ReadHighScores(table);
    MergeNewEntry(table, "FAST", NewTimeFromResult("259"));
    RewriteHighScores(table);
    EXPECT_EQ(Table(), Record("FAST", "0259") + Record("A", "0300") + Record("B", "0500") +
                           Record("C", "0700") + Record("D", "0900"));
    // A time worse than all five goes to place 6 and is not written.
    ReadHighScores(table);
    MergeNewEntry(table, "SLOW", NewTimeFromResult("1200"));
    EXPECT_EQ(table.names[6], "SLOW");
    EXPECT_EQ(table.times[6], " 1200");
}

TEST_F(HighScoresTest, SortMakesFivePassesOverAnUnsortedFile) {
    WriteTable({{"E", "1100"}, {"D", "0900"}, {"C", "0700"}, {"B", "0500"}, {"A", "0300"}});
    HighScoreTable table;
    ReadHighScores(table);
    MergeNewEntry(table, "N", 100);
    EXPECT_EQ((Strings{table.names.begin() + 1, table.names.end()}),
              (Strings{"N", "A", "B", "C", "D", "E"}));
}

TEST_F(HighScoresTest, ThreeDigitTimeIsListedFromColumn23AndWrittenBackWithFourDigits) {
    const ListedTime listed = ListTime("734");
    EXPECT_EQ(listed.minutes, "7");
    EXPECT_EQ(listed.seconds, "34");
    EXPECT_EQ(listed.column, 23);
    EXPECT_EQ(listed.minutes + "," + listed.seconds, "7,34");
    const ListedTime four = ListTime("0734");
    EXPECT_EQ(four.minutes + "," + four.seconds, "07,34");
    EXPECT_EQ(four.column, 22);

    WriteTable({{"ANNA", "734"}, {"B", "0800"}, {"C", "0900"}, {"D", "1000"}, {"E", "1100"}});
    HighScoreTable table;
    ReadHighScores(table);
    MergeNewEntry(table, "LAST", 1200);
    RewriteHighScores(table);
    EXPECT_EQ(table.times[1], "0734");
    EXPECT_EQ(RewrittenTimeText(table.times[1]), "07,34");
    EXPECT_EQ(Table().substr(0, 15), "\"ANNA\",\"0734\"\r\n");
}

TEST_F(HighScoresTest, FortyTwoSecondsAreWritten0042AndShown0042) {
    EXPECT_EQ(NewTimeFromResult("042"), 42);
    EXPECT_EQ(Int16NumberText(42), " 42");
    EXPECT_EQ(FourDigitTime(" 42"), "0042");
    EXPECT_EQ(RewrittenTimeText("0042"), "00,42");
    WriteWhole(dir / "tempo.max", kFiveRecords);
    HighScoreTable table;
    ReadHighScores(table);
    MergeNewEntry(table, "QUICK", NewTimeFromResult("042"));
    RewriteHighScores(table);
    EXPECT_EQ(Table().substr(0, 16), Record("QUICK", "0042"));
    EXPECT_EQ(RewrittenTimeText(table.times[1]), "00,42");
}

TEST_F(HighScoresTest, EmptyNameIsWrittenAsTwoDoubleQuotes) {
    WriteWhole(dir / "tempo.max", kFiveRecords);
    HighScoreTable table;
    ReadHighScores(table);
    MergeNewEntry(table, "", 200);
    RewriteHighScores(table);
    EXPECT_EQ(Table().substr(0, 11), "\"\",\"0200\"\r\n");
    ReadHighScores(table);
    EXPECT_EQ(table.names[1], "");
    EXPECT_EQ(table.times[1], "0200");
}

TEST_F(HighScoresTest, ListingLayout) {
    EXPECT_EQ(PlaceText(1), " 1\xF8 ");
    EXPECT_EQ(PlaceText(5), " 5\xF8 ");
    EXPECT_EQ(ListRow(1), 7);
    EXPECT_EQ(ListColour(1), 11);
    EXPECT_EQ(ListColour(5), 15);
}

TEST_F(HighScoresTest, FourDigitTimeRules) {
    EXPECT_EQ(FourDigitTime(" 5"), "0005");
    EXPECT_EQ(FourDigitTime("734"), "0734");
    EXPECT_EQ(FourDigitTime(" 1359"), "1359");
    EXPECT_EQ(FourDigitTime("12345"), "12345");
    // A place without a record is written as the slowest time four digits hold.
    EXPECT_EQ(FourDigitTime(""), "9959");
}

TEST_F(HighScoresTest, NewTimeRoundsToNearestEven) {
    EXPECT_EQ(NewTimeFromResult("1207"), 1207);
    EXPECT_EQ(NewTimeFromResult("500.5"), 500);
    EXPECT_EQ(NewTimeFromResult("501.5"), 502);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(NewTimeFromResult("99999"), 0);
    EXPECT_EQ(Err_Pending(), 6u);
}

TEST_F(HighScoresTest, QualifyingTimeIsTheThirdRecord) {
    WriteWhole(dir / "tempo.max", kFiveRecords);
    int16_t qualifyingTime = -1;
    ReadQualifyingTime(qualifyingTime);
    EXPECT_EQ(qualifyingTime, 700);
    EXPECT_TRUE(box.captions.empty());
    EXPECT_EQ(File_Column(kHighScoreFileNumber), 0);  // closed again
    // Three records are enough for the start of a game.
    WriteTable({{"A", "0100"}, {"B", "0200"}, {"C", "734"}});
    ReadQualifyingTime(qualifyingTime);
    EXPECT_EQ(qualifyingTime, 734);
    EXPECT_TRUE(box.captions.empty());
}

// ---- The name entry -------------------------------------------------------------------------

// Feeds keys and returns the actions with their columns, e.g. "Show@15".
Strings Feed(NameEntry& entry, const std::string& keys) {
    Strings log;
    for (const char key : keys) {
        const NameKeyOutcome outcome = NameEntry_TakeKey(entry, static_cast<uint8_t>(key));
        const char* action = outcome.action == NameKeyAction::Ignore      ? "Ignore"
                             : outcome.action == NameKeyAction::EraseLast ? "EraseLast"
                             : outcome.action == NameKeyAction::Show      ? "Show"
                                                                          : "Finish";
        log.push_back(std::string(action) + "@" + std::to_string(outcome.column));
    }
    return log;
}

TEST_F(HighScoresTest, BackspaceAtTheStartDoesNothing) {
    NameEntry entry;
    EXPECT_EQ(Feed(entry, "\b"), Strings{"Ignore@15"});
    EXPECT_EQ(NameCursorColumn(entry), 15);
    EXPECT_EQ(entry.typedCount, 0);
}

TEST_F(HighScoresTest, FirstCharacterAtColumn15AndEleventhAt25) {
    NameEntry entry;
    const Strings log = Feed(entry, "ABCDEFGHIJK");
    EXPECT_EQ(log.front(), "Show@15");
    EXPECT_EQ(log.back(), "Show@25");
    EXPECT_EQ(entry.typedName, "ABCDEFGHIJK");
    EXPECT_EQ(NameCursorColumn(entry), 26);
}

TEST_F(HighScoresTest, TwelfthCharacterIsShownAt26ButNotKept) {
    NameEntry entry;
    Feed(entry, "ABCDEFGHIJK");
    EXPECT_EQ(Feed(entry, "LM"), (Strings{"Show@26", "Show@26"}));
    EXPECT_EQ(entry.typedName, "ABCDEFGHIJK");
    EXPECT_EQ(entry.typedCount, 11);
    // Backspace then removes the eleventh character, printing the dot at column 26.
    EXPECT_EQ(Feed(entry, "\b"), Strings{"EraseLast@26"});
    EXPECT_EQ(entry.typedName, "ABCDEFGHIJ");
    EXPECT_EQ(NameCursorColumn(entry), 25);
    EXPECT_EQ(Feed(entry, "\r"), Strings{"Finish@25"});
}

TEST_F(HighScoresTest, OnlyBytes0x30To0x7AAreAccepted) {
    NameEntry entry;
    const std::string ignored =
        std::string(" ,\"/{|~\x7f\x80\xf8\t\x1b", 12) + std::string(1, '\0');
    for (const Strings& log = Feed(entry, ignored); const std::string& item : log) {
        EXPECT_EQ(item, "Ignore@15");
    }
    EXPECT_EQ(Feed(entry, "0z:@[_`"), (Strings{"Show@15", "Show@16", "Show@17", "Show@18",
                                               "Show@19", "Show@20", "Show@21"}));
    EXPECT_EQ(entry.typedName, "0z:@[_`");
}

TEST_F(HighScoresTest, EnterWithNothingTypedGivesAnEmptyName) {
    NameEntry entry;
    EXPECT_EQ(Feed(entry, "\r"), Strings{"Finish@15"});
    EXPECT_EQ(entry.typedName, "");
}

TEST_F(HighScoresTest, BackspaceAfterOneCharacterPutsTheCursorBack) {
    NameEntry entry;
    EXPECT_EQ(Feed(entry, "X\b\b"), (Strings{"Show@15", "EraseLast@16", "Ignore@15"}));
    EXPECT_EQ(entry.typedName, "");
}

// ---- Faults ---------------------------------------------------------------------------------

TEST_F(HighScoresTest, MissingFileIs53WhenAGameStarts) {
    int16_t qualifyingTime = 700;
    ReadQualifyingTime(qualifyingTime);
    ASSERT_FALSE(box.captions.empty());
    EXPECT_EQ(box.captions.front(), "Unhandled Error #53");
    // Each read that follows finds no open file; the file number stays free.
    EXPECT_EQ(box.captions, (Strings{"Unhandled Error #53", "Unhandled Error #52",
                                     "Unhandled Error #52", "Unhandled Error #52"}));
    EXPECT_EQ(File_Column(kHighScoreFileNumber), 0);
    EXPECT_EQ(qualifyingTime, 0);
}

TEST_F(HighScoresTest, ThreeRecordsAre62AndTheFileIsClosedAfterwards) {
    WriteTable({{"A", "0100"}, {"B", "0200"}, {"C", "0300"}});
    HighScoreTable table;
    ReadHighScores(table);
    EXPECT_EQ(box.captions, (Strings{"Unhandled Error #62", "Unhandled Error #62"}));
    EXPECT_EQ(table.names[3], "C");
    EXPECT_EQ(table.names[4], "");
    EXPECT_EQ(File_Column(kHighScoreFileNumber), 0);
}

TEST_F(HighScoresTest, AMissingRecordRanksAfterEveryRealOne) {
    // Records 4 and 5 lie past the end of the file: two boxes of error 62, then empty places.
    WriteTable({{"A", "0100"}, {"B", "0200"}, {"C", "0300"}});
    HighScoreTable table;
    ReadHighScores(table);
    MergeNewEntry(table, "NEW", 150);
    EXPECT_EQ(table.names[6], "");
    RewriteHighScores(table);
    EXPECT_EQ(Table(), Record("A", "0100") + Record("NEW", "0150") + Record("B", "0200") +
                           Record("C", "0300") + Record("", "9959"));
    // The place still empty is the first that a slow time read later takes.
    box.captions.clear();
    ReadHighScores(table);
    EXPECT_TRUE(box.captions.empty());
    MergeNewEntry(table, "SLOW", 2000);
    EXPECT_EQ(table.names[5], "SLOW");
    EXPECT_EQ(table.names[6], "");
}

TEST_F(HighScoresTest, ReadOnlyTableOrFolderWithoutAHomeShowsOneBoxAndTheOldTableStays) {
    if (!filetest::PermissionsApply(dir.path())) {
        GTEST_SKIP() << "file permissions do not stop this user (superuser); the same "
                        "failures are injected in the tests of the table's places";
    }
    ::unsetenv("HOME");
    ::unsetenv("XDG_DATA_HOME");
    WriteWhole(dir / "tempo.max", kFiveRecords);
    HighScoreTable table;
    ReadHighScores(table);
    MergeNewEntry(table, "NEW", 100);
    ::chmod((dir / "tempo.max").c_str(), 0444);
    EXPECT_FALSE(RewriteHighScores(table));
    EXPECT_EQ(box.captions, Strings{"Unhandled Error #70"});
    EXPECT_EQ(Table(), kFiveRecords);

    // A writable table in a read-only folder is rewritten in place.
    box.captions.clear();
    ::chmod((dir / "tempo.max").c_str(), 0644);
    ::chmod(dir.path().c_str(), 0500);
    EXPECT_TRUE(RewriteHighScores(table));
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_TRUE(box.captions.empty());
    EXPECT_EQ(Table(), Record("NEW", "0100") + kFiveRecords.substr(0, kFiveRecords.size() - 12));
    EXPECT_EQ(dir.Entries(), Strings{"tempo.max"});
}

TEST_F(HighScoresTest, InjectedFailuresShowOneBoxAndTheOldTableStays) {
    filetest::FailingCalls calls;
    filetest::InstalledCalls installed(calls);
    WriteWhole(dir / "tempo.max", kFiveRecords);
    HighScoreTable table;
    ReadHighScores(table);
    MergeNewEntry(table, "NEW", 100);
    // The file refuses writing although the test found it writable: the open's error, once.
    calls.failOpenEndingWith = "tempo.max";
    EXPECT_FALSE(RewriteHighScores(table));
    EXPECT_EQ(box.captions, Strings{"Unhandled Error #70"});
    EXPECT_EQ(Table(), kFiveRecords);
    EXPECT_EQ(dir.Entries(), Strings{"tempo.max"});
    EXPECT_EQ(File_Column(kHighScoreFileNumber), 0);
}

// ---- Where the table is kept ----------------------------------------------------------------

// The five records after "NEW" in 01,00 has been ranked in.
const std::string kNewFirst = Record("NEW", "0100") + Record("A", "0300") + Record("B", "0500") +
                              Record("C", "0700") + Record("D", "0900");

TEST_F(HighScoresTest, AWritableTableInAReadOnlyFolderIsRewrittenInPlace) {
    filetest::LockedCalls calls;
    filetest::InstalledCalls installed(calls);
    calls.lockedFolders = {dir.path()};
    WriteWhole(dir / "tempo.max", kFiveRecords);
    HighScoreTable table;
    ReadHighScores(table);
    MergeNewEntry(table, "NEW", 100);
    EXPECT_TRUE(RewriteHighScores(table));
    EXPECT_TRUE(box.captions.empty());
    EXPECT_EQ(Table(), kNewFirst);
    EXPECT_EQ(dir.Entries(), Strings{"tempo.max"});
}

TEST_F(HighScoresTest, AReadOnlyInstallKeepsThePlayersOwnCopy) {
    filetest::LockedCalls calls;
    filetest::InstalledCalls installed(calls);
    calls.lockedFolders = {dir.path()};
    calls.lockedFiles = {dir / "tempo.max"};
    WriteWhole(dir / "tempo.max", kFiveRecords);
    // A data folder named by a relative path does not count: the home folder's is used.
    ::setenv("XDG_DATA_HOME", "relative/data", 1);
    ::mkdir((dir / "home").c_str(), 0700);
    ::mkdir((dir / "data").c_str(), 0700);
    const std::string copy = dir / "home/.local/share/brunolt/tempo.max";

    // Before the first save the installed table is read, and nothing is made.
    int16_t qualifyingTime = 0;
    ReadQualifyingTime(qualifyingTime);
    EXPECT_EQ(qualifyingTime, 700);
    EXPECT_EQ(dir.Entries(), (Strings{"data", "home", "tempo.max"}));
    EXPECT_EQ(filetest::ScratchDirectory::EntriesOf(dir / "home"), Strings{});

    HighScoreTable table;
    ReadHighScores(table);
    MergeNewEntry(table, "NEW", 100);
    EXPECT_TRUE(RewriteHighScores(table));
    EXPECT_EQ(ReadWhole(copy), kNewFirst);
    EXPECT_EQ(Table(), kFiveRecords);
    struct stat info {};
    ASSERT_EQ(::stat((dir / "home/.local").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // From now on the copy is read and saved again.
    ReadQualifyingTime(qualifyingTime);
    EXPECT_EQ(qualifyingTime, 500);
    HighScoreTable again;
    ReadHighScores(again);
    EXPECT_EQ(again.names[1], "NEW");
    MergeNewEntry(again, "BEST", 50);
    EXPECT_TRUE(RewriteHighScores(again));
    EXPECT_EQ(ReadWhole(copy).substr(0, 15), Record("BEST", "0050"));
    EXPECT_EQ(filetest::ScratchDirectory::EntriesOf(dir / "home/.local/share/brunolt"),
              Strings{"tempo.max"});
    EXPECT_TRUE(box.captions.empty());

    // An absolute data folder is used as it is.
    ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    EXPECT_TRUE(RewriteHighScores(again));
    EXPECT_EQ(ReadWhole(dir / "data/brunolt/tempo.max").substr(0, 15), Record("BEST", "0050"));
    EXPECT_TRUE(box.captions.empty());
}

TEST_F(HighScoresTest, NoPlaceToSaveShowsOneBoxAndTheTableOnDiskStays) {
    filetest::LockedCalls calls;
    filetest::InstalledCalls installed(calls);
    calls.lockedFolders = {dir.path()};
    calls.lockedFiles = {dir / "tempo.max"};
    WriteWhole(dir / "tempo.max", kFiveRecords);
    HighScoreTable table;
    ReadHighScores(table);
    MergeNewEntry(table, "NEW", 100);

    // No home folder: the installed table's own refusal.
    ::unsetenv("HOME");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_FALSE(RewriteHighScores(table));
    EXPECT_EQ(box.captions, Strings{"Unhandled Error #70"});

    // A home folder that cannot be made.
    box.captions.clear();
    ::setenv("HOME", (dir / "home").c_str(), 1);
    calls.lockedFolders.push_back(dir / "home");
    ::mkdir((dir / "home").c_str(), 0700);
    EXPECT_FALSE(RewriteHighScores(table));
    EXPECT_EQ(box.captions, Strings{"Unhandled Error #76"});

    // A full disk: neither the copy nor the new table can be written.
    box.captions.clear();
    calls.lockedFolders.pop_back();
    calls.writesBeforeFailure = 0;
    EXPECT_FALSE(RewriteHighScores(table));
    EXPECT_EQ(box.captions, Strings{"Unhandled Error #75"});
    EXPECT_EQ(filetest::ScratchDirectory::EntriesOf(dir / "home/.local/share/brunolt"), Strings{});
    EXPECT_EQ(Table(), kFiveRecords);

    // The next game reads the installed table, without a box.
    box.captions.clear();
    HighScoreTable next;
    ReadHighScores(next);
    EXPECT_EQ(next.names[1], "A");
    EXPECT_TRUE(box.captions.empty());
}

TEST_F(HighScoresTest, WriteFailingHalfwayLeavesTheOldTableWhole) {
    filetest::FailingCalls calls;
    filetest::InstalledCalls installed(calls);
    WriteWhole(dir / "tempo.max", kFiveRecords);
    HighScoreTable table;
    ReadHighScores(table);
    MergeNewEntry(table, "NEW", 100);
    calls.writesBeforeFailure = 6;  // three writes a record: the third record fails
    RewriteHighScores(table);
    EXPECT_EQ(box.captions, Strings{"Unhandled Error #75"});
    EXPECT_EQ(Table(), kFiveRecords);
    EXPECT_EQ(dir.Entries(), Strings{"tempo.max"});
    EXPECT_EQ(File_Column(kHighScoreFileNumber), 0);
}

TEST_F(HighScoresTest, FailedFlushAtCloseLeavesTheOldTableWhole) {
    filetest::FailingCalls calls;
    filetest::InstalledCalls installed(calls);
    WriteWhole(dir / "tempo.max", kFiveRecords);
    HighScoreTable table;
    ReadHighScores(table);
    MergeNewEntry(table, "NEW", 100);
    calls.syncError = ENOSPC;
    RewriteHighScores(table);
    EXPECT_EQ(box.captions, Strings{"Unhandled Error #75"});
    EXPECT_EQ(Table(), kFiveRecords);
    EXPECT_EQ(dir.Entries(), Strings{"tempo.max"});
}

// ---- The table shipped with the game --------------------------------------------------------

TEST_F(HighScoresTest, ShippedTableHoldsFiveRecordsInTheFileFormat) {
    const std::string shipped = ReadWhole(BRUNOLT_DATA_DIR "/tempo.max");
    ASSERT_FALSE(shipped.empty());
    WriteWhole(dir / "tempo.max", shipped);
    HighScoreTable table;
    ReadHighScores(table);
    EXPECT_TRUE(box.captions.empty());
    for (int w = 1; w <= 5; ++w) {
        EXPECT_LE(table.names[w].size(), 11u);
        for (const char c : table.names[w]) {
            EXPECT_TRUE(c >= 0x30 && c <= 0x7A) << table.names[w];
        }
        ASSERT_EQ(table.times[w].size(), 4u);
        EXPECT_LT(std::stoi(table.times[w].substr(2)), 60) << table.times[w];
        if (w > 1) {
            EXPECT_LE(std::stoi(table.times[w - 1]), std::stoi(table.times[w]));
        }
    }
    // The file is exactly what the game itself writes for that table.
    RewriteHighScores(table);
    EXPECT_EQ(Table(), shipped);
    // Beatable at the first try: with the 14 minutes the game starts with, a finished game
    // under the third place's time enters the table.
    int16_t qualifyingTime = 0;
    ReadQualifyingTime(qualifyingTime);
    EXPECT_GE(qualifyingTime, 1200);
    EXPECT_LE(qualifyingTime, 1400);
}

}  // namespace
