// The telephone game's rules that need no screen: digit sums, the game clock, the ten lines with
// their rolls, notices and browsing, and the tests that decide a complete attempt.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "rt_string.h"

// A random draw INT(RND * n) + k; the game passes DrawRandom, tests a scripted one.
using RandomDraw = std::function<int32_t(int32_t n, int32_t k)>;

// ---- Numbers --------------------------------------------------------------------------------

// Sum of the decimal digits of a number text (other characters count nothing).
int16_t DigitSum(const RtString& number);
// A number exists when its digit sum equals that of the culprit's number.
bool NumberExists(const RtString& number, int16_t targetSum);
// Six digits as three pairs joined by hyphens: "12-34-56".
RtString ShownNumber(const RtString& number);

// ---- The game clock -------------------------------------------------------------------------

// Minutes counted against the limit; startMinute is moved back during minute 0 of every hour
// so that the count carries over the hour.
struct GameClock {
    int16_t startMinute = 0;
    int16_t elapsed = 0;
    int16_t remaining = 0;
};

// One reading of the wall clock: minute 0-59 and its seconds as two digits. Updates the clock
// and returns the result time: the elapsed minutes without blank, then the seconds digits.
RtString GameClock_Update(GameClock& clock, int16_t minute, const RtString& seconds,
                          int16_t playMinutes);

// The wall clock as "HH:MM:SS" (the clock seam's local time), and its parts as the game reads
// them: the hours from characters 1-2, the minutes from 4-5, the seconds text from 7-8.
RtString WallClockText();
int16_t ClockHours(const RtString& clockText);
int16_t ClockMinutes(const RtString& clockText);
RtString ClockSeconds(const RtString& clockText);

// ---- Lines ----------------------------------------------------------------------------------

inline constexpr int16_t kLineCount = 10;
inline constexpr int kPathColumns = 54;
inline constexpr int kPathRows = 13;

// The ten telephone lines: line k belongs to witness k once a number is stored on it.
struct TelephoneLines {
    std::array<RtString, 12> lineNumbers{};  // 1-10 used
    std::array<int16_t, 11> lineSums{};      // 1-10 used
    // The path each line's dialling drew: [line][column 0-54][row 0-14], a blank when empty.
    std::array<std::array<std::array<char, kPathRows + 2>, kPathColumns + 1>, kLineCount + 1>
        linePath{};
    int16_t currentLine = 0;
    bool linesFull = false;
    int16_t selectedLine = 0;
    int16_t previousSelected = 0;
    bool browseStarted = false;
    int16_t browseExtra = 0;
    int16_t freeRoll = 0;
    int16_t noticeRoll = 0;
    int16_t noticeLine = 0;
    RtString notice;      // shown form of the number announced free; empty: no notice
    RtString freeNumber;  // the number the stored-line test answers
    int16_t browseColour = 0;

    TelephoneLines();
    bool NoticeShowing() const { return !notice.empty(); }
    char& PathCell(int16_t line, int column, int row);
};

// The rolls of a main-loop pass, in their order: the notice roll from currentLine 4, the free
// roll from currentLine 2, then the notice line INT(RND * (currentLine - 1)) + 1.
void Lines_Roll(TelephoneLines& lines, const RandomDraw& draw);
// Whether this pass shows a notice (notice roll 10 or more).
bool Lines_NoticeDue(const TelephoneLines& lines);
// Starts the notice: the noticed line's number becomes the free number; returns its shown form,
// which is also kept as the notice.
RtString Lines_StartNotice(TelephoneLines& lines);
// The line counter's bounds: 0 becomes 1; 11 becomes 10 with the lines full.
void Lines_Bound(TelephoneLines& lines);
// Stores a new number and its digit sum on the current line and moves the counter on
// (without bounding it). Nothing is stored once the lines are full.
void Lines_StoreOnCurrent(TelephoneLines& lines, const RtString& number, int16_t sum);
// Blanks the current line's path in columns 1..columns, every row.
void Lines_BlankPath(TelephoneLines& lines, int columns);
// One browse step (+1 down, -1 up): previousSelected, browseExtra and the wrapped selection.
void Lines_BrowseStep(TelephoneLines& lines, int direction);
// Ends a notice: cleared, and the free number is the culprit's again.
void Lines_EndNotice(TelephoneLines& lines, const RtString& culpritNumber);

// ---- Deciding a complete attempt --------------------------------------------------------------

// A number that is not the culprit's and has the wrong digit sum (or comes when every line is
// used), dialled while no notice shows.
bool Call_IsNonexistent(const TelephoneLines& lines, const RtString& number,
                        const RtString& culpritNumber, int16_t dialledSum, int16_t targetSum);
// Whether the attempt is answered: the culprit's number always; otherwise a free roll of 5 or
// the selected line holding the free number. A number just announced as nonexistent is not
// answered, and a notice with no line selected reaches nobody.
bool Call_IsAnswered(const TelephoneLines& lines, const RtString& number,
                     const RtString& culpritNumber, bool announcedNonexistent);
// An answered new number (free roll 5 without a notice) takes the current line: selected,
// stored, the counter moved on and bounded at once.
bool Call_IsNewAnswered(const TelephoneLines& lines);
void Lines_TakeAnsweredNew(TelephoneLines& lines, const RtString& number, int16_t sum);
// A busy stored line: a notice showing, no free roll of 5, and the selected line's number is
// not the one announced.
bool Call_IsBusyStoredLine(const TelephoneLines& lines);

// ---- Names ----------------------------------------------------------------------------------

// "first name surname di city".
RtString PersonNameText(const RtString& firstName, const RtString& surname, const RtString& city);
