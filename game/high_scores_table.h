// The high-score table kept in tempo.max: reading, ranking, rewriting, its display forms and
// the rules of the name entry, without the screen that shows them.
#pragma once

#include <array>
#include <cstdint>

#include "rt_string.h"

// The file in the working directory (where else it may be kept: high_scores_place.h) and the
// number the game opens it under.
inline constexpr const char* kHighScoreFile = "tempo.max";
inline constexpr int32_t kHighScoreFileNumber = 1;
inline constexpr int kHighScorePlaces = 5;

// Names and times as the screen keeps them: places 1 to 5 from the file, place 6 the new
// entry, place 0 unused. Times are texts: minutes digits followed by two seconds digits.
struct HighScoreTable {
    std::array<RtString, 7> names;
    std::array<RtString, 7> times;
};

// Reads one record (name, time) from the open high-score file: two fields.
void ReadHighScoreRecord(RtString& name, RtString& time);

// Opens tempo.max where it is kept, reads the five records into places 1 to 5 and closes it. Each
// file operation is a statement of its own, so after an error (53 missing, 62 too few records) the
// error box comes first and the file is still closed afterwards.
void ReadHighScores(HighScoreTable& table);

// The start of a game: opens tempo.max where it is kept, reads three records, closes it, and sets
// `qualifyingTime` to the number in the third record's time field.
void ReadQualifyingTime(int16_t& qualifyingTime);

// The new time: `resultTime` as a number, taken to the nearest whole number (ties to even);
// outside the 16-bit range raises error 6.
int16_t NewTimeFromResult(const RtString& resultTime);

// Number text of a 16-bit value: a blank before a value that is not negative.
RtString Int16NumberText(int16_t value);

// Puts the new entry in place 6 (time as number text, with its leading blank) and ranks the
// six entries by time in five passes of neighbour swaps; equal times keep their order, so a
// new time equal to an old one ranks below it. A place the file had no record for (empty
// time) ranks after every real one. Place 6 then holds the entry that drops out.
void MergeNewEntry(HighScoreTable& table, const RtString& typedName, int16_t newTime);
void SortHighScores(HighScoreTable& table);

// A time as the file holds it: a leading blank dropped, then zeros in front up to four
// digits (734 -> 0734, " 42" -> 0042). Longer times stay as they are. A place without a record
// (empty time) gets 9959, the slowest four-digit time, so it stays behind every real one.
RtString FourDigitTime(const RtString& time);

// Opens tempo.max for output as the file number above, where the table is saved. Returns
// false when it could not be opened; the error is raised and its box shows as the statement
// ends, and the records are then not written at all, so that one box tells the player.
bool OpenHighScoresForWriting();

// Writes one record: a double quote, the name, a double quote and a comma; then a double
// quote, the time and a double quote with the line end. Returns false when a write failed.
bool WriteHighScoreRecord(const RtString& name, const RtString& time);

// Opens tempo.max for output, turns each time of places 1 to 5 into four digits and writes
// the five records, then closes it (which is when the new table replaces the old one).
// Returns whether the table was saved whole.
bool RewriteHighScores(HighScoreTable& table);

// How a time read from the file is listed: the minutes part (the first two characters of a
// four-character time, else its first), the seconds part (the last two), and the column the
// listing starts at (26 minus the time's length, so 734 is shown as 7,34 from column 23).
struct ListedTime {
    RtString minutes;
    RtString seconds;
    int16_t column = 0;
};
ListedTime ListTime(const RtString& time);

// How a rewritten (four-digit) time is shown from column 22: its first two characters, a
// comma and its last two (0042 -> 00,42).
RtString RewrittenTimeText(const RtString& fourDigitTime);
inline constexpr int16_t kRewrittenTimeColumn = 22;

// The listing: place w stands on row w + 6 from column 7 in colour w + 10, beginning with
// the place text; "Minuti" stands at column 28.
inline constexpr int16_t kListColumn = 7;
inline constexpr int16_t kMinutesWordColumn = 28;
inline int16_t ListRow(int place) {
    return static_cast<int16_t>(place + 6);
}
inline int16_t ListColour(int place) {
    return static_cast<int16_t>(place + 10);
}

// The place as number text, the degree sign (byte 0xF8) and a blank: " 1\xF8 ".
RtString PlaceText(int16_t place);

// ---- The name entry -------------------------------------------------------------------------

inline constexpr int16_t kNameMaxLength = 11;
inline constexpr int16_t kNameRow = 20;
inline constexpr int16_t kNameFirstColumn = 15;

// The name being typed: the characters kept so far (at most 11).
struct NameEntry {
    RtString typedName;
    int16_t typedCount = 0;
};

// What the screen does for one key.
enum class NameKeyAction : uint8_t {
    Ignore,     // not a key of the entry: redraw the cursor and wait again
    EraseLast,  // Backspace: print "." at `column`, then the cursor one column left
    Show,       // print the key at `column` (kept, or the twelfth and later: shown, not kept)
    Finish,     // Enter: the entry ends
};

struct NameKeyOutcome {
    NameKeyAction action = NameKeyAction::Ignore;
    int16_t column = 0;  // on row 20
};

// The column of the "_" cursor on row 20: typed count + 15.
inline int16_t NameCursorColumn(const NameEntry& entry) {
    return static_cast<int16_t>(entry.typedCount + kNameFirstColumn);
}

// Applies one key byte (an extended key arrives as 0) to the entry. Accepted: Enter (13),
// Backspace (8) when something is typed, and the bytes 0x30 to 0x7A; the twelfth and later
// characters are shown at column 26 but not kept.
NameKeyOutcome NameEntry_TakeKey(NameEntry& entry, uint8_t key);
