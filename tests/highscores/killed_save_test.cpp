// A save of tempo.max killed (SIGKILL, a separate process) between system calls of the rewrite,
// at 250 points spread over it, in each place the table may live: the table left behind is the
// old one or the new one, and the next save leaves a whole table and no temporary file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "errors.h"
#include "file_test_support.h"
#include "files.h"
#include "high_scores_place.h"
#include "high_scores_table.h"
#include "platform.h"

namespace {

using filetest::ReadWhole;
using filetest::WriteWhole;
using Strings = std::vector<std::string>;

// Passes every call on to `inner` and kills this process at the chosen point (point 2n: before
// call n, point 2n+1: after it). With `split_writes` a write takes one byte a call, as a
// system that tears writes would do it, so a write is many points in time.
class KillingCalls final : public FileSystemCalls {
    template <class F>
    auto Call(F call) {
        Point();
        auto result = call();
        Point();
        return result;
    }
    void Point() {
        if (point_++ == kill_) ::kill(::getpid(), SIGKILL);
    }

  public:
    KillingCalls(FileSystemCalls& inner, int64_t kill_point, bool split_writes)
        : inner_(inner), kill_(kill_point), split_(split_writes) {}
    int64_t points() const { return point_; }

    int Open(const char* p, int f, mode_t m) override {
        return Call([&] { return inner_.Open(p, f, m); });
    }
    int64_t Read(int fd, void* b, size_t n) override {
        return Call([&] { return inner_.Read(fd, b, n); });
    }
    int64_t Write(int fd, const void* b, size_t n) override {
        return Call([&] { return inner_.Write(fd, b, split_ && n > 0 ? 1 : n); });
    }
    int64_t Seek(int fd, int64_t o, int w) override {
        return Call([&] { return inner_.Seek(fd, o, w); });
    }
    int Sync(int fd) override {
        return Call([&] { return inner_.Sync(fd); });
    }
    int Close(int fd) override {
        return Call([&] { return inner_.Close(fd); });
    }
    int Stat(const char* p, struct stat* i) override {
        return Call([&] { return inner_.Stat(p, i); });
    }
    int FileStat(int fd, struct stat* i) override {
        return Call([&] { return inner_.FileStat(fd, i); });
    }
    int Rename(const char* a, const char* b) override {
        return Call([&] { return inner_.Rename(a, b); });
    }
    int Unlink(const char* p) override {
        return Call([&] { return inner_.Unlink(p); });
    }
    int Access(const char* p, int h) override {
        return Call([&] { return inner_.Access(p, h); });
    }
    int MakeDirectory(const char* p, mode_t m) override {
        return Call([&] { return inner_.MakeDirectory(p, m); });
    }
    int FileChangeOwner(int fd, uid_t o, gid_t g) override {
        return Call([&] { return inner_.FileChangeOwner(fd, o, g); });
    }
    int FileChangeMode(int fd, mode_t m) override {
        return Call([&] { return inner_.FileChangeMode(fd, m); });
    }
    int FileTruncate(int fd, int64_t l) override {
        return Call([&] { return inner_.FileTruncate(fd, l); });
    }
    int FileLock(int fd) override {
        return Call([&] { return inner_.FileLock(fd); });
    }

  private:
    FileSystemCalls& inner_;
    const int64_t kill_;
    const bool split_;
    int64_t point_ = 0;
};

// The calls of a place without flushing to the disk: a killed process loses nothing the
// system holds, and hundreds of flushes would only make the test slow.
class PlaceCalls final : public filetest::LockedCalls {
  public:
    int Sync(int) override { return 0; }
};

class ContinuingBox final : public plat::MessageBox {
  public:
    plat::BoxAnswer show(const std::string&, const std::string&, plat::BoxButtons) override {
        return plat::BoxAnswer::Yes;
    }
};

std::string Record(const std::string& name, const std::string& time) {
    return "\"" + name + "\",\"" + time + "\"\r\n";
}
const std::string kOld = Record("ALFREDO", "0300") + Record("BEATRICE", "0500") +
                         Record("CARLO", "0700") + Record("DONATELLA", "0900") +
                         Record("EMANUELE", "1100");
const std::string kNewRecord = Record("NUOVO", "0100");
const std::string kNew = kNewRecord + Record("ALFREDO", "0300") + Record("BEATRICE", "0500") +
                         Record("CARLO", "0700") + Record("DONATELLA", "0900");
constexpr int64_t kKillPoints = 250;

enum class Place { Replaced, InPlace, PlayersCopy };

// What the kills of one place left, as the game reads it.
struct Outcome {
    int points = 0;       // kill points tried
    int old_table = 0;    // the old table whole
    int new_table = 0;    // the new table whole (perhaps followed by old bytes it never reads)
    int torn = 0;         // the new table's first bytes over the old one's
    int lost = 0;         // anything else
    int temporaries = 0;  // temporary files left by the next save
};

class KilledSaveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char cwd[PATH_MAX] = {};
        ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
        oldDirectory_ = cwd;
        ASSERT_EQ(::chdir(dir.path().c_str()), 0);
        plat::Platform platform;
        platform.message_box = &box_;
        plat::Plat_Install(platform);
        ::setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
    }
    void TearDown() override {
        plat::Plat_Install(plat::Platform{});
        EXPECT_EQ(::chdir(oldDirectory_.c_str()), 0);
    }

    std::string TablePath(Place place) {
        return place == Place::PlayersCopy ? dir / "data/brunolt/tempo.max" : dir / "tempo.max";
    }

    // A read-only folder for the rewrite in place, a read-only install for the player's copy.
    void Lock(PlaceCalls& calls, Place place) {
        if (place != Place::Replaced) calls.lockedFolders = {dir.path()};
        if (place == Place::PlayersCopy) calls.lockedFiles = {dir / "tempo.max"};
    }

    // The old table beside the game and the player's data folder, nothing else.
    void Reset() {
        for (const auto& item : std::filesystem::directory_iterator(dir.path())) {
            std::filesystem::remove_all(item.path());
        }
        WriteWhole(dir / "tempo.max", kOld);
        ::mkdir((dir / "data").c_str(), 0700);
    }

    // Reads the table and ranks a new time in, as the game does before it saves.
    static HighScoreTable Ranked() {
        HighScoreTable table;
        ReadHighScores(table);
        MergeNewEntry(table, "NUOVO", 100);
        Err_Reset();
        return table;
    }

    // Saves the table, through `calls` when given (killing ones) and the place's own otherwise.
    bool Save(Place place, HighScoreTable table, FileSystemCalls* calls = nullptr) {
        PlaceCalls locked;
        Lock(locked, place);
        File_SetSystemCalls(calls != nullptr ? calls : &locked);
        const bool saved = RewriteHighScores(table);
        Err_Reset();
        File_CloseAll();
        Err_Reset();
        File_SetSystemCalls(nullptr);
        return saved;
    }

    // The points of a whole save, counted without a kill.
    int64_t PointsOfASave(Place place, bool split_writes) {
        Reset();
        const HighScoreTable table = Ranked();
        PlaceCalls locked;
        Lock(locked, place);
        KillingCalls counting(locked, -1, split_writes);
        EXPECT_TRUE(Save(place, table, &counting));
        return counting.points();
    }

    // Saves in a child process killed at `point` of the save; false when it was not killed.
    bool KilledSave(Place place, bool split_writes, int64_t point) {
        const HighScoreTable table = Ranked();
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            PlaceCalls locked;
            Lock(locked, place);
            KillingCalls killing(locked, point, split_writes);
            Save(place, table, &killing);
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }

    Outcome KillAtPointsOfASave(Place place, bool split_writes) {
        const int64_t total = PointsOfASave(place, split_writes);
        Outcome outcome;
        for (int64_t i = 0; i < kKillPoints; ++i) {
            // Spread over the whole save; a save with fewer points is killed at each several times.
            const int64_t point = i * total / kKillPoints;
            Reset();
            const int torn_before = outcome.torn + outcome.lost;
            EXPECT_TRUE(KilledSave(place, split_writes, point)) << "point " << point;
            ++outcome.points;
            // What the game reads now: the player's copy once it exists, else the installed one.
            const bool copied = filetest::Exists(TablePath(place));
            const std::string left = ReadWhole(copied ? TablePath(place) : dir / "tempo.max");
            if (left == kOld) {
                ++outcome.old_table;
            } else if (left.compare(0, kNew.size(), kNew) == 0 &&
                       (left.size() == kNew.size() ||
                        left.substr(kNew.size()) == kOld.substr(kNew.size()))) {
                ++outcome.new_table;
            } else if (left.size() == kOld.size() && [&] {
                           size_t k = 0;
                           while (k < kNew.size() && left[k] == kNew[k]) ++k;
                           return left.compare(k, std::string::npos, kOld, k) == 0;
                       }()) {
                ++outcome.torn;
            } else {
                ++outcome.lost;
                ADD_FAILURE() << "point " << point << " left:\n" << left;
            }
            // The next save, not killed, puts a whole table in place and no temporary beside it.
            EXPECT_TRUE(Save(place, Ranked())) << "point " << point;
            const std::string path = TablePath(place);
            for (const std::string& name :
                 filetest::ScratchDirectory::EntriesOf(path.substr(0, path.rfind('/')))) {
                if (name.find(".tmp") != std::string::npos) ++outcome.temporaries;
            }
            // Ranked into the old table the new time gives the new table; into the new one
            // it comes first again. A torn table is only made whole again.
            const std::string saved = ReadWhole(path);
            if (left == kOld) {
                EXPECT_EQ(saved, kNew) << "point " << point;
            }
            if (left != kOld && saved.compare(0, kNewRecord.size(), kNewRecord) != 0) {
                EXPECT_EQ(outcome.torn + outcome.lost, torn_before + 1) << "point " << point;
            }
            if (outcome.torn == torn_before) {
                EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 5) << "point " << point;
            }
        }
        std::printf(
            "%s%s: %lld points in a save, killed at %d: old table %d, new table %d, "
            "torn %d, lost %d; temporaries after the next save %d\n",
            place == Place::Replaced  ? "replaced whole"
            : place == Place::InPlace ? "rewritten in place"
                                      : "player's copy",
            split_writes ? " (writes torn byte by byte)" : "", static_cast<long long>(total),
            outcome.points, outcome.old_table, outcome.new_table, outcome.torn, outcome.lost,
            outcome.temporaries);
        return outcome;
    }

    filetest::ScratchDirectory dir;

  private:
    ContinuingBox box_;
    std::string oldDirectory_;
};

// Replaced through a temporary file (beside the game, or the player's copy, made from the
// installed table first): even with every write torn into bytes, a kill leaves the old table
// or the new one.
TEST_F(KilledSaveTest, AKilledSaveLeavesTheOldTableOrTheNewOne) {
    for (const Place place : {Place::Replaced, Place::PlayersCopy}) {
        const Outcome outcome = KillAtPointsOfASave(place, true);
        EXPECT_EQ(outcome.points, kKillPoints);
        EXPECT_EQ(outcome.lost + outcome.torn, 0);
        EXPECT_GT(outcome.old_table, 0);
        EXPECT_GT(outcome.new_table, 0);
        EXPECT_EQ(outcome.temporaries, 0);
    }
}

// A folder that takes no new file leaves only the rewrite in place: the new table goes over the
// old one in one write, which a kill does not tear for a file this small, so a kill leaves the
// old table or the new one. Torn into bytes, the write would leave the new table's beginning
// over the old one's end while it lasts (counted, and mended by the next save).
TEST_F(KilledSaveTest, AKilledRewriteInPlaceLeavesTheOldTableOrTheNewOne) {
    const Outcome whole = KillAtPointsOfASave(Place::InPlace, false);
    EXPECT_EQ(whole.points, kKillPoints);
    EXPECT_EQ(whole.lost + whole.torn, 0);
    EXPECT_GT(whole.old_table, 0);
    EXPECT_GT(whole.new_table, 0);
    EXPECT_EQ(whole.temporaries, 0);
    const Outcome torn = KillAtPointsOfASave(Place::InPlace, true);
    EXPECT_EQ(torn.lost, 0);
    EXPECT_GT(torn.torn, 0);
    EXPECT_EQ(torn.temporaries, 0);
}

}  // namespace
