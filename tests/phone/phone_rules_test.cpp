// The telephone rules: digit sums, the clock over the hour, the result time, the rolls, the line
// counter, browsing and the tests that decide an attempt.
#include <gtest/gtest.h>

#include "phone_test_support.h"
#include "telephone_rules.h"

namespace {

using Asked = std::vector<std::pair<int32_t, int32_t>>;

TEST(PhoneNumbers, DigitSumAndExistence) {
    EXPECT_EQ(DigitSum("842954"), 32);
    EXPECT_EQ(DigitSum("400000"), 4);
    EXPECT_EQ(DigitSum(""), 0);
    EXPECT_TRUE(NumberExists("999500", 32));
    EXPECT_TRUE(NumberExists("842954", 32));
    EXPECT_FALSE(NumberExists("842955", 32));
    EXPECT_EQ(ShownNumber("842954"), "84-29-54");
}

TEST(PhoneClock, ElapsedMinutesCarryOverTheHour) {
    GameClock clock;
    clock.startMinute = 58;  // the game starts at 14:58
    EXPECT_EQ(GameClock_Update(clock, 58, "10", 14), "010");
    EXPECT_EQ(clock.elapsed, 0);
    EXPECT_EQ(clock.remaining, 14);
    EXPECT_EQ(GameClock_Update(clock, 59, "59", 14), "159");
    // 14:59 -> 15:00: nothing is added for the change of hour, and minute 0 stays put.
    EXPECT_EQ(GameClock_Update(clock, 0, "00", 14), "100");
    EXPECT_EQ(clock.elapsed, 1);
    EXPECT_EQ(clock.startMinute, -1);
    EXPECT_EQ(GameClock_Update(clock, 0, "45", 14), "145");
    EXPECT_EQ(clock.elapsed, 1);
    EXPECT_EQ(GameClock_Update(clock, 1, "02", 14), "202");
    EXPECT_EQ(clock.elapsed, 2);
    EXPECT_EQ(clock.remaining, 12);
}

TEST(PhoneClock, ResultTimeIsMinutesThenTheSecondsDigits) {
    GameClock clock;
    clock.startMinute = 10;
    EXPECT_EQ(GameClock_Update(clock, 22, "07", 14), "1207");
    EXPECT_EQ(clock.remaining, 2);
    EXPECT_EQ(GameClock_Update(clock, 10, "42", 5), "042");
    GameClock late;
    late.startMinute = 30;
    GameClock_Update(late, 35, "00", 5);
    EXPECT_EQ(late.remaining, 0);  // the time is up: below 1
}

TEST(PhoneClock, ClockTextParts) {
    EXPECT_EQ(ClockHours("14:59:07"), 14);
    EXPECT_EQ(ClockMinutes("14:59:07"), 59);
    EXPECT_EQ(ClockSeconds("14:59:07"), "07");
    EXPECT_EQ(ClockHours("00:30:00"), 0);
}

TEST(PhoneLines, RollsInTheirOrderAndOnlyFromTheirLines) {
    TelephoneLines lines;
    ScriptedDraws draws;
    Lines_Roll(lines, draws.Draw());  // currentLine 0: only the notice line, with n = -1
    EXPECT_EQ(draws.asked, (Asked{{-1, 1}}));
    lines.currentLine = 1;
    draws.asked.clear();
    Lines_Roll(lines, draws.Draw());
    EXPECT_EQ(draws.asked, (Asked{{0, 1}}));
    EXPECT_EQ(lines.freeRoll, 0);  // no answer before a line is used

    lines.currentLine = 2;
    draws.asked.clear();
    draws.results = {5, 1};
    Lines_Roll(lines, draws.Draw());
    EXPECT_EQ(draws.asked, (Asked{{6, 1}, {1, 1}}));
    EXPECT_EQ(lines.freeRoll, 5);
    EXPECT_EQ(lines.noticeRoll, 0);

    lines.currentLine = 3;
    draws.asked.clear();
    draws.results = {2, 2};
    Lines_Roll(lines, draws.Draw());
    EXPECT_EQ(draws.asked, (Asked{{6, 1}, {2, 1}}));
    EXPECT_FALSE(Lines_NoticeDue(lines));  // notices only from currentLine 4

    lines.currentLine = 4;
    draws.asked.clear();
    draws.results = {10, 3, 2};
    Lines_Roll(lines, draws.Draw());
    EXPECT_EQ(draws.asked, (Asked{{20, 1}, {6, 1}, {3, 1}}));
    EXPECT_EQ(lines.noticeRoll, 10);
    EXPECT_EQ(lines.freeRoll, 3);
    EXPECT_EQ(lines.noticeLine, 2);
    EXPECT_TRUE(Lines_NoticeDue(lines));
    lines.noticeRoll = 9;
    EXPECT_FALSE(Lines_NoticeDue(lines));
}

TEST(PhoneLines, NoticeAnnouncesTheNoticedLine) {
    TelephoneLines lines;
    lines.lineNumbers[2] = "123488";
    lines.noticeLine = 2;
    EXPECT_EQ(Lines_StartNotice(lines), "12-34-88");
    EXPECT_EQ(lines.freeNumber, "123488");
    EXPECT_TRUE(lines.NoticeShowing());
    Lines_EndNotice(lines, "842954");
    EXPECT_FALSE(lines.NoticeShowing());
    EXPECT_EQ(lines.freeNumber, "842954");
}

TEST(PhoneLines, CounterBounds) {
    TelephoneLines lines;
    Lines_Bound(lines);
    EXPECT_EQ(lines.currentLine, 1);
    lines.currentLine = 10;
    Lines_StoreOnCurrent(lines, "999500", 32);
    EXPECT_EQ(lines.currentLine, 11);
    EXPECT_EQ(lines.lineNumbers[10], "999500");
    EXPECT_FALSE(lines.linesFull);
    Lines_Bound(lines);
    EXPECT_EQ(lines.currentLine, 10);
    EXPECT_TRUE(lines.linesFull);
    Lines_StoreOnCurrent(lines, "999410", 32);  // nothing is stored any more
    EXPECT_EQ(lines.lineNumbers[10], "999500");
    EXPECT_EQ(lines.currentLine, 10);
}

TEST(PhoneLines, PathStartsBlankAndIsBlankedUpToTheTargetSum) {
    TelephoneLines lines;
    lines.currentLine = 3;
    EXPECT_EQ(lines.PathCell(3, 1, 1), ' ');
    lines.PathCell(3, 5, 7) = '\xC2';
    lines.PathCell(3, 33, 7) = '\xC2';
    Lines_BlankPath(lines, 32);
    EXPECT_EQ(lines.PathCell(3, 5, 7), ' ');
    EXPECT_EQ(lines.PathCell(3, 33, 7), '\xC2');  // beyond the target sum it stays
}

TEST(PhoneLines, BrowsingWrapsBothWays) {
    TelephoneLines lines;
    lines.currentLine = 4;  // lines 1 to 3 stored
    Lines_BrowseStep(lines, +1);
    EXPECT_EQ(lines.selectedLine, 1);
    EXPECT_EQ(lines.previousSelected, 0);
    Lines_BrowseStep(lines, +1);
    Lines_BrowseStep(lines, +1);
    EXPECT_EQ(lines.selectedLine, 3);
    Lines_BrowseStep(lines, +1);
    EXPECT_EQ(lines.selectedLine, 1);
    EXPECT_EQ(lines.previousSelected, 3);
    Lines_BrowseStep(lines, -1);
    EXPECT_EQ(lines.selectedLine, 3);
}

TEST(PhoneLines, BrowsingReachesLineTenOnlyWhenItHoldsANumber) {
    TelephoneLines lines;
    lines.currentLine = 10;
    lines.selectedLine = 9;
    Lines_BrowseStep(lines, +1);
    EXPECT_EQ(lines.selectedLine, 1);
    Lines_BrowseStep(lines, -1);
    EXPECT_EQ(lines.selectedLine, 9);
    lines.lineNumbers[10] = "999500";
    Lines_BrowseStep(lines, +1);
    EXPECT_EQ(lines.selectedLine, 10);
    EXPECT_EQ(lines.browseExtra, 1);
    Lines_BrowseStep(lines, +1);
    EXPECT_EQ(lines.selectedLine, 1);
    Lines_BrowseStep(lines, -1);
    EXPECT_EQ(lines.selectedLine, 10);
}

constexpr const char* kCulprit = "842954";

TEST(PhoneCalls, NonexistentNumbers) {
    TelephoneLines lines;
    lines.currentLine = 1;
    EXPECT_TRUE(Call_IsNonexistent(lines, "111111", kCulprit, 6, 32));
    EXPECT_FALSE(Call_IsNonexistent(lines, "999500", kCulprit, 32, 32));
    EXPECT_FALSE(Call_IsNonexistent(lines, kCulprit, kCulprit, 32, 32));
    lines.linesFull = true;
    EXPECT_TRUE(Call_IsNonexistent(lines, "999500", kCulprit, 32, 32));
    EXPECT_FALSE(Call_IsNonexistent(lines, kCulprit, kCulprit, 32, 32));
    lines.notice = "99-95-00";  // a call through a notice is never nonexistent
    EXPECT_FALSE(Call_IsNonexistent(lines, "", kCulprit, 0, 32));
}

TEST(PhoneCalls, TheFirstExistingNumberIsBusy) {
    TelephoneLines lines;
    lines.freeNumber = kCulprit;
    Lines_Bound(lines);
    ScriptedDraws draws;
    draws.results = {5, 5, 5};
    Lines_Roll(lines, draws.Draw());
    EXPECT_EQ(lines.freeRoll, 0);
    EXPECT_FALSE(Call_IsAnswered(lines, "999500", kCulprit, false));
    EXPECT_FALSE(Call_IsBusyStoredLine(lines));
    Lines_StoreOnCurrent(lines, "999500", 32);
    EXPECT_EQ(lines.currentLine, 2);
}

TEST(PhoneCalls, AFreeRollOfFiveAnswersANewNumberOnTheCurrentLine) {
    TelephoneLines lines;
    lines.freeNumber = kCulprit;
    lines.currentLine = 2;
    lines.lineNumbers[1] = "999500";
    lines.freeRoll = 5;
    EXPECT_TRUE(Call_IsAnswered(lines, "999410", kCulprit, false));
    EXPECT_TRUE(Call_IsNewAnswered(lines));
    Lines_TakeAnsweredNew(lines, "999410", 32);
    EXPECT_EQ(lines.selectedLine, 2);
    EXPECT_EQ(lines.lineNumbers[2], "999410");
    EXPECT_EQ(lines.lineSums[2], 32);
    EXPECT_EQ(lines.currentLine, 3);
    lines.freeRoll = 4;
    EXPECT_FALSE(Call_IsAnswered(lines, "999320", kCulprit, false));
}

TEST(PhoneCalls, AnAnswerOnLineTenFillsTheLines) {
    TelephoneLines lines;
    lines.currentLine = 10;
    lines.freeRoll = 5;
    Lines_TakeAnsweredNew(lines, "999500", 32);
    EXPECT_EQ(lines.selectedLine, 10);
    EXPECT_EQ(lines.currentLine, 10);
    EXPECT_TRUE(lines.linesFull);
}

TEST(PhoneCalls, TheCulpritAnswersEvenWithAllLinesUsed) {
    TelephoneLines lines;
    lines.currentLine = 10;
    lines.linesFull = true;
    lines.freeRoll = 0;
    lines.freeNumber.clear();
    lines.selectedLine = 3;
    lines.lineNumbers[3] = "999500";
    EXPECT_TRUE(Call_IsAnswered(lines, kCulprit, kCulprit, false));
    EXPECT_FALSE(Call_IsAnswered(lines, "999410", kCulprit, true));
}

TEST(PhoneCalls, ANumberAnnouncedNonexistentIsNotAnswered) {
    TelephoneLines lines;
    lines.currentLine = 3;
    lines.freeRoll = 5;
    lines.freeNumber = kCulprit;
    EXPECT_FALSE(Call_IsAnswered(lines, "111111", kCulprit, true));
    // With every line used and no line ever selected, the emptied free number would match the
    // empty line 0: still no answer.
    lines.linesFull = true;
    lines.freeRoll = 0;
    lines.freeNumber.clear();
    lines.selectedLine = 0;
    EXPECT_FALSE(Call_IsAnswered(lines, "999500", kCulprit, true));
}

TEST(PhoneCalls, ANoticeCallsTheSelectedLine) {
    TelephoneLines lines;
    lines.currentLine = 5;
    for (int k = 1; k <= 4; ++k)
        lines.lineNumbers[static_cast<size_t>(k)] = "99950" + std::to_string(k);
    lines.noticeLine = 2;
    Lines_StartNotice(lines);
    lines.freeRoll = 3;
    lines.selectedLine = 2;
    EXPECT_TRUE(Call_IsAnswered(lines, "", kCulprit, false));
    EXPECT_FALSE(Call_IsNewAnswered(lines));
    EXPECT_FALSE(Call_IsBusyStoredLine(lines));
    lines.selectedLine = 3;
    EXPECT_FALSE(Call_IsAnswered(lines, "", kCulprit, false));
    EXPECT_TRUE(Call_IsBusyStoredLine(lines));
    lines.freeRoll = 5;  // any selected line answers then
    EXPECT_TRUE(Call_IsAnswered(lines, "", kCulprit, false));
    EXPECT_FALSE(Call_IsNewAnswered(lines));
    EXPECT_FALSE(Call_IsBusyStoredLine(lines));
    lines.selectedLine = 0;  // before any browse no line is selected: nobody answers
    EXPECT_FALSE(Call_IsAnswered(lines, "", kCulprit, false));
}

TEST(PhoneNames, NameText) {
    EXPECT_EQ(PersonNameText("Mario", "Rossi", "Roma"), "Mario Rossi di Roma");
}

}  // namespace
