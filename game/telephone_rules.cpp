// The telephone game's rules without the screen: numbers, the clock, the lines and the call tests.
#include "telephone_rules.h"

#include <cstdio>

#include "numbers.h"
#include "platform.h"
#include "strings_ops.h"

int16_t DigitSum(const RtString& number) {
    int16_t sum = 0;
    for (char c : number) {
        if (c >= '0' && c <= '9') sum = static_cast<int16_t>(sum + (c - '0'));
    }
    return sum;
}

bool NumberExists(const RtString& number, int16_t targetSum) {
    return DigitSum(number) == targetSum;
}

RtString ShownNumber(const RtString& number) {
    return Str_Left(number, 2) + "-" + Str_Mid(number, 3, 2) + "-" + Str_Right(number, 2);
}

RtString GameClock_Update(GameClock& clock, int16_t minute, const RtString& seconds,
                          int16_t playMinutes) {
    // During minute 0 the start moves so that the count stays where the last reading left it;
    // from minute 1 on it goes on from there.
    if (minute == 0) clock.startMinute = static_cast<int16_t>(-clock.elapsed);
    clock.elapsed = static_cast<int16_t>(minute - clock.startMinute);
    clock.remaining = static_cast<int16_t>(playMinutes - clock.elapsed);
    return Str_TrimLeft(Num_ToText(clock.elapsed)) + seconds;
}

RtString WallClockText() {
    const plat::TimeOfDay now = plat::Plat().clock->local_time();
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", now.hours % 100, now.minutes % 100,
                  now.seconds % 100);
    return text;
}

int16_t ClockHours(const RtString& clockText) {
    return static_cast<int16_t>(Num_FromText(Str_Left(clockText, 2)));
}

int16_t ClockMinutes(const RtString& clockText) {
    return static_cast<int16_t>(Num_FromText(Str_Mid(clockText, 4, 2)));
}

RtString ClockSeconds(const RtString& clockText) {
    return Str_Right(clockText, 2);
}

TelephoneLines::TelephoneLines() {
    for (auto& line : linePath) {
        for (auto& column : line) column.fill(' ');
    }
}

char& TelephoneLines::PathCell(int16_t line, int column, int row) {
    return linePath.at(static_cast<size_t>(line))
        .at(static_cast<size_t>(column))
        .at(static_cast<size_t>(row));
}

void Lines_Roll(TelephoneLines& lines, const RandomDraw& draw) {
    if (lines.currentLine >= 4) lines.noticeRoll = static_cast<int16_t>(draw(20, 1));
    if (lines.currentLine >= 2) lines.freeRoll = static_cast<int16_t>(draw(6, 1));
    lines.noticeLine = static_cast<int16_t>(draw(lines.currentLine - 1, 1));
}

bool Lines_NoticeDue(const TelephoneLines& lines) {
    return lines.noticeRoll >= 10;
}

RtString Lines_StartNotice(TelephoneLines& lines) {
    lines.freeNumber = lines.lineNumbers.at(static_cast<size_t>(lines.noticeLine));
    lines.notice = ShownNumber(lines.freeNumber);
    return lines.notice;
}

void Lines_Bound(TelephoneLines& lines) {
    if (lines.currentLine == 0) lines.currentLine = 1;
    if (lines.currentLine == kLineCount + 1) {
        lines.currentLine = kLineCount;
        lines.linesFull = true;
    }
}

void Lines_StoreOnCurrent(TelephoneLines& lines, const RtString& number, int16_t sum) {
    if (lines.linesFull) return;
    const auto line = static_cast<size_t>(lines.currentLine);
    lines.lineNumbers.at(line) = number;
    lines.lineSums.at(line) = sum;
    lines.currentLine = static_cast<int16_t>(lines.currentLine + 1);
}

void Lines_BlankPath(TelephoneLines& lines, int columns) {
    for (int row = 1; row <= kPathRows; ++row) {
        for (int column = 1; column <= columns && column <= kPathColumns; ++column) {
            lines.PathCell(lines.currentLine, column, row) = ' ';
        }
    }
}

void Lines_BrowseStep(TelephoneLines& lines, int direction) {
    lines.previousSelected = lines.selectedLine;
    lines.selectedLine = static_cast<int16_t>(lines.selectedLine + direction);
    if (lines.currentLine == kLineCount && !lines.lineNumbers[kLineCount].empty()) {
        lines.browseExtra = 1;
    }
    const int16_t end = static_cast<int16_t>(lines.currentLine + lines.browseExtra);
    if (lines.selectedLine >= end) lines.selectedLine = 1;
    if (lines.selectedLine < 1) lines.selectedLine = static_cast<int16_t>(end - 1);
}

void Lines_EndNotice(TelephoneLines& lines, const RtString& culpritNumber) {
    lines.notice.clear();
    lines.freeNumber = culpritNumber;
}

bool Call_IsNonexistent(const TelephoneLines& lines, const RtString& number,
                        const RtString& culpritNumber, int16_t dialledSum, int16_t targetSum) {
    return number != culpritNumber && (dialledSum != targetSum || lines.linesFull) &&
           !lines.NoticeShowing();
}

bool Call_IsAnswered(const TelephoneLines& lines, const RtString& number,
                     const RtString& culpritNumber, bool announcedNonexistent) {
    if (number == culpritNumber) return true;
    if (announcedNonexistent) return false;
    // With a notice the call goes to the selected line; before any browse there is none.
    if (lines.NoticeShowing() && lines.selectedLine < 1) return false;
    return lines.freeRoll == 5 ||
           lines.lineNumbers.at(static_cast<size_t>(lines.selectedLine)) == lines.freeNumber;
}

bool Call_IsNewAnswered(const TelephoneLines& lines) {
    return lines.freeRoll == 5 && !lines.NoticeShowing();
}

void Lines_TakeAnsweredNew(TelephoneLines& lines, const RtString& number, int16_t sum) {
    lines.selectedLine = lines.currentLine;
    const auto line = static_cast<size_t>(lines.currentLine);
    lines.lineNumbers.at(line) = number;
    lines.lineSums.at(line) = sum;
    lines.currentLine = static_cast<int16_t>(lines.currentLine + 1);
    Lines_Bound(lines);
}

bool Call_IsBusyStoredLine(const TelephoneLines& lines) {
    return lines.freeRoll != 5 && lines.NoticeShowing() &&
           lines.lineNumbers.at(static_cast<size_t>(lines.selectedLine)) != lines.freeNumber;
}

RtString PersonNameText(const RtString& firstName, const RtString& surname, const RtString& city) {
    return firstName + " " + surname + " di " + city;
}
