// Array bounds, dimensioning and the emulated conventional memory's block placement.
#include "arrays.h"

#include <gtest/gtest.h>

namespace {

class ArraysTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Err_Reset();
        Rt_ConventionalReset();
    }
    void TearDown() override {
        Err_Reset();
        Rt_ConventionalReset();
    }
};

TEST_F(ArraysTest, CheckIndexComparesUnsigned) {
    EXPECT_EQ(Arr_CheckIndex(0, 3), 0u);
    EXPECT_EQ(Arr_CheckIndex(2, 3), 2u);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(Arr_CheckIndex(3, 3), 0u);
    EXPECT_EQ(Err_Pending(), 9u);
    Err_Reset();
    EXPECT_EQ(Arr_CheckIndex(-1, 3), 0u);
    EXPECT_EQ(Err_Pending(), 9u);
}

TEST_F(ArraysTest, OutOfBoundsAccessUsesTheFirstElement) {
    RtArray<int16_t> numbers;
    Arr_Dim(numbers, 1, 10);
    EXPECT_EQ(numbers.count, 10);
    EXPECT_EQ(Arr_Get(numbers, 10), 0);
    Arr_Set<int16_t>(numbers, 1, 7);
    Arr_Set<int16_t>(numbers, 11, 9);  // lands in element 1
    EXPECT_EQ(Err_Pending(), 9u);
    Err_Reset();
    EXPECT_EQ(Arr_Get(numbers, 1), 9);
    EXPECT_EQ(Arr_Get(numbers, 0), 9);
    EXPECT_EQ(Err_Pending(), 9u);
}

TEST_F(ArraysTest, StringArraysStartEmpty) {
    RtArray<RtString> names;
    Arr_Dim(names, 1, 10);
    EXPECT_EQ(Arr_Ref(names, 10), "");
    Arr_Ref(names, 3) = "Rossi";
    EXPECT_EQ(Arr_Get(names, 3), "Rossi");
    EXPECT_EQ(Err_Pending(), 0u);
}

TEST_F(ArraysTest, SecondDimensioningIsDuplicateDefinition) {
    RtArray<double> values;
    Arr_Dim(values, 0, 4);
    EXPECT_EQ(Err_Pending(), 0u);
    Arr_Dim(values, 0, 8);
    EXPECT_EQ(Err_Pending(), 10u);
    EXPECT_EQ(values.count, 5);
    Err_Reset();
    RtArray<double> flagged;
    flagged.flags = kArrCountsAsAllocated;
    Arr_Dim(flagged, 0, 1);
    EXPECT_EQ(Err_Pending(), 10u);
    Err_Reset();
    Arr_Erase(values);
    Arr_Dim(values, 0, 8);
    EXPECT_EQ(Err_Pending(), 0u);
    EXPECT_EQ(values.count, 9);
}

TEST_F(ArraysTest, AccessWithoutElementsDoesNotCrash) {
    RtArray<int32_t> never;
    EXPECT_EQ(Arr_Get(never, 1), 0);
    Arr_Set(never, 1, 5);
    EXPECT_EQ(Err_Pending(), 9u);
}

TEST_F(ArraysTest, ConventionalBlocksComeFromTheTopDown) {
    EXPECT_EQ(Rt_ConventionalAlloc(0), 0xA0000u);
    EXPECT_EQ(Rt_ConventionalBlockCount(), 0u);
    const uint32_t a = Rt_ConventionalAlloc(1);  // rounded to 16
    EXPECT_EQ(a, 0xA0000u - 16);
    const uint32_t b = Rt_ConventionalAlloc(1200);
    EXPECT_EQ(b, a - 1200);
    const uint32_t c = Rt_ConventionalAlloc(40000);
    EXPECT_EQ(c, b - 40000);
    Rt_ConventionalFree(b);
    // The gap left by b is searched first, and the new block lies at its top.
    const uint32_t d = Rt_ConventionalAlloc(100);
    EXPECT_EQ(d, a - 112);
    // Too big for what remains of that gap: goes below c.
    const uint32_t e = Rt_ConventionalAlloc(1200);
    EXPECT_EQ(e, c - 1200);
    Rt_ConventionalFree(e + 16);  // not a block's start: nothing happens
    EXPECT_EQ(Rt_ConventionalBlockCount(), 4u);
}

TEST_F(ArraysTest, PictureBufferInConventionalMemory) {
    {
        RtArray<int16_t> picture;
        Arr_Dim(picture, 1, 600, true);
        EXPECT_EQ(picture.flags, kArrAllocated | kArrConventional);
        EXPECT_EQ(picture.address, 0xA0000u - 1200);
        EXPECT_EQ(Arr_Bytes(picture), Rt_LowMemory() + picture.address);
        EXPECT_EQ(Arr_SizeBytes(picture), 1200u);
        Arr_Set<int16_t>(picture, 2, 0x1234);
        EXPECT_EQ(Rt_LowMemory()[picture.address + 2], 0x34);
        EXPECT_EQ(Arr_Get(picture, 2), 0x1234);
        Arr_Ref(picture, 2);
        EXPECT_EQ(Err_Pending(), 5u);
        EXPECT_EQ(Rt_ConventionalBlockCount(), 1u);
    }
    EXPECT_EQ(Rt_ConventionalBlockCount(), 0u);
}

TEST_F(ArraysTest, ConventionalMemoryFillsUpExactly) {
    // 0x8FB00 bytes between 0x10500 and 0xA0000: eight blocks of 65536 and one of 0xFB00.
    for (int i = 0; i < 8; ++i) Rt_ConventionalAlloc(65536);
    EXPECT_EQ(Rt_ConventionalAlloc(0xFB00), 0x10500u);
}

using ArraysDeathTest = ArraysTest;

TEST_F(ArraysDeathTest, RequestAbove64KiBIsCritical5) {
    EXPECT_EXIT(Rt_ConventionalAlloc(65537), ::testing::ExitedWithCode(0),
                "Critical Error #5: Out of memory");
}

TEST_F(ArraysDeathTest, NoRoomIsCritical6) {
    EXPECT_EXIT(
        {
            for (int i = 0; i < 10; ++i) Rt_ConventionalAlloc(65536);
        },
        ::testing::ExitedWithCode(0), "Critical Error #6: Out of memory");
}

}  // namespace
