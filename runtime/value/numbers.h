// Numbers: conversions to and from text, rounding, integer division, random numbers, the timer.
#pragma once

#include <concepts>
#include <cstdint>
#include <limits>
#include <type_traits>

#include "errors.h"
#include "rt_string.h"

// The extended float of intermediate results: the x87's 64-bit significand on this platform.
using ExtendedFloat = long double;

// Extended precision for the floating-point unit and arithmetic faults of the processor to
// error 11. Call on the program thread, first thing. Floating-point exceptions stay masked (as
// the processor starts), so only trapping faults - integer division by zero or overflow in
// code that does not go through Num_IntDiv - reach the handler.
void Num_StartFloatingPoint();

// ---- Random numbers -----------------------------------------------------------------------

constexpr uint32_t kRndInitialSeed = 327680;   // 0x50000
constexpr uint32_t kRndMultiplier = 16598013;  // 0xFD43FD
constexpr uint32_t kRndIncrement = 12820163;   // 0xC39EC3

// The next value in [0, 1). x = 0 repeats the last value; x < 0 first reseeds from the bit
// pattern of x as a single. No argument counts as 1.
float Num_Rnd(float x);
inline float Num_Rnd() {
    return Num_Rnd(1.0f);
}

enum class RandomizeForm : uint8_t {
    KeepLowByte,  // the low byte of the current seed stays
    Reset,        // the low byte comes from the initial seed: the same n restarts the same run
};
// Seeds the generator from a number. (The form without an argument, which asks for the seed
// on the screen, lives with the keyboard: Num_Randomize() in keyboard.h.)
void Num_Randomize(double n, RandomizeForm form = RandomizeForm::KeepLowByte);

// The generator's seed (24 bits) and a way to set it; the seed is the generator's whole state.
uint32_t Num_RndSeed();
void Num_SetRndSeed(uint32_t seed);
// Restores the seed a program starts with (a fresh program in the same process).
void Num_ResetRndSeed();

// ---- Timer ----------------------------------------------------------------------------------

// Seconds since midnight in steps of 1/18.2 s, as a single.
float Num_Timer();
// Seconds since midnight rounded to the nearest multiple of `accuracy_s` (> 0, else error 5).
double Num_Timer(double accuracy_s);

// ---- Rounding -------------------------------------------------------------------------------

// Nearest integer, ties to even, as a floating value (no range limit).
ExtendedFloat Num_RoundHalfEven(ExtendedFloat x);
// Floating value to an integer variable: nearest, ties to even. No range check: a value that
// does not fit (or NaN) gives the processor's "integer indefinite", the lowest value.
int32_t Num_RoundToInt(ExtendedFloat x);
int64_t Num_RoundToInt64(ExtendedFloat x);

// ---- Integer division -----------------------------------------------------------------------

namespace num_detail {
// Error 11 for a zero divisor (critical: ends the program), error 6 for the one quotient that
// does not fit (the lowest value divided by -1). False when the division must not be done.
template <std::integral T>
bool DivisionAllowed(T dividend, T divisor) {
    if (Err_IsPending()) return false;
    if (divisor == 0) {
        Err_Raise(11);
        return false;
    }
    if constexpr (std::is_signed_v<T>) {
        if (divisor == -1 && dividend == std::numeric_limits<T>::min()) {
            Err_Raise(6);
            return false;
        }
    }
    return true;
}
}  // namespace num_detail

// Integer division (truncating towards zero) and its remainder (with the dividend's sign).
template <std::integral A, std::integral B>
std::common_type_t<A, B> Num_IntDiv(A dividend, B divisor) {
    using T = std::common_type_t<A, B>;
    const T a = static_cast<T>(dividend);
    const T b = static_cast<T>(divisor);
    if (!num_detail::DivisionAllowed(a, b)) return 0;
    return static_cast<T>(a / b);
}
template <std::integral A, std::integral B>
std::common_type_t<A, B> Num_Mod(A dividend, B divisor) {
    using T = std::common_type_t<A, B>;
    const T a = static_cast<T>(dividend);
    const T b = static_cast<T>(divisor);
    if (!num_detail::DivisionAllowed(a, b)) return 0;
    return static_cast<T>(a % b);
}

// ---- Number text ----------------------------------------------------------------------------

// The text form of a number: a blank before a non-negative value, "-" before a negative one,
// nothing after. Singles and doubles in fixed or scientific form ("E" / "D").
RtString Num_ToText(int8_t value);
RtString Num_ToText(int16_t value);
RtString Num_ToText(int32_t value);
RtString Num_ToText(int64_t value);
RtString Num_ToText(uint8_t value);
RtString Num_ToText(uint16_t value);
RtString Num_ToText(uint32_t value);
RtString Num_ToText(uint64_t value);
RtString Num_ToText(float value);
RtString Num_ToText(double value);
RtString Num_ToText(ExtendedFloat value);

// The number a text begins with (0 when it begins with none), as the extended float: integers
// without fraction or exponent come back exact in 64 bits; "&H" and "&O" give the 64-bit
// pattern as a signed value. Too many hexadecimal or octal digits: error 6 and 0.
ExtendedFloat Num_FromTextExtended(const RtString& text);
// The same, as a double: what the game compares and stores.
double Num_FromText(const RtString& text);
