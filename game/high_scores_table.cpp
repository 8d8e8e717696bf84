// The high-score table kept in tempo.max: reading, ranking, rewriting and the name entry.
#include "high_scores_table.h"

#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "errors.h"
#include "files.h"
#include "high_scores_place.h"
#include "numbers.h"

namespace {

constexpr int32_t kOverflow = 6;
constexpr uint8_t kBackspace = 8;
constexpr uint8_t kEnter = 13;
constexpr int kSortPasses = 5;
// Written for a place that holds no record: the slowest time four digits can hold, so that the
// file keeps its five records and the place ranks after every real time whoever reads it.
constexpr const char* kNoRecordTime = "9959";

// A number stored into a 16-bit variable: nearest whole number, ties to even (the default
// rounding of the floating-point unit); false after raising error 6 when it does not fit.
bool ToInt16(double value, int16_t& result) {
    const double rounded = std::nearbyint(value);
    if (!(rounded >= -32768.0 && rounded <= 32767.0)) {
        Err_Raise(kOverflow);
        return false;
    }
    result = static_cast<int16_t>(rounded);
    return true;
}

// A place whose record the file lacked (read past its end, error 62) has an empty time: that
// is no record at all rather than a time of 0, and it ranks after every real one.
double RankOf(const RtString& time) {
    return time.empty() ? std::numeric_limits<double>::infinity() : Num_FromText(time);
}

void OpenHighScoresForReading() {
    File_Open(HighScores_PathToRead(), FileMode::Input, FileAccess::ByMode, FileLock::None,
              kHighScoreFileNumber);
}

}  // namespace

void ReadHighScoreRecord(RtString& name, RtString& time) {
    // One statement reads both fields, as the record is one line.
    STMT(File_InputField(kHighScoreFileNumber, name); File_InputField(kHighScoreFileNumber, time));
}

void ReadHighScores(HighScoreTable& table) {
    STMT(OpenHighScoresForReading());
    for (int w = 1; w <= kHighScorePlaces; ++w) {
        ReadHighScoreRecord(table.names[w], table.times[w]);
    }
    STMT(File_Close(kHighScoreFileNumber));
}

void ReadQualifyingTime(int16_t& qualifyingTime) {
    RtString name;
    RtString time;
    STMT(OpenHighScoresForReading());
    for (int record = 1; record <= 3; ++record) ReadHighScoreRecord(name, time);
    STMT(File_Close(kHighScoreFileNumber));
    int16_t value = 0;
    STMT(if (ToInt16(Num_FromText(time), value)) qualifyingTime = value);
}

int16_t NewTimeFromResult(const RtString& resultTime) {
    int16_t value = 0;
    return ToInt16(Num_FromText(resultTime), value) ? value : 0;
}

RtString Int16NumberText(int16_t value) {
    return value >= 0 ? " " + std::to_string(value) : std::to_string(value);
}

void MergeNewEntry(HighScoreTable& table, const RtString& typedName, int16_t newTime) {
    table.names[6] = typedName;
    table.times[6] = Int16NumberText(newTime);
    SortHighScores(table);
}

void SortHighScores(HighScoreTable& table) {
    for (int pass = 0; pass < kSortPasses; ++pass) {
        for (size_t w = 1; w <= 5; ++w) {
            // Only a strictly greater time moves down, so equal times keep their order.
            if (RankOf(table.times[w]) > RankOf(table.times[w + 1])) {
                std::swap(table.times[w], table.times[w + 1]);
                std::swap(table.names[w], table.names[w + 1]);
            }
        }
    }
}

RtString FourDigitTime(const RtString& time) {
    if (time.empty()) return kNoRecordTime;
    RtString digits = time.front() == ' ' ? time.substr(1) : time;
    if (!digits.empty() && digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
    return digits;
}

bool OpenHighScoresForWriting() {
    File_Open(HighScores_PathToWrite(), FileMode::Output, FileAccess::ByMode, FileLock::None,
              kHighScoreFileNumber);
    return !Err_IsPending();
}

bool WriteHighScoreRecord(const RtString& name, const RtString& time) {
    bool written = false;
    STMT(File_Print(kHighScoreFileNumber, "\"" + name + "\","); written = !Err_IsPending());
    STMT(File_Print(kHighScoreFileNumber, "\"" + time + "\"", {.lineEnd = true});
         written = written && !Err_IsPending());
    return written;
}

bool RewriteHighScores(HighScoreTable& table) {
    bool opened = false;
    STMT(opened = OpenHighScoresForWriting());
    // After a failed write the file's output is incomplete and takes nothing more.
    bool saved = opened;
    for (size_t w = 1; w <= kHighScorePlaces; ++w) {
        STMT(table.times[w] = FourDigitTime(table.times[w]));
        if (saved) saved = WriteHighScoreRecord(table.names[w], table.times[w]);
    }
    if (opened) STMT(File_Close(kHighScoreFileNumber); saved = saved && !Err_IsPending());
    return saved;
}

ListedTime ListTime(const RtString& time) {
    ListedTime listed;
    listed.minutes = time.substr(0, time.size() == 4 ? 2 : 1);
    listed.seconds = time.size() >= 2 ? time.substr(time.size() - 2) : time;
    listed.column = static_cast<int16_t>(26 - static_cast<int64_t>(time.size()));
    return listed;
}

RtString RewrittenTimeText(const RtString& fourDigitTime) {
    const RtString& t = fourDigitTime;
    return t.substr(0, 2) + "," + (t.size() >= 2 ? t.substr(t.size() - 2) : t);
}

RtString PlaceText(int16_t place) {
    return Int16NumberText(place) + "\xF8 ";
}

NameKeyOutcome NameEntry_TakeKey(NameEntry& entry, uint8_t key) {
    const int16_t column = NameCursorColumn(entry);
    if (key == kBackspace && entry.typedCount > 0) {
        entry.typedName.pop_back();
        --entry.typedCount;
        return {NameKeyAction::EraseLast, column};
    }
    if (key == kEnter) return {NameKeyAction::Finish, column};
    if (key > '/' && key < '{') {
        ++entry.typedCount;
        if (entry.typedCount <= kNameMaxLength) {
            entry.typedName.push_back(static_cast<char>(key));
        } else {
            entry.typedCount = kNameMaxLength;
        }
        return {NameKeyAction::Show, column};
    }
    return {NameKeyAction::Ignore, column};
}
