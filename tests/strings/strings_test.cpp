// Edge results of the string operations: counts, positions, comparisons, fixed lengths.
#include <gtest/gtest.h>

#include <cstdint>

#include "strings_ops.h"

namespace {

class StringsTest : public ::testing::Test {
  protected:
    void SetUp() override { Err_Reset(); }
    void TearDown() override { Err_Reset(); }
};

TEST_F(StringsTest, LeftAndRightClampTheirCounts) {
    EXPECT_EQ(Str_Left("ABC", 5), "ABC");
    EXPECT_EQ(Str_Left("ABC", -1), "");
    EXPECT_EQ(Str_Left("ABC", 0), "");
    EXPECT_EQ(Str_Left("ABC", 2), "AB");
    EXPECT_EQ(Str_Right("ABC", 2), "BC");
    EXPECT_EQ(Str_Right("ABC", 9), "ABC");
    EXPECT_EQ(Str_Right("ABC", -4), "");
    EXPECT_EQ(Str_Left("", 3), "");
    EXPECT_EQ(Err_Pending(), 0u);
}

TEST_F(StringsTest, MidAtTheEdges) {
    EXPECT_EQ(Str_Mid("ABCDE", 0, 2), "A");
    EXPECT_EQ(Str_Mid("ABCDE", -1, 2), "");
    EXPECT_EQ(Str_Mid("ABCDE", 4), "DE");
    EXPECT_EQ(Str_Mid("ABCDE", 6), "");
    EXPECT_EQ(Str_Mid("ABCDE", 6, 1), "");
    EXPECT_EQ(Str_Mid("ABCDE", 0), "ABCDE");
    EXPECT_EQ(Str_Mid("ABCDE", -7), "ABCDE");
    EXPECT_EQ(Str_Mid("ABCDE", 2, 100), "BCDE");
    EXPECT_EQ(Str_Mid("ABCDE", 2, 0), "");
    EXPECT_EQ(Str_Mid("ABCDE", 2, -3), "");
    EXPECT_EQ(Str_Mid("ABCDE", 5, 1), "E");
    // Starts and counts at the limits of 64 bits clamp without overflowing.
    constexpr int64_t kMin = INT64_MIN;
    constexpr int64_t kMax = INT64_MAX;
    EXPECT_EQ(Str_Mid("ABCDE", 2, kMax), "BCDE");
    EXPECT_EQ(Str_Mid("ABCDE", -1, kMax), "ABCDE");
    EXPECT_EQ(Str_Mid("ABCDE", kMin, kMax), "");
    EXPECT_EQ(Str_Mid("ABCDE", kMin, kMin), "");
    EXPECT_EQ(Str_Mid("ABCDE", kMax, kMax), "");
    EXPECT_EQ(Str_Mid("ABCDE", kMax), "");
    EXPECT_EQ(Str_Mid("ABCDE", kMin), "ABCDE");
    EXPECT_EQ(Err_Pending(), 0u);
}

TEST_F(StringsTest, ConcatWithEmptySides) {
    EXPECT_EQ(Str_Concat("", "xy"), "xy");
    EXPECT_EQ(Str_Concat("xy", ""), "xy");
    EXPECT_EQ(Str_Concat("ab", "cd"), "abcd");
    const RtString with_zero("a\0b", 3);
    EXPECT_EQ(Str_Concat(with_zero, with_zero).size(), 6u);
}

TEST_F(StringsTest, ComparisonsGiveMinusOneOrZero) {
    EXPECT_EQ(Str_Compare("AB", "ABC", StrRelation::Less), -1);
    EXPECT_EQ(Str_Compare("B", "ABC", StrRelation::Greater), -1);
    EXPECT_EQ(Str_Compare("", "A", StrRelation::Less), -1);
    EXPECT_EQ(Str_Compare("", "", StrRelation::Equal), -1);
    const RtString same = "Brunolt";
    EXPECT_EQ(Str_Compare(same, same, StrRelation::Equal), -1);
    EXPECT_EQ(Str_Compare(same, same, StrRelation::NotEqual), 0);
    EXPECT_EQ(Str_Compare(same, same, StrRelation::LessEqual), -1);
    EXPECT_EQ(Str_Compare(same, same, StrRelation::GreaterEqual), -1);
    EXPECT_EQ(Str_Compare("AB", "ABC", StrRelation::GreaterEqual), 0);
    // Bytes compare unsigned: 0x8A (e grave) sorts after 'z'.
    EXPECT_EQ(Str_Compare("\x8A", "z", StrRelation::Greater), -1);
    EXPECT_EQ(Str_Compare("z", "\x8A", StrRelation::Less), -1);
}

TEST_F(StringsTest, SpaceRepeatAndChr) {
    EXPECT_EQ(Str_Space(-3), "");
    EXPECT_EQ(Str_Space(3), "   ");
    EXPECT_EQ(Str_Repeat(3, 321), "AAA");
    EXPECT_EQ(Str_Repeat(-1, 65), "");
    EXPECT_EQ(Str_Chr(0), RtString(1, '\0'));
    EXPECT_EQ(Str_Chr(255), "\xFF");
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(Str_Chr(256), "");
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    EXPECT_EQ(Str_Chr(-1), "");
    EXPECT_EQ(Err_Pending(), 5u);
    // While an error is pending, nothing more happens.
    EXPECT_EQ(Str_Chr(65), "");
}

using StringsDeathTest = StringsTest;

TEST_F(StringsDeathTest, MoreBytesThanAStringHoldsIsCritical12) {
    EXPECT_EXIT(Str_Space(INT64_MAX), ::testing::ExitedWithCode(0),
                "Critical Error #12: Out of memory");
    EXPECT_EXIT(Str_Repeat(int64_t{1} << 31, 65), ::testing::ExitedWithCode(0),
                "Critical Error #12: Out of memory");
}

TEST_F(StringsTest, CaseAndTrimTouchOnlyTheirBytes) {
    EXPECT_EQ(Str_Upper("abz\x8A{`"), "ABZ\x8A{`");
    EXPECT_EQ(Str_Lower("ABZ\x90@["), "abz\x90@[");
    EXPECT_EQ(Str_TrimLeft("  \tA  "), "\tA  ");
    EXPECT_EQ(Str_TrimRight("  A\t  "), "  A\t");
    EXPECT_EQ(Str_TrimLeft("    "), "");
    EXPECT_EQ(Str_TrimRight(""), "");
}

TEST_F(StringsTest, InstrRules) {
    EXPECT_EQ(Str_Instr("ABBA", "BA"), 3);
    EXPECT_EQ(Str_Instr(4, "ABBA", "BA"), 0);
    EXPECT_EQ(Str_Instr(3, "ABBA", ""), 3);
    EXPECT_EQ(Str_Instr("ABBA", ""), 1);
    EXPECT_EQ(Str_Instr("", ""), 0);
    EXPECT_EQ(Str_Instr(1, "", "A"), 0);
    EXPECT_EQ(Str_Instr(0, "ABBA", ""), 0);
    EXPECT_EQ(Str_Instr(-5, "ABBA", "B"), 2);
    EXPECT_EQ(Str_Instr(5, "ABBA", ""), 0);
    EXPECT_EQ(Str_Instr(2, "ABBA", "A"), 4);
    EXPECT_EQ(Str_Instr("ABBA", "ABBAB"), 0);
}

TEST_F(StringsTest, MidAssignNeverChangesTheLength) {
    RtString s = "ABCDE";
    Str_MidAssign(s, 2, "xy");
    EXPECT_EQ(s, "AxyDE");
    s = "ABCDE";
    Str_MidAssign(s, 4, "wxyz");
    EXPECT_EQ(s, "ABCwx");
    s = "ABCDE";
    Str_MidAssign(s, 2, 1, "wxyz");
    EXPECT_EQ(s, "AwCDE");
    s = "ABCDE";
    Str_MidAssign(s, 0, "wxyz");  // the first byte of the value is skipped
    EXPECT_EQ(s, "xyzDE");
    s = "ABCDE";
    Str_MidAssign(s, -1, 3, "wxyz");  // two skipped, one left
    EXPECT_EQ(s, "yBCDE");
    s = "ABCDE";
    Str_MidAssign(s, 6, "z");
    EXPECT_EQ(s, "ABCDE");
    Str_MidAssign(s, 1, 0, "z");
    EXPECT_EQ(s, "ABCDE");
    Str_MidAssign(s, -3, "wxyz");  // everything skipped
    EXPECT_EQ(s, "ABCDE");
    Str_MidAssign(s, INT64_MIN, INT64_MAX, "wxyz");
    Str_MidAssign(s, INT64_MIN, "wxyz");
    Str_MidAssign(s, INT64_MAX, INT64_MAX, "wxyz");
    EXPECT_EQ(s, "ABCDE");
    Str_MidAssign(s, -1, INT64_MAX, "wxyz");
    EXPECT_EQ(s, "yzCDE");
    Str_MidAssign(s, 2, INT64_MAX, "wxyz");
    EXPECT_EQ(s, "ywxyz");
    s = "ABCDE";
    Err_Raise(5);
    Str_MidAssign(s, 1, "z");
    EXPECT_EQ(s, "ABCDE");
}

TEST_F(StringsTest, AscRules) {
    EXPECT_EQ(Str_Asc("\xC9"), 0xC9);
    EXPECT_EQ(Str_Asc("AB", 2), 66);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(Str_Asc(""), 0);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    EXPECT_EQ(Str_Asc("AB", 3), 0);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    EXPECT_EQ(Str_Asc("AB", 0), 0);
    EXPECT_EQ(Err_Pending(), 5u);
}

TEST_F(StringsTest, FixedLengthAssignment) {
    FixedString fixed(4);
    EXPECT_EQ(fixed.value, "    ");
    Str_Assign(fixed, "ABCDEF");
    EXPECT_EQ(fixed.value, "ABCD");
    Str_Assign(fixed, "AB");
    EXPECT_EQ(fixed.value, "AB  ");
    Str_AssignRight(fixed, "AB");
    EXPECT_EQ(fixed.value, "  AB");
    Str_AssignRight(fixed, "ABCDEF");
    EXPECT_EQ(fixed.value, "ABCD");
    Str_AssignLeft(fixed, "");
    EXPECT_EQ(fixed.value, "    ");
}

TEST_F(StringsTest, ByteImages) {
    EXPECT_EQ(Str_FromBytes<int16_t>(0x4142), "BA");
    EXPECT_EQ(Str_ToBytes<int16_t>("BA"), 0x4142);
    EXPECT_EQ(Str_ToBytes<double>(Str_FromBytes<double>(2.5)), 2.5);
    EXPECT_EQ(Str_ToBytes<int32_t>("abc"), 0);
    EXPECT_EQ(Err_Pending(), 5u);
}

}  // namespace
