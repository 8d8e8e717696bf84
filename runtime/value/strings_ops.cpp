// String operations on RtString with the interpreter's results at every edge.
#include "strings_ops.h"

#include <algorithm>
#include <limits>
#include <new>
#include <stdexcept>

namespace {

// A string's length is a signed 32-bit count; a longer one cannot be made at all.
constexpr int64_t kLongestString = std::numeric_limits<int32_t>::max();
// Growing the string storage failed: critical "Out of memory" #12.
constexpr int64_t kStringSpaceExhausted = 512;

size_t Clamp(int64_t n, size_t length) {
    if (n <= 0) return 0;
    return static_cast<uint64_t>(n) >= length ? length : static_cast<size_t>(n);
}

// The positions before 1 that a start below 1 skips (1 - start, up to 2^63 + 1, so it is
// counted unsigned); 0 for a start of 1 or more.
uint64_t SkippedBeforeStart(int64_t start) {
    return start < 1 ? 1 - static_cast<uint64_t>(start) : 0;
}

// A count that the skipped positions have used up, or one that was below 1 already: 0.
int64_t CountAfterSkip(int64_t n, uint64_t skipped) {
    if (n < 1 || static_cast<uint64_t>(n) <= skipped) return 0;
    return n - static_cast<int64_t>(skipped);
}

}  // namespace

RtString Str_Concat(const RtString& a, const RtString& b) {
    if (b.empty()) return a;
    if (a.empty()) return b;
    RtString joined;
    joined.reserve(a.size() + b.size());
    joined.append(a).append(b);
    return joined;
}

RtString Str_Left(const RtString& s, int64_t n) {
    return s.substr(0, Clamp(n, s.size()));
}

RtString Str_Right(const RtString& s, int64_t n) {
    const size_t count = Clamp(n, s.size());
    return s.substr(s.size() - count, count);
}

RtString Str_Mid(const RtString& s, int64_t start) {
    if (start < 1) start = 1;
    if (start > static_cast<int64_t>(s.size())) return RtString();
    return s.substr(static_cast<size_t>(start - 1));
}

RtString Str_Mid(const RtString& s, int64_t start, int64_t n) {
    const int64_t length = static_cast<int64_t>(s.size());
    n = CountAfterSkip(n, SkippedBeforeStart(start));
    start = std::max<int64_t>(start, 1);
    if (n < 1 || start > length) return RtString();
    // Compared as what remains, so that a start or count near the limits cannot overflow.
    n = std::min(n, length - start + 1);
    return s.substr(static_cast<size_t>(start - 1), static_cast<size_t>(n));
}

RtString Str_Chr(int64_t code) {
    if (Err_IsPending()) return RtString();
    if (code < 0 || code > 255) {
        Err_Raise(5);
        return RtString();
    }
    return RtString(1, static_cast<char>(static_cast<uint8_t>(code)));
}

RtString Str_Space(int64_t n) {
    return Str_Repeat(n, ' ');
}

RtString Str_Repeat(int64_t n, int64_t code) {
    if (n <= 0) return RtString();
    const char byte = static_cast<char>(static_cast<uint8_t>(code & 0xFF));
    if (n <= kLongestString) {
        try {
            return RtString(static_cast<size_t>(n), byte);
        } catch (const std::bad_alloc&) {
        } catch (const std::length_error&) {
        }
    }
    Err_Raise(kStringSpaceExhausted);  // critical: does not come back
    return RtString();
}

RtString Str_Upper(const RtString& s) {
    RtString out = s;
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

RtString Str_Lower(const RtString& s) {
    RtString out = s;
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

RtString Str_TrimLeft(const RtString& s) {
    const size_t first = s.find_first_not_of(' ');
    return first == RtString::npos ? RtString() : s.substr(first);
}

RtString Str_TrimRight(const RtString& s) {
    const size_t last = s.find_last_not_of(' ');
    return last == RtString::npos ? RtString() : s.substr(0, last + 1);
}

int32_t Str_Compare(const RtString& a, const RtString& b, StrRelation relation) {
    const size_t common = std::min(a.size(), b.size());
    int order = 0;
    for (size_t i = 0; i < common && order == 0; ++i) {
        const uint8_t x = static_cast<uint8_t>(a[i]);
        const uint8_t y = static_cast<uint8_t>(b[i]);
        if (x != y) order = x < y ? -1 : 1;
    }
    if (order == 0 && a.size() != b.size()) order = a.size() < b.size() ? -1 : 1;
    bool truth = false;
    switch (relation) {
        case StrRelation::Equal:
            truth = order == 0;
            break;
        case StrRelation::NotEqual:
            truth = order != 0;
            break;
        case StrRelation::Less:
            truth = order < 0;
            break;
        case StrRelation::Greater:
            truth = order > 0;
            break;
        case StrRelation::LessEqual:
            truth = order <= 0;
            break;
        case StrRelation::GreaterEqual:
            truth = order >= 0;
            break;
    }
    return truth ? -1 : 0;
}

int32_t Str_Instr(const RtString& haystack, const RtString& needle) {
    return Str_Instr(1, haystack, needle);
}

int32_t Str_Instr(int64_t start, const RtString& haystack, const RtString& needle) {
    if (haystack.empty()) return 0;
    if (start < 1) {
        if (needle.empty()) return 0;
        start = 1;
    }
    if (start > static_cast<int64_t>(haystack.size())) return 0;
    if (needle.empty()) return static_cast<int32_t>(start);
    const size_t found = haystack.find(needle, static_cast<size_t>(start - 1));
    return found == RtString::npos ? 0 : static_cast<int32_t>(found + 1);
}

void Str_MidAssign(RtString& target, int64_t start, const RtString& value) {
    Str_MidAssign(target, start, static_cast<int64_t>(value.size()), value);
}

void Str_MidAssign(RtString& target, int64_t start, int64_t n, const RtString& value) {
    if (Err_IsPending()) return;
    const uint64_t skipped = SkippedBeforeStart(start);
    n = CountAfterSkip(n, skipped);
    start = std::max<int64_t>(start, 1);
    const int64_t target_length = static_cast<int64_t>(target.size());
    if (n <= 0 || start > target_length || skipped >= value.size()) return;
    n = std::min({n, target_length - start + 1, static_cast<int64_t>(value.size() - skipped)});
    target.replace(static_cast<size_t>(start - 1), static_cast<size_t>(n), value,
                   static_cast<size_t>(skipped), static_cast<size_t>(n));
}

int32_t Str_Asc(const RtString& s) {
    return Str_Asc(s, 1);
}

int32_t Str_Asc(const RtString& s, int64_t p) {
    if (Err_IsPending()) return 0;
    if (s.empty() || p < 1 || p > static_cast<int64_t>(s.size())) {
        Err_Raise(5);
        return 0;
    }
    return static_cast<uint8_t>(s[static_cast<size_t>(p - 1)]);
}

void Str_Assign(FixedString& target, const RtString& value) {
    Str_AssignLeft(target, value);
}

void Str_AssignLeft(FixedString& target, const RtString& value) {
    const size_t length = target.value.size();
    const size_t copied = std::min(length, value.size());
    target.value.replace(0, copied, value, 0, copied);
    std::fill(target.value.begin() + static_cast<ptrdiff_t>(copied), target.value.end(), ' ');
}

void Str_AssignRight(FixedString& target, const RtString& value) {
    const size_t length = target.value.size();
    const size_t copied = std::min(length, value.size());
    std::fill(target.value.begin(), target.value.end() - static_cast<ptrdiff_t>(copied), ' ');
    target.value.replace(length - copied, copied, value, 0, copied);
}
