// Fuzz target: number text both ways. The input is read as a text by Num_FromText; its first
// bytes are also taken as a 64-bit integer, a single and a double, each turned into text and
// read back, which must give the value again as closely as its text can hold it.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_runtime.h"
#include "numbers.h"

namespace {

[[noreturn]] void Fail(const char* what, const RtString& text, long double read_back) {
    std::fprintf(stderr, "fuzz: %s: text \"%s\" read back as %.21Lg\n", what, text.c_str(),
                 read_back);
    std::abort();
}

// Reads `text` back; no text a number makes may raise an error.
long double ReadBack(const RtString& text) {
    const long double value = Num_FromTextExtended(text);
    if (Err_IsPending()) Fail("error reading a number's own text", text, value);
    return value;
}

template <class T>
T Bytes(const uint8_t* data) {
    T value{};
    std::memcpy(&value, data, sizeof value);
    return value;
}

void CheckInteger(int64_t value) {
    const RtString text = Num_ToText(value);
    if (ReadBack(text) != static_cast<long double>(value)) Fail("integer", text, ReadBack(text));
}

// A single keeps 7 significant digits in its text, a double 16 (15 when the sixteenth would
// be 9): the text read back lies within half a unit of the last digit shown, whole numbers
// that fit in those digits come back exact, and the sign never changes.
void CheckFloat(long double value, const RtString& text, int digits) {
    const long double back = ReadBack(text);
    if (value == 0) {
        if (back != 0) Fail("zero", text, back);
        return;
    }
    if ((back < 0) != (value < 0)) Fail("sign", text, back);
    const long double half_unit = 0.5L * std::pow(10.0L, 1 - digits) * std::fabs(value);
    if (std::fabs(back - value) > half_unit * (1 + 1e-12L)) Fail("too far", text, back);
    if (value == std::trunc(value) && std::fabs(value) < std::pow(10.0L, digits) && back != value) {
        Fail("whole number not exact", text, back);
    }
}

void CheckSingle(float value) {
    if (!std::isfinite(value)) return;
    const RtString text = Num_ToText(value);
    CheckFloat(value, text, 7);
    // Seven digits name one single: the single read back shows the same text again.
    const RtString again = Num_ToText(static_cast<float>(ReadBack(text)));
    if (again != text) Fail(("single shown again as \"" + again + "\"").c_str(), text, 0);
}

void CheckDouble(double value) {
    if (!std::isfinite(value)) return;
    const RtString text = Num_ToText(value);
    CheckFloat(value, text, 15);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    fuzz::StartProgramThread();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const RtString text(reinterpret_cast<const char*>(data), size);
    const long double read = Num_FromTextExtended(text);
    // Only too many hexadecimal or octal digits may fail, with error 6 and 0.
    if (Err_IsPending() && (Err_Pending() != 6 || read != 0)) Fail("error", text, read);
    fuzz::ResetStatement();
    (void)Num_FromText(text);
    fuzz::ResetStatement();

    if (size >= sizeof(float)) CheckSingle(Bytes<float>(data));
    if (size >= sizeof(double)) {
        CheckDouble(Bytes<double>(data));
        CheckInteger(Bytes<int64_t>(data));
    }
    // The value read from the text, shown and read again.
    if (std::isfinite(read)) {
        CheckSingle(static_cast<float>(read));
        CheckDouble(static_cast<double>(read));
    }
    fuzz::ResetStatement();
    return 0;
}
