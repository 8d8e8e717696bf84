// Tests of the numbers: random sequence and seeding, timer steps and midnight, ties to even,
// number text both ways with exact strings, integer division and error 11.
#include "numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <limits>
#include <string>

#include "errors.h"
#include "platform.h"
#include "rt_clock.h"
#include "shared_words.h"

#if defined(__x86_64__) || defined(__i386__)
#include <fpu_control.h>
#endif

namespace {

// A clock whose tick count the test sets by hand.
class ManualClock final : public plat::Clock {
  public:
    uint32_t ticks_ms() override { return ticks; }
    void delay_ms(uint32_t delay_ms) override { ticks += delay_ms; }
    plat::TimeOfDay local_time() override { return {}; }
    uint32_t ticks = 0;
};

class NumbersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Err_Reset();
        Rt_Words().checkRequest.store(0);
        Num_ResetRndSeed();
        plat::Platform platform;
        platform.clock = &clock_;
        plat::Plat_Install(platform);
    }
    void TearDown() override {
        Err_Reset();
        Rt_Words().checkRequest.store(0);
        plat::Plat_Install(plat::Platform{});
    }
    ManualClock clock_;
};

// ---- Random numbers -----------------------------------------------------------------------

TEST_F(NumbersTest, FirstThreeValuesFromTheInitialSeed) {
    EXPECT_EQ(Num_RndSeed(), 327680u);
    const uint32_t seeds[] = {11837123, 8949370, 9722709};
    const char* texts[] = {" .7055475", " .533424", " .5795186"};
    for (int i = 0; i < 3; ++i) {
        const float value = Num_Rnd();
        EXPECT_EQ(Num_RndSeed(), seeds[i]);
        EXPECT_EQ(value, static_cast<float>(seeds[i]) / 16777216.0f);
        EXPECT_EQ(Num_ToText(value), texts[i]);
    }
}

TEST_F(NumbersTest, RndOfZeroRepeatsTheLastValue) {
    const float first = Num_Rnd(1.0f);
    EXPECT_EQ(Num_Rnd(0.0f), first);
    EXPECT_EQ(Num_Rnd(0.0f), first);
    EXPECT_NE(Num_Rnd(), first);
}

TEST_F(NumbersTest, RndOfZeroBeforeAnyDrawGivesTheInitialSeed) {
    EXPECT_EQ(Num_Rnd(0.0f), 327680.0f / 16777216.0f);
}

TEST_F(NumbersTest, NegativeArgumentRestartsAtAValueFixedByIt) {
    Num_Rnd();
    const float a = Num_Rnd(-1.0f);
    // -1 as a single is 0xBF800000: seed 0x800000 + 0xBF, then one step.
    const uint32_t expected_seed = ((0x800000u + 0xBFu) * 16598013u + 12820163u) & 0xFFFFFFu;
    EXPECT_EQ(Num_RndSeed(), expected_seed);
    const float next = Num_Rnd();
    Num_Rnd();
    Num_Rnd();
    EXPECT_EQ(Num_Rnd(-1.0f), a);
    EXPECT_EQ(Num_Rnd(), next);
    EXPECT_NE(Num_Rnd(-2.0f), a);
}

TEST_F(NumbersTest, RandomizeWithOneGivesTheDocumentedSequence) {
    Num_Randomize(1.0);
    EXPECT_EQ(Num_RndSeed(), 0x3FF000u);
    EXPECT_EQ(Num_ToText(Num_Rnd()), " .7648737");
}

TEST_F(NumbersTest, RandomizeKeepsTheLowByteOfTheSeed) {
    Num_SetRndSeed(0x1234AB);
    Num_Randomize(1.0);
    EXPECT_EQ(Num_RndSeed(), 0x3FF0ABu);
    // 12345.5: upper word 0x40C81CC0 -> 0x40C8 ^ 0x1CC0 = 0x5C08.
    Num_Randomize(12345.5);
    EXPECT_EQ(Num_RndSeed(), 0x5C08ABu);
}

TEST_F(NumbersTest, ResetFormTakesTheLowByteFromTheInitialSeed) {
    Num_SetRndSeed(0x1234AB);
    Num_Randomize(1.0, RandomizeForm::Reset);
    EXPECT_EQ(Num_RndSeed(), 0x3FF000u);
    const float first = Num_Rnd();
    Num_Rnd();
    Num_SetRndSeed(0xFFFFFF);
    Num_Randomize(1.0, RandomizeForm::Reset);
    EXPECT_EQ(Num_Rnd(), first);
}

TEST_F(NumbersTest, RandomOperationsDoNothingWhileAnErrorIsPending) {
    Err_Raise(5);
    EXPECT_EQ(Num_Rnd(), 0.0f);
    EXPECT_EQ(Num_RndSeed(), 327680u);
    Num_Randomize(1.0);
    EXPECT_EQ(Num_RndSeed(), 327680u);
    EXPECT_EQ(Num_Timer(), 0.0f);
    EXPECT_EQ(Num_Timer(1.0), 0.0);
}

TEST_F(NumbersTest, IntegerPartOfRndTimesNIsAlwaysInRange) {
    // The game's draws: INT(RND * n) + k never reach n + k.
    Num_SetRndSeed(0);
    for (int i = 0; i < 100000; ++i) {
        const double draw = std::floor(static_cast<double>(Num_Rnd()) * 10.0) + 1.0;
        ASSERT_GE(draw, 1.0);
        ASSERT_LE(draw, 10.0);
    }
}

// ---- Timer ----------------------------------------------------------------------------------

TEST_F(NumbersTest, TimerCountsFromTheOriginInStepsOfOneEighteenPointTwoth) {
    Rt_SetClockOrigin(5000, (10 * 3600) * 1000);  // 10:00:00 at tick 5000
    clock_.ticks = 5000;
    EXPECT_EQ(Num_Timer(), 36000.0f);
    clock_.ticks = 6000;  // 36001 s: 655218.2 steps -> 655218
    EXPECT_EQ(Num_Timer(), static_cast<float>(655218.0 / 18.2));
    EXPECT_EQ(Num_ToText(Num_Timer()), " 36000.99");
}

TEST_F(NumbersTest, TwoReadingsWithinOneStepAreEqual) {
    Rt_SetClockOrigin(0, 0);
    clock_.ticks = 1000;  // 18.2 steps -> 18, that is 0.989011 s
    const float first = Num_Timer();
    clock_.ticks = 1020;  // 18.564 -> 19 is the next step
    EXPECT_NE(Num_Timer(), first);
    clock_.ticks = 1001;  // 18.2182 -> 18
    EXPECT_EQ(Num_Timer(), first);
    clock_.ticks = 1027;  // 18.6914 -> 19
    EXPECT_EQ(Num_Timer(), static_cast<float>(19 / 18.2));
}

TEST_F(NumbersTest, TimerStepsRoundTiesToEven) {
    Rt_SetClockOrigin(0, 0);
    // accuracy 0.5 s: 0.25 s is 0.5 steps -> 0, 0.75 s is 1.5 steps -> 2.
    clock_.ticks = 250;
    EXPECT_EQ(Num_Timer(0.5), 0.0);
    clock_.ticks = 750;
    EXPECT_EQ(Num_Timer(0.5), 1.0);
    clock_.ticks = 1250;  // 2.5 steps -> 2
    EXPECT_EQ(Num_Timer(0.5), 1.0);
    clock_.ticks = 1251;
    EXPECT_EQ(Num_Timer(0.5), 1.5);
    clock_.ticks = 1234;
    EXPECT_EQ(Num_Timer(0.001), 1.234);
}

TEST_F(NumbersTest, TimerWrapsToZeroAtMidnight) {
    Rt_SetClockOrigin(100, 86'399'990);  // ten milliseconds before midnight
    clock_.ticks = 100;
    EXPECT_EQ(Num_Timer(0.001), 86399.99);
    clock_.ticks = 110;
    EXPECT_EQ(Num_Timer(), 0.0f);
    EXPECT_EQ(Num_Timer(0.001), 0.0);
    clock_.ticks = 1110;
    EXPECT_EQ(Num_Timer(0.001), 1.0);
}

TEST_F(NumbersTest, TimerFollowsTheTickCounterAcrossItsWrap) {
    Rt_SetClockOrigin(0xFFFFFF00u, 1000);
    clock_.ticks = 0x100;  // 512 ms after the origin
    EXPECT_EQ(Num_Timer(0.001), 1.512);
}

TEST_F(NumbersTest, TimerAccuracyMustBePositive) {
    Rt_SetClockOrigin(0, 0);
    clock_.ticks = 5000;
    EXPECT_EQ(Num_Timer(0.0), 0.0);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    EXPECT_EQ(Num_Timer(-1.0), 0.0);
    EXPECT_EQ(Err_Pending(), 5u);
    Err_Reset();
    EXPECT_EQ(Num_Timer(std::nan("")), 0.0);
    EXPECT_EQ(Err_Pending(), 5u);
}

// ---- Rounding -------------------------------------------------------------------------------

TEST_F(NumbersTest, RoundToIntTiesToEven) {
    const struct {
        double in;
        int32_t out;
    } cases[] = {{2.5, 2},
                 {3.5, 4},
                 {-2.5, -2},
                 {-3.5, -4},
                 {0.5, 0},
                 {1.5, 2},
                 {-0.5, 0},
                 {0.49999999999999994, 0},
                 {2.4999, 2},
                 {2.5001, 3},
                 {-1.2, -1},
                 {-1.7, -2},
                 {7.0, 7},
                 {32767.5, 32768},
                 {2147483646.5, 2147483646}};
    for (const auto& c : cases) EXPECT_EQ(Num_RoundToInt(c.in), c.out) << c.in;
}

TEST_F(NumbersTest, RoundToInt64TiesToEven) {
    EXPECT_EQ(Num_RoundToInt64(4503599627370497.5L), 4503599627370498LL);
    EXPECT_EQ(Num_RoundToInt64(-4503599627370496.5L), -4503599627370496LL);
    EXPECT_EQ(Num_RoundToInt64(9223372036854775807.0L - 0.5L), 9223372036854775807LL - 1);
    EXPECT_EQ(Num_RoundToInt64(3000000000.5), 3000000000LL);
}

TEST_F(NumbersTest, RoundOutOfRangeGivesTheIndefiniteInteger) {
    EXPECT_EQ(Num_RoundToInt(2147483647.5), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(Num_RoundToInt(-2147483648.5), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(Num_RoundToInt(-2147483648.4), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(Num_RoundToInt(2147483647.4), 2147483647);
    EXPECT_EQ(Num_RoundToInt(1e300), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(Num_RoundToInt(std::nan("")), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(Num_RoundToInt64(1e19), std::numeric_limits<int64_t>::min());
}

// ---- Number text ----------------------------------------------------------------------------

TEST_F(NumbersTest, IntegerText) {
    EXPECT_EQ(Num_ToText(int16_t{0}), " 0");
    EXPECT_EQ(Num_ToText(int16_t{100}), " 100");
    EXPECT_EQ(Num_ToText(int16_t{-7}), "-7");
    EXPECT_EQ(Num_ToText(int16_t{-32768}), "-32768");
    EXPECT_EQ(Num_ToText(int8_t{-128}), "-128");
    EXPECT_EQ(Num_ToText(int32_t{14}), " 14");
    EXPECT_EQ(Num_ToText(int32_t{-2147483647 - 1}), "-2147483648");
    EXPECT_EQ(Num_ToText(std::numeric_limits<int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(Num_ToText(std::numeric_limits<int64_t>::max()), " 9223372036854775807");
    EXPECT_EQ(Num_ToText(uint8_t{255}), " 255");
    EXPECT_EQ(Num_ToText(uint16_t{65535}), " 65535");
    EXPECT_EQ(Num_ToText(uint32_t{4000000000u}), " 4000000000");
    EXPECT_EQ(Num_ToText(std::numeric_limits<uint64_t>::max()), " 18446744073709551615");
}

TEST_F(NumbersTest, SingleText) {
    const struct {
        float in;
        const char* out;
    } cases[] = {
        {0.0f, " 0"},
        {-0.0f, " 0"},
        {0.5f, " .5"},
        {-0.25f, "-.25"},
        {1.0f, " 1"},
        {-1.5f, "-1.5"},
        {100.0f, " 100"},
        {-7.0f, "-7"},
        {1234567.0f, " 1234567"},
        {9999999.0f, " 9999999"},
        {1000000.0f, " 1000000"},
        {1e7f, " 1E+07"},
        {12345678.0f, " 1.234568E+07"},
        {16777216.0f, " 1.677722E+07"},
        {-12345678.0f, "-1.234568E+07"},
        {0.00001f, " .00001"},
        {0.0000001f, " .0000001"},
        {0.0000015f, " .0000015"},
        {1e-8f, " 1E-08"},
        {1.5e-7f, " 1.5E-07"},
        {-1.5e-7f, "-1.5E-07"},
        {0.1f, " .1"},
        {1.0f / 3.0f, " .3333333"},
        {2.0f / 3.0f, " .6666667"},
        {123.456f, " 123.456"},
        {36000.99f, " 36000.99"},
        {1e20f, " 1E+20"},
        {1e-20f, " 1E-20"},
        {3e38f, " 3E+38"},
        {1e-40f, " 9.999946E-41"},
        {0.99999994f, " .9999999"},
    };
    for (const auto& c : cases) EXPECT_EQ(Num_ToText(c.in), c.out) << c.in;
}

TEST_F(NumbersTest, DoubleText) {
    const struct {
        double in;
        const char* out;
    } cases[] = {
        {0.0, " 0"},
        {-0.0, " 0"},
        {0.5, " .5"},
        {-0.25, "-.25"},
        {0.1, " .1"},
        {0.1 + 0.2, " .3"},
        {0.1 + 0.7, " .8"},
        {1.0 / 3.0, " .3333333333333333"},
        {-2.0 / 3.0, "-.6666666666666666"},
        {1234567890123456.0, " 1234567890123456"},
        {1e15, " 1000000000000000"},
        {1e16, " 1D+16"},
        {12345678901234567.0, " 1.234567890123457D+16"},
        {1e-16, " .0000000000000001"},
        {1e-17, " 1D-17"},
        {2.5e-17, " 2.5D-17"},
        {1e100, " 1D+100"},
        {-1e-100, "-1D-100"},
        {1.5e300, " 1.5D+300"},
        {12345678.0, " 12345678"},
        {36000.989010989011, " 36000.98901098901"},
    };
    for (const auto& c : cases) EXPECT_EQ(Num_ToText(c.in), c.out) << c.in;
}

TEST_F(NumbersTest, ExtendedTextGoesThroughDouble) {
    EXPECT_EQ(Num_ToText(2.5L), " 2.5");
    EXPECT_EQ(Num_ToText(1.0L / 3.0L), " .3333333333333333");
}

TEST_F(NumbersTest, NonFiniteText) {
    EXPECT_EQ(Num_ToText(std::numeric_limits<float>::infinity()), " INF");
    EXPECT_EQ(Num_ToText(-std::numeric_limits<double>::infinity()), "-INF");
    EXPECT_EQ(Num_ToText(std::nan("")), " NAN");
}

TEST_F(NumbersTest, TextToNumber) {
    const struct {
        const char* in;
        long double out;
    } cases[] = {
        {"", 0},
        {" 1 2 3", 123},
        {"-.5E1", -5},
        {"&HFF", 255},
        {"&hff", 255},
        {"& H 1 f", 31},
        {"&HFFFFFFFFFFFFFFFF", -1},
        {"&H8000000000000000", -9223372036854775807.0L - 1.0L},
        {"&H00000000000000000001", 1},
        {"&H", 0},
        {"&HG", 0},
        {"&O777", 511},
        {"&o17", 15},
        {"&O12345678", 342391},
        {"&O1777777777777777777777", -1},
        {"&X12", 0},
        {"&", 0},
        {"-&H1", 0},
        {"1e", 1},
        {"1e+", 1},
        {".", 0},
        {"--1", 0},
        {"+-1", 0},
        {"12abc", 12},
        {"1.5", 1.5L},
        {"+5", 5},
        {"\t-\t3", -3},
        {"00012", 12},
        {"0.000", 0},
        {"-0", 0},
        {"1.2.3", 1.2L},
        {"1e+-2", 1},
        {"1e5.5", 100000},
        {"1ee5", 1},
        {"1E1 0", 1e10L},
        {"1D2", 100},
        {"1d-2", 0.01L},
        {".5", 0.5L},
        {"5.", 5},
        {"0.05", 0.05L},
        {"12.5", 12.5L},
        {"100e0", 100},
        {"1e0000000000000000001", 1},
        {"E5", 0},
        {"1E19", 1e19L},
        {"9223372036854775807", 9223372036854775807.0L},
        {"-9223372036854775808", -9223372036854775807.0L - 1.0L},
        {"18446744073709551617", 1},
        {"12345678901234567890", -6101065172474983726.0L},
        {"abc", 0},
        {"0.1", 0.1L},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Num_FromTextExtended(c.in), c.out) << '"' << c.in << '"';
        EXPECT_FALSE(Err_IsPending()) << c.in;
    }
    EXPECT_EQ(Num_FromText("0.1"), 0.1);
    EXPECT_EQ(Num_FromText("0014"), 14.0);
}

TEST_F(NumbersTest, TextToNumberKeepsSixtyFourBitIntegersExact) {
    EXPECT_EQ(static_cast<int64_t>(Num_FromTextExtended("9007199254740993")), 9007199254740993LL);
    EXPECT_EQ(static_cast<int64_t>(Num_FromTextExtended("-9223372036854775807")),
              -9223372036854775807LL);
}

TEST_F(NumbersTest, TextToNumberWithMoreDigitsThanTheWorkBuffer) {
    const std::string big = "1" + std::string(299, '0') + ".5";
    EXPECT_EQ(Num_FromTextExtended(big), 1e299L);
    const std::string third = "0." + std::string(300, '3');
    EXPECT_NEAR(static_cast<double>(Num_FromTextExtended(third)), 1.0 / 3.0, 1e-17);
    const std::string tiny = "0." + std::string(300, '0') + "25";
    EXPECT_EQ(Num_FromTextExtended(tiny), 2.5e-301L);
}

TEST_F(NumbersTest, TooManyHexOrOctalDigitsIsOverflow) {
    for (const char* text :
         {"&H10000000000000000", "&O2000000000000000000000", "&O17777777777777777777777"}) {
        Err_Reset();
        EXPECT_EQ(Num_FromTextExtended(text), 0) << text;
        EXPECT_EQ(Err_Pending(), 6u) << text;
    }
}

TEST_F(NumbersTest, TextToNumberDoesNothingWhileAnErrorIsPending) {
    Err_Raise(5);
    EXPECT_EQ(Num_FromText("12"), 0.0);
    EXPECT_EQ(Err_Pending(), 5u);
}

TEST_F(NumbersTest, TextRoundTripsThroughSingle) {
    for (float value : {0.5f, -0.25f, 123.456f, 1.5e-7f, 1234567.0f, 0.7055475f}) {
        EXPECT_EQ(static_cast<float>(Num_FromText(Num_ToText(value))), value) << value;
    }
}

// ---- Integer division -----------------------------------------------------------------------

TEST_F(NumbersTest, IntegerDivisionTruncatesAndModKeepsTheDividendsSign) {
    EXPECT_EQ(Num_IntDiv(7, 2), 3);
    EXPECT_EQ(Num_IntDiv(-7, 2), -3);
    EXPECT_EQ(Num_Mod(-7, 2), -1);
    EXPECT_EQ(Num_Mod(7, -2), 1);
    EXPECT_EQ(Num_IntDiv(int16_t{100}, int16_t{7}), int16_t{14});
    EXPECT_EQ(Num_IntDiv(int64_t{1} << 40, 1024), int64_t{1} << 30);
    EXPECT_FALSE(Err_IsPending());
}

TEST_F(NumbersTest, QuotientThatDoesNotFitIsOverflow) {
    EXPECT_EQ(Num_IntDiv(std::numeric_limits<int32_t>::min(), -1), 0);
    EXPECT_EQ(Err_Pending(), 6u);
    Err_Reset();
    EXPECT_EQ(Num_Mod(std::numeric_limits<int16_t>::min(), int16_t{-1}), 0);
    EXPECT_EQ(Err_Pending(), 6u);
}

TEST_F(NumbersTest, DivisionDoesNothingWhileAnErrorIsPending) {
    Err_Raise(5);
    EXPECT_EQ(Num_IntDiv(7, 0), 0);
    EXPECT_EQ(Err_Pending(), 5u);
}

using NumbersDeathTest = NumbersTest;

TEST_F(NumbersDeathTest, IntegerDivisionByZeroIsCriticalError11) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(Num_IntDiv(7, 0), ::testing::ExitedWithCode(0), "Critical Error: Division by zero");
    EXPECT_EXIT(Num_Mod(int64_t{7}, int64_t{0}), ::testing::ExitedWithCode(0), "Division by zero");
}

#if defined(__x86_64__) || defined(__i386__)
// A division fault of the processor itself (not through Num_IntDiv), as code outside the
// runtime's checks could cause it.
void DivideByZeroInTheProcessor() {
    int quotient = 7;
    int divisor = 0;
    asm volatile("cltd\n\tidivl %[d]" : "+a"(quotient), [d] "+r"(divisor) : : "edx", "cc");
    std::printf("%d\n", quotient);
}

TEST_F(NumbersDeathTest, ProcessorDivisionFaultIsCriticalError11) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Num_StartFloatingPoint();
            DivideByZeroInTheProcessor();
        },
        ::testing::ExitedWithCode(0), "Critical Error: Division by zero");
}

TEST_F(NumbersTest, FloatingPointUnitUsesTheSixtyFourBitSignificand) {
    Num_StartFloatingPoint();
    fpu_control_t control = 0;
    _FPU_GETCW(control);
    EXPECT_EQ(control & _FPU_EXTENDED, _FPU_EXTENDED);
    volatile long double one = 1.0L;
    volatile long double tiny = std::ldexp(1.0L, -63);
    EXPECT_NE(one + tiny, one);
    // Floating-point exceptions stay masked: a division by zero gives infinity.
    volatile double zero = 0.0;
    EXPECT_TRUE(std::isinf(1.0 / zero));
    std::signal(SIGFPE, SIG_DFL);
}
#endif

}  // namespace
