// Sequential files: written bytes, field reading, modes, error numbers, safe output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "file_test_support.h"

namespace {

using filetest::Exists;
using filetest::ReadWhole;
using filetest::TakeError;
using filetest::WriteWhole;

class FilesTest : public ::testing::Test {
  protected:
    void SetUp() override { Err_Reset(); }
    void TearDown() override {
        Err_Reset();
        File_CloseAll();
        Err_Reset();
    }

    // Opens `name` in the scratch directory and expects no error.
    void Open(const std::string& name, FileMode mode, int32_t number = 1) {
        File_Open(dir / name, mode, FileAccess::ByMode, FileLock::None, number);
        ASSERT_EQ(TakeError(), 0u) << name;
    }

    // The fields of a file holding `bytes`, read until error 62.
    std::vector<std::string> Fields(const std::string& bytes) {
        WriteWhole(dir / "in.txt", bytes);
        File_Open(dir / "in.txt", FileMode::Input, FileAccess::ByMode, FileLock::None, 7);
        EXPECT_EQ(TakeError(), 0u);
        std::vector<std::string> fields;
        for (int i = 0; i < 100; ++i) {
            RtString field = "unchanged";
            File_InputField(7, field);
            if (Err_Pending() != 0) {
                EXPECT_EQ(TakeError(), 62u);
                EXPECT_EQ(field, "");
                break;
            }
            fields.push_back(field);
        }
        File_Close(7);
        return fields;
    }

    filetest::ScratchDirectory dir;
};

using Strings = std::vector<std::string>;

// ---- Writing --------------------------------------------------------------------------------

TEST_F(FilesTest, RecordOfTwoQuotedFieldsHasExactBytesAndColumnBackAtOne) {
    Open("rec.txt", FileMode::Output);
    File_Print(1, "\"ANNA\",");
    EXPECT_EQ(File_Column(1), 8);
    File_Print(1, "\"0734\"", {.lineEnd = true});
    EXPECT_EQ(TakeError(), 0u);
    EXPECT_EQ(File_Column(1), 1);
    File_Close(1);
    EXPECT_EQ(TakeError(), 0u);
    EXPECT_EQ(ReadWhole(dir / "rec.txt"), "\"ANNA\",\"0734\"\r\n");
}

TEST_F(FilesTest, ZoneAdvanceFromColumnsOneFourteenAndFifteen) {
    Open("zone.txt", FileMode::Output);
    File_Print(1, "", {.zone = true});  // column 1: 14 blanks, to column 15
    EXPECT_EQ(File_Column(1), 15);
    File_Print(1, "", {.zone = true});  // column 15: 14 blanks, to column 29
    EXPECT_EQ(File_Column(1), 29);
    File_Print(1, "X", {.lineEnd = true});
    File_Print(1, "ABCDEFGHIJKLM", {.zone = true});  // column 14: 1 blank
    EXPECT_EQ(File_Column(1), 15);
    File_Print(1, "", {.lineEnd = true});
    File_Close(1);
    EXPECT_EQ(TakeError(), 0u);
    EXPECT_EQ(ReadWhole(dir / "zone.txt"), std::string(28, ' ') + "X\r\n" + "ABCDEFGHIJKLM \r\n");
}

TEST_F(FilesTest, BlankFlagAndColumnFollowCarriageReturnAndLineFeed) {
    Open("blank.txt", FileMode::Output);
    File_Print(1, "AB", {.blank = true});
    EXPECT_EQ(File_Column(1), 4);
    File_Print(1, "C\rD");  // a CR sets the column to 1
    EXPECT_EQ(File_Column(1), 2);
    File_Print(1, "E\nF");  // an LF leaves it
    EXPECT_EQ(File_Column(1), 4);
    File_Print(1, "G", {.blank = true, .zone = true, .lineEnd = true});
    EXPECT_EQ(File_Column(1), 1);
    File_Close(1);
    // From column 5: the blank flag to 6, then one blank to 7 and 8 more to column 15.
    EXPECT_EQ(ReadWhole(dir / "blank.txt"), "AB C\rDE\nFG" + std::string(10, ' ') + "\r\n");
}

TEST_F(FilesTest, OutputReplacesOldContentsOnlyWhenClosed) {
    WriteWhole(dir / "old.txt", "previous contents\r\n");
    Open("old.txt", FileMode::Output);
    File_Print(1, "new", {.lineEnd = true});
    EXPECT_EQ(ReadWhole(dir / "old.txt"), "previous contents\r\n");
    File_Close(1);
    EXPECT_EQ(TakeError(), 0u);
    EXPECT_EQ(ReadWhole(dir / "old.txt"), "new\r\n");
    EXPECT_EQ(dir.Entries(), Strings{"old.txt"});
}

TEST_F(FilesTest, OutputWithNothingWrittenEmptiesTheFile) {
    WriteWhole(dir / "old.txt", "previous");
    Open("old.txt", FileMode::Output);
    File_Close(1);
    EXPECT_EQ(TakeError(), 0u);
    EXPECT_EQ(ReadWhole(dir / "old.txt"), "");
}

TEST_F(FilesTest, OutputKeepsTheOldFilesPermissions) {
    WriteWhole(dir / "perm.txt", "old");
    ::chmod((dir / "perm.txt").c_str(), 0640);
    Open("perm.txt", FileMode::Output);
    File_Print(1, "new");
    File_Close(1);
    struct stat info {};
    ASSERT_EQ(::stat((dir / "perm.txt").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(FilesTest, OutputThroughASymbolicLinkReplacesTheFileItNames) {
    WriteWhole(dir / "real.txt", "old");
    ASSERT_EQ(::symlink("real.txt", (dir / "link.txt").c_str()), 0);
    Open("link.txt", FileMode::Output);
    File_Print(1, "new");
    File_Close(1);
    EXPECT_EQ(TakeError(), 0u);
    EXPECT_EQ(ReadWhole(dir / "real.txt"), "new");
    struct stat info {};
    ASSERT_EQ(::lstat((dir / "link.txt").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST_F(FilesTest, AppendWritesAfterTheOldContents) {
    WriteWhole(dir / "app.txt", "one\r\n");
    Open("app.txt", FileMode::Append);
    File_Print(1, "two", {.lineEnd = true});
    File_Close(1);
    EXPECT_EQ(TakeError(), 0u);
    EXPECT_EQ(ReadWhole(dir / "app.txt"), "one\r\ntwo\r\n");
}

TEST_F(FilesTest, PrintErrors) {
    File_Print(3, "x");
    EXPECT_EQ(TakeError(), 52u);
    WriteWhole(dir / "in.txt", "x");
    Open("in.txt", FileMode::Input, 2);
    File_Print(2, "x");
    EXPECT_EQ(TakeError(), 54u);
    File_Open(dir / "ro.txt", FileMode::Output, FileAccess::Read, FileLock::None, 3);
    ASSERT_EQ(TakeError(), 0u);
    File_Print(3, "x");
    EXPECT_EQ(TakeError(), 75u);
}

// ---- Reading --------------------------------------------------------------------------------

TEST_F(FilesTest, BlanksBeforeAQuotedFieldAndAfterItAreSkipped) {
    EXPECT_EQ(Fields("  \"ANNA\" , \"0734\"\r\n"), (Strings{"ANNA", "0734"}));
}

TEST_F(FilesTest, UnquotedFieldLosesTrailingBlanks) {
    EXPECT_EQ(Fields("ANNA  ,X"), (Strings{"ANNA", "X"}));
    EXPECT_EQ(Fields("\tA B\t ,  C \r\n"), (Strings{"A B", "C"}));
}

TEST_F(FilesTest, QuotedCommaAndLineEndBelongToTheField) {
    EXPECT_EQ(Fields("\"A,B\"\r\n"), (Strings{"A,B"}));
    EXPECT_EQ(Fields("\"A\r\nB\",C"), (Strings{"A\r\nB", "C"}));
}

TEST_F(FilesTest, TextAfterAClosingQuoteIsSkipped) {
    EXPECT_EQ(Fields("\"AB\"CD,E"), (Strings{"AB", "E"}));
}

TEST_F(FilesTest, CtrlZFirstReadsAsEmpty) {
    EXPECT_EQ(Fields("\x1a\"ANNA\",\"0734\"\r\n"), Strings{});
}

TEST_F(FilesTest, CtrlZAnywhereEndsTheFile) {
    EXPECT_EQ(Fields("\"A\",\"B\"\r\n\x1a\"C\",\"D\"\r\n"), (Strings{"A", "B"}));
    EXPECT_EQ(Fields("AB\x1a"
                     "CD,E"),
              (Strings{"AB"}));
}

TEST_F(FilesTest, AllFourLineEndsReadAlike) {
    const Strings expected{"A", "1", "B", "2"};
    EXPECT_EQ(Fields("\"A\",\"1\"\r\n\"B\",\"2\"\r\n"), expected);
    EXPECT_EQ(Fields("\"A\",\"1\"\n\"B\",\"2\"\n"), expected);
    EXPECT_EQ(Fields("\"A\",\"1\"\r\"B\",\"2\"\r"), expected);
    EXPECT_EQ(Fields("\"A\",\"1\"\n\r\"B\",\"2\"\n\r"), expected);
    EXPECT_EQ(Fields("A,1\nB,2"), expected);
}

TEST_F(FilesTest, TwoLineEndsInARowMakeAnEmptyField) {
    EXPECT_EQ(Fields("A\r\n\r\nB"), (Strings{"A", "", "B"}));
    EXPECT_EQ(Fields("A,,B"), (Strings{"A", "", "B"}));
}

TEST_F(FilesTest, EndOfFileInsideAQuotedFieldEndsItWithoutError) {
    EXPECT_EQ(Fields("\"ANN"), (Strings{"ANN"}));
}

// Reads one byte at a time, as a field is read, and raises the stop flag at a chosen read.
class StoppingCalls : public FileSystemCalls {
  public:
    int64_t reads = 0;
    int64_t stopAtRead = -1;
    int64_t Read(int fd, void* bytes, size_t count) override {
        if (++reads == stopAtRead) Rt_Words().stop.store(1);
        return FileSystemCalls::Read(fd, bytes, count);
    }
};

TEST_F(FilesTest, AStopEndsALongFieldAtOnceAndTheFieldIsReadWholeWithoutOne) {
    // 20 MiB with no closing quote, read byte by byte.
    const std::string body(20u << 20, 'x');
    WriteWhole(dir / "long.txt", "\"" + body);
    StoppingCalls calls;
    filetest::InstalledCalls installed(calls);
    Open("long.txt", FileMode::Input, 3);
    calls.stopAtRead = calls.reads + 1000;
    RtString field = "kept";
    File_InputField(3, field);
    Rt_Words().stop.store(0);
    // The read after the stop is the last; nothing is raised and the variable keeps its value.
    EXPECT_EQ(calls.reads, calls.stopAtRead);
    EXPECT_EQ(TakeError(), 0u);
    EXPECT_EQ(field, "kept");
    File_Close(3);

    // With no stop such a field is read whole, then error 62 (a shorter one: a byte a call).
    const std::string shorter = body.substr(0, 100000);
    EXPECT_EQ(Fields("\"" + shorter), Strings{shorter});
}

TEST_F(FilesTest, InputFieldErrorsAndTheVariableAfterThem) {
    RtString field = "kept";
    File_InputField(4, field);
    EXPECT_EQ(TakeError(), 52u);
    EXPECT_EQ(field, "kept");
    Open("out.txt", FileMode::Output, 4);
    File_InputField(4, field);
    EXPECT_EQ(TakeError(), 54u);
    WriteWhole(dir / "w.txt", "A");
    File_Open(dir / "w.txt", FileMode::Input, FileAccess::Write, FileLock::None, 5);
    ASSERT_EQ(TakeError(), 0u);
    File_InputField(5, field);
    EXPECT_EQ(TakeError(), 75u);
    EXPECT_EQ(field, "kept");
}

TEST_F(FilesTest, ReadCharsFromInputAndBinaryFiles) {
    WriteWhole(dir / "chars.txt",
               "ABC\x1a"
               "DEF");
    Open("chars.txt", FileMode::Input, 1);
    EXPECT_EQ(File_ReadChars(2, 1), "AB");
    EXPECT_EQ(File_ReadChars(2, 1), "");  // C, then Ctrl-Z ends the file
    EXPECT_EQ(TakeError(), 62u);
    Open("chars.txt", FileMode::Binary, 2);
    EXPECT_EQ(File_ReadChars(5, 2), std::string("ABC\x1a"
                                                "D"));
    EXPECT_EQ(File_ReadChars(100, 2), "EF");  // a short read gives a shorter string
    EXPECT_EQ(File_ReadChars(1, 2), "");
    EXPECT_EQ(TakeError(), 0u);
    File_ReadChars(1, 9);
    EXPECT_EQ(TakeError(), 52u);
    Open("out.txt", FileMode::Output, 3);
    File_ReadChars(1, 3);
    EXPECT_EQ(TakeError(), 62u);
    File_ReadChars(-1, 2);
    EXPECT_EQ(TakeError(), 5u);
}

TEST_F(FilesTest, WrittenRecordsReadBack) {
    Open("round.txt", FileMode::Output);
    File_Print(1, "\"ANNA\",");
    File_Print(1, "\"0734\"", {.lineEnd = true});
    File_Print(1, "\"\",");
    File_Print(1, "\"0042\"", {.lineEnd = true});
    File_Close(1);
    EXPECT_EQ(Fields(ReadWhole(dir / "round.txt")), (Strings{"ANNA", "0734", "", "0042"}));
}

// ---- Opening and closing --------------------------------------------------------------------

TEST_F(FilesTest, MissingFileForInputIs53AndForOutputIsCreated) {
    File_Open(dir / "missing.txt", FileMode::Input, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 53u);
    EXPECT_FALSE(Exists(dir / "missing.txt"));
    Open("missing.txt", FileMode::Output, 1);
    EXPECT_TRUE(Exists(dir / "missing.txt"));
    File_Close(1);
    EXPECT_EQ(TakeError(), 0u);
    EXPECT_EQ(ReadWhole(dir / "missing.txt"), "");
}

TEST_F(FilesTest, MissingDirectoryIs76) {
    File_Open(dir / "nodir/x.txt", FileMode::Input, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 76u);
    File_Open(dir / "nodir/x.txt", FileMode::Output, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 76u);
    WriteWhole(dir / "plain", "x");
    File_Open(dir / "plain/x.txt", FileMode::Output, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 76u);
}

TEST_F(FilesTest, SameNumberTwiceIs55AndClosingAFreeNumberDoesNothing) {
    WriteWhole(dir / "a.txt", "A");
    Open("a.txt", FileMode::Input, 1);
    File_Open(dir / "a.txt", FileMode::Input, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 55u);
    File_Close(2);
    File_Close(1000);
    File_Close(-3);
    EXPECT_EQ(TakeError(), 0u);
    File_Close(1);
    Open("a.txt", FileMode::Input, 1);  // a closed number can be used again
}

TEST_F(FilesTest, BadNumbersAndRecordLengths) {
    File_Open(dir / "a.txt", FileMode::Output, FileAccess::ByMode, FileLock::None, 0);
    EXPECT_EQ(TakeError(), 52u);
    File_Open(dir / "a.txt", FileMode::Output, FileAccess::ByMode, FileLock::None, -1);
    EXPECT_EQ(TakeError(), 52u);
    File_Open(dir / "a.txt", FileMode::Output, FileAccess::ByMode, FileLock::None, 40000);
    EXPECT_EQ(TakeError(), 52u);
    File_Open(dir / "a.txt", FileMode::Random, FileAccess::ByMode, FileLock::None, 1, 0);
    EXPECT_EQ(TakeError(), 5u);
    File_Open(dir / "a.txt", FileMode::Random, FileAccess::ByMode, FileLock::None, 1, -2);
    EXPECT_EQ(TakeError(), 5u);
    File_Open(dir / "a.txt", FileMode{9}, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 5u);
    EXPECT_FALSE(Exists(dir / "a.txt"));
    File_Open(dir / "a.txt", FileMode::Random, FileAccess::ByMode, FileLock::None, 1, -1);
    EXPECT_EQ(TakeError(), 0u);
    File_Open(dir / "b.txt", FileMode{0}, FileAccess::ByMode, FileLock::None, 2, 64);
    EXPECT_EQ(TakeError(), 0u);
    EXPECT_TRUE(Exists(dir / "b.txt"));
}

using FilesDeathTest = FilesTest;

TEST_F(FilesDeathTest, RecordBufferBeyondMemoryIsCritical1) {
    EXPECT_EXIT(File_Open(dir / "r.dat", FileMode::Random, FileAccess::ByMode, FileLock::None, 1,
                          int64_t{1} << 40),
                ::testing::ExitedWithCode(0), "Critical Error #1: Out of memory");
    EXPECT_EXIT(File_Open(dir / "r.dat", FileMode::Random, FileAccess::ByMode, FileLock::None, 1,
                          INT64_MAX),
                ::testing::ExitedWithCode(0), "Critical Error #1: Out of memory");
}

TEST_F(FilesTest, BadNamesAre64) {
    File_Open("", FileMode::Input, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 64u);
    File_Open(std::string("a\0b", 3), FileMode::Output, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 64u);
    File_Open(dir / std::string(300, 'n'), FileMode::Output, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 64u);
}

TEST_F(FilesTest, DirectoryIs70) {
    File_Open(dir.path(), FileMode::Input, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 70u);
    File_Open(dir.path(), FileMode::Output, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 70u);
    File_Open(dir.path(), FileMode::Binary, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 70u);
    EXPECT_EQ(File_Column(1), 0);
}

TEST_F(FilesTest, ReadOnlyFileIs70AndAReadOnlyFolderRewritesItsFileInPlace) {
    if (!filetest::PermissionsApply(dir.path())) {
        GTEST_SKIP() << "file permissions do not stop this user (superuser); the same "
                        "failures are injected in InjectedOpenFailures";
    }
    WriteWhole(dir / "ro.txt", "old");
    ::chmod((dir / "ro.txt").c_str(), 0444);
    File_Open(dir / "ro.txt", FileMode::Output, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 70u);
    EXPECT_EQ(ReadWhole(dir / "ro.txt"), "old");

    // A writable file in a folder that takes no new file is rewritten in place by the close.
    ::mkdir((dir / "locked").c_str(), 0700);
    WriteWhole(dir / "locked/f.txt", "old");
    ::chmod((dir / "locked").c_str(), 0500);
    Open("locked/f.txt", FileMode::Output);
    EXPECT_EQ(ReadWhole(dir / "locked/f.txt"), "old");
    File_Print(1, "new");
    File_Close(1);
    EXPECT_EQ(TakeError(), 0u);
    EXPECT_EQ(ReadWhole(dir / "locked/f.txt"), "new");
    EXPECT_EQ(filetest::ScratchDirectory::EntriesOf(dir / "locked"), Strings{"f.txt"});
    // A missing file cannot be made there.
    File_Open(dir / "locked/g.txt", FileMode::Output, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 70u);
}

TEST_F(FilesTest, InjectedOpenFailures) {
    filetest::FailingCalls calls;
    filetest::InstalledCalls installed(calls);
    WriteWhole(dir / "f.txt", "old");
    // The file itself refuses writing.
    calls.failOpenEndingWith = "/f.txt";
    File_Open(dir / "f.txt", FileMode::Output, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 70u);
    // The temporary file (its name ends in .tmp) cannot be made for other reasons than a
    // folder refusing new files.
    calls.failOpenEndingWith = ".tmp";
    const std::pair<int, uint32_t> cases[] = {{ENXIO, 68}, {EMFILE, 53}};
    for (const auto& [error, number] : cases) {
        calls.openError = error;
        File_Open(dir / "f.txt", FileMode::Output, FileAccess::ByMode, FileLock::None, 1);
        EXPECT_EQ(TakeError(), number) << error;
    }
    EXPECT_EQ(ReadWhole(dir / "f.txt"), "old");
    EXPECT_EQ(dir.Entries(), Strings{"f.txt"});

    // The folder refuses new files: the file is rewritten in place. It keeps its old contents
    // until the close, which writes the new ones in one call and cuts off the rest; output
    // abandoned by a stop leaves the old contents.
    calls.openError = EACCES;
    WriteWhole(dir / "f.txt", "older and longer");
    Open("f.txt", FileMode::Output);
    File_Print(1, "new");
    EXPECT_EQ(ReadWhole(dir / "f.txt"), "older and longer");
    const int writes = calls.writesSeen;
    File_Close(1);
    EXPECT_EQ(TakeError(), 0u);
    EXPECT_EQ(calls.writesSeen, writes + 1);
    EXPECT_EQ(ReadWhole(dir / "f.txt"), "new");
    Open("f.txt", FileMode::Output);
    File_Print(1, "part");
    Rt_Words().stop.store(1);
    File_CloseAll();
    Rt_Words().stop.store(0);
    EXPECT_EQ(ReadWhole(dir / "f.txt"), "new");
    // A write failing at the close is reported there.
    Open("f.txt", FileMode::Output);
    File_Print(1, "next");
    calls.writesBeforeFailure = calls.writesSeen;
    File_Close(1);
    EXPECT_EQ(TakeError(), 75u);
    calls.writesBeforeFailure = -1;
    // A file that did not exist is not left behind empty.
    File_Open(dir / "g.txt", FileMode::Output, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 70u);
    EXPECT_EQ(dir.Entries(), Strings{"f.txt"});
}

TEST_F(FilesTest, TheTemporaryFileOfAKilledSaveIsTakenOverAndALockedOneWaitedFor) {
    WriteWhole(dir / "f.txt", "old");
    WriteWhole(dir / ".f.txt.tmp", "half a table from a save that was killed");
    Open("f.txt", FileMode::Output);
    File_Print(1, "new");
    File_Close(1);
    EXPECT_EQ(TakeError(), 0u);
    EXPECT_EQ(ReadWhole(dir / "f.txt"), "new");
    EXPECT_EQ(dir.Entries(), Strings{"f.txt"});

    // Another save holds the temporary file for longer than a save waits: 70, file whole.
    const int other = ::open((dir / ".f.txt.tmp").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    File_Open(dir / "f.txt", FileMode::Output, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 70u);
    EXPECT_EQ(ReadWhole(dir / "f.txt"), "new");
    // That save renamed its file into place and ended: the next save makes a new one.
    ::rename((dir / ".f.txt.tmp").c_str(), (dir / "f.txt").c_str());
    ::close(other);
    Open("f.txt", FileMode::Output);
    File_Print(1, "newer");
    File_Close(1);
    EXPECT_EQ(ReadWhole(dir / "f.txt"), "newer");
    EXPECT_EQ(dir.Entries(), Strings{"f.txt"});
}

TEST_F(FilesTest, OutputKeepsTheOldFilesOwnerAndAFailedFirstSaveLeavesNoFile) {
    filetest::FailingCalls calls;
    filetest::InstalledCalls installed(calls);
    if (::geteuid() == 0) {
        WriteWhole(dir / "theirs.txt", "old");
        ASSERT_EQ(::chown((dir / "theirs.txt").c_str(), 65534, 65534), 0);
        ::chmod((dir / "theirs.txt").c_str(), 0640);
        Open("theirs.txt", FileMode::Output);
        File_Print(1, "new");
        File_Close(1);
        struct stat info {};
        ASSERT_EQ(::stat((dir / "theirs.txt").c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, 65534u);
        EXPECT_EQ(info.st_gid, 65534u);
        EXPECT_EQ(info.st_mode & 07777, 0640u);
        EXPECT_EQ(ReadWhole(dir / "theirs.txt"), "new");
    }
    Open("first.txt", FileMode::Output);
    calls.writesBeforeFailure = calls.writesSeen;
    File_Print(1, "x");
    EXPECT_EQ(TakeError(), 75u);
    File_Close(1);
    EXPECT_FALSE(Exists(dir / "first.txt"));
}

TEST_F(FilesTest, CopyWhenMissing) {
    WriteWhole(dir / "from.txt", "table");
    ::mkdir((dir / "to").c_str(), 0700);
    EXPECT_TRUE(File_CopyWhenMissing(dir / "from.txt", dir / "to/copy.txt"));
    EXPECT_EQ(ReadWhole(dir / "to/copy.txt"), "table");
    // An existing file stays as it is.
    WriteWhole(dir / "to/copy.txt", "mine");
    EXPECT_TRUE(File_CopyWhenMissing(dir / "from.txt", dir / "to/copy.txt"));
    EXPECT_EQ(ReadWhole(dir / "to/copy.txt"), "mine");
    // Nothing to copy, or nowhere to put it: no file, no error, nothing left behind.
    EXPECT_FALSE(File_CopyWhenMissing(dir / "none.txt", dir / "to/other.txt"));
    EXPECT_FALSE(File_CopyWhenMissing(dir / "from.txt", dir / "nodir/other.txt"));
    EXPECT_EQ(filetest::ScratchDirectory::EntriesOf(dir / "to"), Strings{"copy.txt"});
    {
        filetest::FailingCalls calls;
        filetest::InstalledCalls installed(calls);
        calls.writesBeforeFailure = 0;
        EXPECT_FALSE(File_CopyWhenMissing(dir / "from.txt", dir / "to/other.txt"));
    }
    EXPECT_EQ(filetest::ScratchDirectory::EntriesOf(dir / "to"), Strings{"copy.txt"});
    EXPECT_EQ(Err_Pending(), 0u);
}

TEST_F(FilesTest, WriteFailingHalfwayKeepsTheOldFileWhole) {
    filetest::FailingCalls calls;
    filetest::InstalledCalls installed(calls);
    WriteWhole(dir / "f.txt", "old contents\r\n");
    Open("f.txt", FileMode::Output);
    calls.writesBeforeFailure = 2;
    File_Print(1, "\"ANNA\",");
    File_Print(1, "\"0734\"", {.lineEnd = true});  // the CR LF is the third write
    EXPECT_EQ(TakeError(), 75u);
    File_Print(1, "more", {.lineEnd = true});  // incomplete output takes nothing more
    EXPECT_EQ(TakeError(), 0u);
    File_Close(1);
    EXPECT_EQ(TakeError(), 0u);
    EXPECT_EQ(ReadWhole(dir / "f.txt"), "old contents\r\n");
    EXPECT_EQ(dir.Entries(), Strings{"f.txt"});
}

TEST_F(FilesTest, ReadFailuresMapToTheirNumbers) {
    filetest::FailingCalls calls;
    filetest::InstalledCalls installed(calls);
    WriteWhole(dir / "in.txt", "A,B");
    // The first byte is read when an input file opens.
    calls.readError = EACCES;
    File_Open(dir / "in.txt", FileMode::Input, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 70u);
    calls.readError = EIO;
    File_Open(dir / "in.txt", FileMode::Input, FileAccess::ByMode, FileLock::None, 1);
    EXPECT_EQ(TakeError(), 75u);
    EXPECT_EQ(File_Column(1), 0);
    calls.readError = 0;
    Open("in.txt", FileMode::Input);
    const std::pair<int, uint32_t> cases[] = {{EIO, 75}, {EBADF, 258}, {EINVAL, 5}, {EACCES, 70}};
    for (const auto& [error, number] : cases) {
        calls.readError = error;
        RtString field = "kept";
        File_InputField(1, field);
        EXPECT_EQ(TakeError(), number) << error;
        EXPECT_EQ(field, "kept");
    }
    calls.readError = 0;
    RtString field;
    File_InputField(1, field);
    EXPECT_EQ(field, "A");
}

TEST_F(FilesTest, WriteFailuresMapToTheirNumbers) {
    filetest::FailingCalls calls;
    filetest::InstalledCalls installed(calls);
    const std::pair<int, uint32_t> cases[] = {
        {ENOSPC, 75}, {EIO, 75}, {EBADF, 258}, {EINVAL, 5}, {EACCES, 70}};
    for (const auto& [error, number] : cases) {
        Open("f.txt", FileMode::Output);
        calls.writeError = error;
        calls.writesBeforeFailure = calls.writesSeen;
        File_Print(1, "x");
        EXPECT_EQ(TakeError(), number) << error;
        File_Close(1);
        calls.writesBeforeFailure = -1;
    }
}

TEST_F(FilesTest, FlushOrRenameFailureOnCloseKeepsTheOldFileAndReports) {
    filetest::FailingCalls calls;
    filetest::InstalledCalls installed(calls);
    WriteWhole(dir / "f.txt", "old");
    Open("f.txt", FileMode::Output);
    File_Print(1, "new");
    calls.syncError = EIO;
    File_Close(1);
    EXPECT_EQ(TakeError(), 75u);
    EXPECT_EQ(ReadWhole(dir / "f.txt"), "old");
    EXPECT_EQ(dir.Entries(), Strings{"f.txt"});
    calls.syncError = 0;

    Open("f.txt", FileMode::Output);
    File_Print(1, "new");
    calls.renameError = EACCES;
    File_Close(1);
    EXPECT_EQ(TakeError(), 70u);
    EXPECT_EQ(ReadWhole(dir / "f.txt"), "old");
    EXPECT_EQ(dir.Entries(), Strings{"f.txt"});
    // The number is free again after the failed close.
    Open("f.txt", FileMode::Input);
}

TEST_F(FilesTest, StoppedProgramsOutputIsAbandonedByCloseAll) {
    WriteWhole(dir / "f.txt", "old");
    Open("f.txt", FileMode::Output);
    File_Print(1, "part");
    Rt_Words().stop.store(1);
    File_CloseAll();
    Rt_Words().stop.store(0);
    EXPECT_EQ(ReadWhole(dir / "f.txt"), "old");
    EXPECT_EQ(dir.Entries(), Strings{"f.txt"});
    EXPECT_EQ(File_Column(1), 0);
}

TEST_F(FilesTest, CloseAllFinishesEveryFile) {
    Open("a.txt", FileMode::Output, 1);
    Open("b.txt", FileMode::Output, 5);
    File_Print(1, "A");
    File_Print(5, "B");
    File_CloseAll();
    EXPECT_EQ(TakeError(), 0u);
    EXPECT_EQ(ReadWhole(dir / "a.txt"), "A");
    EXPECT_EQ(ReadWhole(dir / "b.txt"), "B");
    EXPECT_EQ(File_Column(1), 0);
    EXPECT_EQ(File_Column(5), 0);
}

TEST_F(FilesTest, CloseAllClosesTheOtherFilesAfterAFailure) {
    filetest::FailingCalls calls;
    filetest::InstalledCalls installed(calls);
    WriteWhole(dir / "a.txt", "old A");
    Open("a.txt", FileMode::Output, 1);
    Open("b.txt", FileMode::Output, 2);
    File_Print(1, "A");
    File_Print(2, "B");
    calls.renameError = EIO;
    calls.renameOnlyTo = "/a.txt";
    File_CloseAll();
    EXPECT_EQ(TakeError(), 75u);
    EXPECT_EQ(ReadWhole(dir / "a.txt"), "old A");
    EXPECT_EQ(ReadWhole(dir / "b.txt"), "B");
    EXPECT_EQ(File_Column(1), 0);
    EXPECT_EQ(File_Column(2), 0);
    EXPECT_EQ(dir.Entries(), (Strings{"a.txt", "b.txt"}));
}

TEST_F(FilesTest, NothingHappensWhileAnErrorIsPending) {
    WriteWhole(dir / "a.txt", "A,B");
    Open("a.txt", FileMode::Input, 1);
    Open("out.txt", FileMode::Output, 2);
    Err_Raise(9);
    RtString field = "kept";
    File_InputField(1, field);
    EXPECT_EQ(field, "kept");
    File_Print(2, "x");
    File_Open(dir / "c.txt", FileMode::Output, FileAccess::ByMode, FileLock::None, 3);
    EXPECT_EQ(File_ReadChars(1, 1), "");
    File_Close(1);
    File_CloseAll();
    EXPECT_EQ(TakeError(), 9u);
    EXPECT_FALSE(Exists(dir / "c.txt"));
    EXPECT_EQ(File_Column(2), 1);  // still open, nothing written
    File_InputField(1, field);
    EXPECT_EQ(field, "A");
}

}  // namespace
