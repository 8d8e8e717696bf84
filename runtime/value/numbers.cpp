// Numbers: the random generator, the timer, rounding, number text both ways, the FPU set-up.
#include "numbers.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform.h"
#include "rt_clock.h"

#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__))
#include <fpu_control.h>
#include <ucontext.h>
#define BRUNOLT_X87 1
#else
#define BRUNOLT_X87 0
#endif

namespace {

// Runtime state of the random generator: its 24-bit seed. Only the program thread draws.
uint32_t g_rnd_seed = kRndInitialSeed;

constexpr uint32_t kSeedMask = 0xFFFFFF;
constexpr uint32_t kMsPerDay = 86'400'000;

}  // namespace

// ---- Random numbers -----------------------------------------------------------------------

float Num_Rnd(float x) {
    if (Err_IsPending()) return 0.0f;
    if (x < 0.0f) {
        const uint32_t pattern = std::bit_cast<uint32_t>(x);
        g_rnd_seed = (pattern & kSeedMask) + (pattern >> 24);
    }
    if (x != 0.0f) g_rnd_seed = (g_rnd_seed * kRndMultiplier + kRndIncrement) & kSeedMask;
    // The seed has 24 bits, so the quotient is exact in a single.
    return static_cast<float>(g_rnd_seed & kSeedMask) / 16777216.0f;
}

void Num_Randomize(double n, RandomizeForm form) {
    if (Err_IsPending()) return;
    const uint32_t high = static_cast<uint32_t>(std::bit_cast<uint64_t>(n) >> 32);
    const uint32_t mixed = (high ^ (high >> 16)) & 0xFFFF;
    const uint32_t low_byte =
        form == RandomizeForm::Reset ? (kRndInitialSeed & 0xFF) : (g_rnd_seed & 0xFF);
    g_rnd_seed = (mixed << 8) | low_byte;
}

uint32_t Num_RndSeed() {
    return g_rnd_seed;
}

void Num_SetRndSeed(uint32_t seed) {
    g_rnd_seed = seed & kSeedMask;
}

void Num_ResetRndSeed() {
    g_rnd_seed = kRndInitialSeed;
}

// ---- Timer ----------------------------------------------------------------------------------

namespace {

// Seconds since midnight by the clock seam, counted from the origin taken at start-up.
double SecondsSinceMidnight() {
    const plat::Clock* clock = plat::Plat().clock;
    const uint32_t now_tick = clock != nullptr ? plat::Plat().clock->ticks_ms() : Rt_StartTick();
    // 32-bit unsigned arithmetic, as the tick counter itself wraps.
    const uint32_t ms =
        (now_tick - Rt_StartTick() + static_cast<uint32_t>(Rt_StartTimeMs())) % kMsPerDay;
    return static_cast<double>(ms) / 1000.0;
}

}  // namespace

float Num_Timer() {
    if (Err_IsPending()) return 0.0f;
    constexpr double kRate = 18.2;
    const double seconds = SecondsSinceMidnight();
    return static_cast<float>(static_cast<double>(Num_RoundHalfEven(seconds * kRate)) / kRate);
}

double Num_Timer(double accuracy_s) {
    if (Err_IsPending()) return 0.0;
    if (!(accuracy_s > 0.0)) {
        Err_Raise(5);
        return 0.0;
    }
    const double rate = 1.0 / accuracy_s;
    const double seconds = SecondsSinceMidnight();
    return static_cast<double>(Num_RoundHalfEven(seconds * rate)) / rate;
}

// ---- Rounding -------------------------------------------------------------------------------

ExtendedFloat Num_RoundHalfEven(ExtendedFloat x) {
    if (!std::isfinite(x)) return x;
    const ExtendedFloat below = std::floor(x);
    // The fraction of a binary floating value is exact, so these comparisons are too.
    const ExtendedFloat fraction = x - below;
    if (fraction > 0.5L) return below + 1.0L;
    if (fraction < 0.5L) return below;
    return std::fmod(below, 2.0L) == 0.0L ? below : below + 1.0L;
}

namespace {

template <typename T>
T RoundToInteger(ExtendedFloat x) {
    const ExtendedFloat rounded = Num_RoundHalfEven(x);
    // 2^(bits-1) is exact in the extended float; beyond the range (and for NaN) the
    // processor's conversion answers with the lowest value.
    constexpr ExtendedFloat kLimit =
        static_cast<ExtendedFloat>(std::numeric_limits<T>::max()) + 1.0L;
    if (!(rounded >= -kLimit && rounded < kLimit)) return std::numeric_limits<T>::min();
    return static_cast<T>(rounded);
}

}  // namespace

int32_t Num_RoundToInt(ExtendedFloat x) {
    return RoundToInteger<int32_t>(x);
}

int64_t Num_RoundToInt64(ExtendedFloat x) {
    return RoundToInteger<int64_t>(x);
}

// ---- Number text ----------------------------------------------------------------------------

namespace {

template <typename... Args>
RtString Format(const char* format, Args... args) {
    char buffer[512];
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    if (length <= 0) return {};
    return RtString(buffer, static_cast<size_t>(std::min<int>(length, sizeof buffer - 1)));
}

// Pieces of a value formatted as sign-or-blank, digits and a decimal exponent.
struct ScientificParts {
    char sign = ' ';
    char digits[20] = {};  // the mantissa digits without the point
    int digit_count = 0;
    int exponent = 0;
};

// Formats with "% .<decimals>E" and takes the result apart.
ScientificParts Scientific(double value, int decimals) {
    const RtString text = Format("% .*E", decimals, value);
    ScientificParts parts;
    parts.sign = text[0];
    size_t i = 1;
    while (i < text.size() && text[i] != 'E') {
        if (text[i] != '.' && parts.digit_count < static_cast<int>(sizeof parts.digits)) {
            parts.digits[parts.digit_count++] = text[i];
        }
        ++i;
    }
    if (i + 1 < text.size()) parts.exponent = std::atoi(text.c_str() + i + 1);
    return parts;
}

// The text rules shared by singles and doubles: fixed notation while the digits stand close
// enough to the point, else scientific with the given exponent letter.
RtString FloatText(double value, const ScientificParts& parts, int max_fixed_exponent,
                   int min_fixed_offset, char letter) {
    int significant = parts.digit_count;
    while (significant > 0 && parts.digits[significant - 1] == '0') --significant;
    if (significant == 0) return " 0";
    const int exponent = parts.exponent;
    if (exponent <= max_fixed_exponent && exponent - significant >= min_fixed_offset) {
        const int decimals = std::max(0, significant - exponent - 1);
        RtString text = Format("% .*f", decimals, value);
        if (text.size() > 1 && text[1] == '0') text.erase(1, 1);
        return text;
    }
    RtString text(1, parts.sign);
    text += parts.digits[0];
    if (significant > 1) {
        text += '.';
        text.append(parts.digits + 1, static_cast<size_t>(significant - 1));
    }
    text += letter;
    text += exponent < 0 ? '-' : '+';
    const int magnitude = std::abs(exponent);
    text += Format(magnitude > 99 ? "%03d" : "%02d", magnitude);
    return text;
}

RtString NonFiniteText(double value) {
    if (std::isnan(value)) return " NAN";
    return value < 0 ? "-INF" : " INF";
}

}  // namespace

RtString Num_ToText(int8_t value) {
    return Format("% i", static_cast<int>(value));
}
RtString Num_ToText(int16_t value) {
    return Format("% i", static_cast<int>(value));
}
RtString Num_ToText(int32_t value) {
    return Format("% i", static_cast<int>(value));
}
RtString Num_ToText(int64_t value) {
    return Format("% lld", static_cast<long long>(value));
}
RtString Num_ToText(uint8_t value) {
    return Format(" %u", static_cast<unsigned>(value));
}
RtString Num_ToText(uint16_t value) {
    return Format(" %u", static_cast<unsigned>(value));
}
RtString Num_ToText(uint32_t value) {
    return Format(" %u", static_cast<unsigned>(value));
}
RtString Num_ToText(uint64_t value) {
    return Format(" %llu", static_cast<unsigned long long>(value));
}

RtString Num_ToText(float value) {
    const double wide = value;
    if (!std::isfinite(wide)) return NonFiniteText(wide);
    return FloatText(wide, Scientific(wide, 6), 6, -8, 'E');
}

RtString Num_ToText(double value) {
    if (!std::isfinite(value)) return NonFiniteText(value);
    ScientificParts parts = Scientific(value, 15);
    if (parts.digit_count == 16 && parts.digits[15] == '9') {
        // A sixteenth digit 9 is mostly the noise of binary fractions (0.1 + 0.7): fifteen
        // digits and a zero show the value the player meant.
        parts = Scientific(value, 14);
        parts.digits[parts.digit_count++] = '0';
    }
    return FloatText(value, parts, 15, -17, 'D');
}

RtString Num_ToText(ExtendedFloat value) {
    return Num_ToText(static_cast<double>(value));
}

// ---- Text to number -------------------------------------------------------------------------

namespace {

constexpr size_t kMaxSignificantDigits = 256;  // the work buffer of significant digits
constexpr int kMaxExponentDigits = 18;

// Characters of a text with blanks and tabs left out, as the conversion reads it.
class SkipBlanks {
  public:
    explicit SkipBlanks(const RtString& text) : text_(text) { skip(); }
    bool at_end() const { return index_ >= text_.size(); }
    char peek() const { return at_end() ? '\0' : text_[index_]; }
    void next() {
        ++index_;
        skip();
    }
    // Characters left, blanks included.
    size_t remaining_raw() const { return at_end() ? 0 : text_.size() - index_; }

  private:
    void skip() {
        while (index_ < text_.size() && (text_[index_] == ' ' || text_[index_] == '\t')) ++index_;
    }
    const RtString& text_;
    size_t index_ = 0;
};

int DigitValue(char c, int base) {
    int value = 99;
    if (c >= '0' && c <= '9') value = c - '0';
    if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
    return value < base ? value : -1;
}

// "&H..." and "&O...": the 64-bit pattern, as a signed value.
ExtendedFloat RadixNumber(SkipBlanks& in, int base) {
    const size_t max_digits = base == 16 ? 16 : 22;
    uint64_t pattern = 0;
    size_t significant = 0;
    int first = 0;
    for (int digit = DigitValue(in.peek(), base); !in.at_end() && digit >= 0;
         in.next(), digit = DigitValue(in.peek(), base)) {
        if (significant == 0 && digit == 0) continue;
        if (significant == 0) first = digit;
        ++significant;
        if (significant > max_digits || (base == 8 && significant == max_digits && first > 1)) {
            Err_Raise(6);
            return 0;
        }
        pattern = pattern * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    return static_cast<ExtendedFloat>(static_cast<int64_t>(pattern));
}

}  // namespace

ExtendedFloat Num_FromTextExtended(const RtString& text) {
    if (Err_IsPending()) return 0;
    SkipBlanks in(text);
    if (in.at_end()) return 0;

    if (in.peek() == '&') {
        in.next();
        const char kind = in.peek();
        // The letter needs at least one character after it.
        if (in.remaining_raw() < 2) return 0;
        in.next();
        if (kind == 'H' || kind == 'h') return RadixNumber(in, 16);
        if (kind == 'O' || kind == 'o') return RadixNumber(in, 8);
        return 0;
    }

    enum class State : uint8_t {
        Start,
        Integer,
        Fraction,
        ExponentLetter,
        ExponentSign,
        ExponentDigits
    };
    State state = State::Start;
    bool negative = false;
    bool exponent_negative = false;
    int64_t exponent = 0;
    int exponent_digits = 0;
    char digits[kMaxSignificantDigits] = {};
    size_t kept = 0;          // significant digits in the buffer
    int64_t significant = 0;  // significant digits read, kept or not
    int64_t significant_before_point = 0;
    int64_t zeros_after_point = 0;  // zeros between the point and the first significant digit
    uint64_t integer_value = 0;     // the digits before the point, wrapping in 64 bits

    for (; !in.at_end(); in.next()) {
        const char c = in.peek();
        const bool is_digit = c >= '0' && c <= '9';
        if (state == State::Start && (c == '+' || c == '-')) {
            negative = c == '-';
            state = State::Integer;
        } else if ((state == State::Start || state == State::Integer) && is_digit) {
            state = State::Integer;
            if (significant == 0 && c == '0') continue;
            ++significant;
            ++significant_before_point;
            if (kept < kMaxSignificantDigits) digits[kept++] = c;
            integer_value = integer_value * 10 + static_cast<uint64_t>(c - '0');
        } else if ((state == State::Start || state == State::Integer) && c == '.') {
            state = State::Fraction;
        } else if (state == State::Fraction && is_digit) {
            if (significant == 0 && c == '0') {
                ++zeros_after_point;
                continue;
            }
            ++significant;
            if (kept < kMaxSignificantDigits) digits[kept++] = c;
        } else if ((state == State::Start || state == State::Integer || state == State::Fraction) &&
                   (c == 'E' || c == 'e' || c == 'D' || c == 'd')) {
            state = State::ExponentLetter;
        } else if (state == State::ExponentLetter && (c == '+' || c == '-')) {
            exponent_negative = c == '-';
            state = State::ExponentSign;
        } else if (state >= State::ExponentLetter && is_digit &&
                   exponent_digits < kMaxExponentDigits) {
            exponent = exponent * 10 + (c - '0');
            ++exponent_digits;
            state = State::ExponentDigits;
        } else {
            break;
        }
    }

    if (significant == 0) return 0;
    if (exponent_negative) exponent = -exponent;
    if (exponent == 0 && significant == significant_before_point) {
        const uint64_t magnitude = negative ? (0 - integer_value) : integer_value;
        return static_cast<ExtendedFloat>(static_cast<int64_t>(magnitude));
    }

    // Digits beyond the work buffer are dropped from the mantissa but still count towards the
    // exponent, so a very long number keeps its size.
    const int64_t decimal_exponent = exponent + significant_before_point - zeros_after_point - 1;
    RtString normal;
    normal.reserve(kept + 32);
    if (negative) normal += '-';
    normal += digits[0];
    normal += '.';
    normal.append(digits + 1, kept - 1);
    normal += 'E';
    normal += std::to_string(decimal_exponent);
    return std::strtold(normal.c_str(), nullptr);
}

double Num_FromText(const RtString& text) {
    return static_cast<double>(Num_FromTextExtended(text));
}

// ---- Floating-point unit --------------------------------------------------------------------

namespace {

#if BRUNOLT_X87
// The faulting thread resumes here, as if the faulting instruction had called this function.
// Error 11 is critical: its box, then the end of the process with exit code 0. It is raised
// from a thread of its own, so that the faulting thread's stack - stopped in the middle of an
// instruction, where no exception may pass - is never unwound; the faulting thread waits
// until the process ends. The stack may be misaligned at this point, hence the realignment.
[[noreturn]] __attribute__((force_align_arg_pointer, noinline)) void ArithmeticFault() {
    std::thread([] {
        Err_Raise(11);
        std::_Exit(0);
    }).join();
    std::_Exit(0);
}

// SIGFPE: only sets the faulting thread on its way to ArithmeticFault, so that nothing beyond
// two register writes and one store happens in the signal context. The return address goes
// just below the interrupted stack pointer (the red zone of a frame that is never returned to;
// the kernel keeps the signal frame below the red zone).
extern "C" void OnArithmeticFault(int, siginfo_t*, void* context) {
    auto* machine = static_cast<ucontext_t*>(context);
#if defined(__x86_64__)
    greg_t& ip = machine->uc_mcontext.gregs[REG_RIP];
    greg_t& sp = machine->uc_mcontext.gregs[REG_RSP];
#else
    greg_t& ip = machine->uc_mcontext.gregs[REG_EIP];
    greg_t& sp = machine->uc_mcontext.gregs[REG_ESP];
#endif
    sp -= static_cast<greg_t>(sizeof(greg_t));
    std::memcpy(reinterpret_cast<void*>(sp), &ip, sizeof ip);
    ip = reinterpret_cast<greg_t>(&ArithmeticFault);
}
#endif

}  // namespace

void Num_StartFloatingPoint() {
#if BRUNOLT_X87
    fpu_control_t control = 0;
    _FPU_GETCW(control);
    control = static_cast<fpu_control_t>((control & ~_FPU_EXTENDED) | _FPU_EXTENDED);
    _FPU_SETCW(control);

    struct sigaction action {};
    action.sa_sigaction = OnArithmeticFault;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO;
    sigaction(SIGFPE, &action, nullptr);
#endif
}
