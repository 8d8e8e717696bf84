// String operations on RtString: slicing, searching, comparing, padding and fixed-length variables.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "errors.h"
#include "rt_string.h"

// Every operation takes its arguments by value or reference and returns a fresh value, so a
// temporary never outlives the statement that made it. Counts and positions are 1-based and
// never fail at the edges: they are clamped exactly as the interpreter did.

RtString Str_Concat(const RtString& a, const RtString& b);
// The first (last) n bytes, n clamped to 0..length.
RtString Str_Left(const RtString& s, int64_t n);
RtString Str_Right(const RtString& s, int64_t n);
// Bytes from position `start` to the end, start < 1 counting as 1.
RtString Str_Mid(const RtString& s, int64_t start);
// At most n bytes from position `start`; a start before 1 uses up part of n.
RtString Str_Mid(const RtString& s, int64_t start, int64_t n);
// One byte; a code outside 0..255 raises error 5 and gives the empty string.
RtString Str_Chr(int64_t code);
// n blanks (n < 0 counts as 0). More than memory holds, or than a string's 32-bit length can
// count, is the critical "Out of memory" #12.
RtString Str_Space(int64_t n);
// n copies of the low 8 bits of `code` (n < 0 counts as 0); too many as for Str_Space.
RtString Str_Repeat(int64_t n, int64_t code);
RtString Str_Upper(const RtString& s);      // a-z only
RtString Str_Lower(const RtString& s);      // A-Z only
RtString Str_TrimLeft(const RtString& s);   // leading code-32 blanks only
RtString Str_TrimRight(const RtString& s);  // trailing code-32 blanks only
inline int32_t Str_Len(const RtString& s) {
    return static_cast<int32_t>(s.size());
}

enum class StrRelation : uint8_t { Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual };
// Unsigned byte comparison, the shorter string first on a common prefix: -1 true, 0 false.
int32_t Str_Compare(const RtString& a, const RtString& b, StrRelation relation);

// 1-based position of the first `needle` in `haystack` at or after `start`, 0 when none.
int32_t Str_Instr(const RtString& haystack, const RtString& needle);
int32_t Str_Instr(int64_t start, const RtString& haystack, const RtString& needle);

// Overwrites bytes of `target` from `start` with `value` (at most n of them); the target's
// length never changes. Does nothing while a runtime error is pending.
void Str_MidAssign(RtString& target, int64_t start, const RtString& value);
void Str_MidAssign(RtString& target, int64_t start, int64_t n, const RtString& value);

// The byte at position p (default 1) as 0..255; an empty string or p outside 1..length
// raises error 5 and gives 0.
int32_t Str_Asc(const RtString& s);
int32_t Str_Asc(const RtString& s, int64_t p);

// A fixed-length string variable: its length is set once and never changes.
struct FixedString {
    explicit FixedString(int32_t length)
        : value(static_cast<size_t>(length < 0 ? 0 : length), ' ') {}
    RtString value;
};

inline void Str_Assign(RtString& target, const RtString& value) {
    target = value;
}
// The value cut to the target's length, or filled up with blanks.
void Str_Assign(FixedString& target, const RtString& value);
// Left- and right-justified assignment: the value placed at the left (right) of the target,
// the rest blanks, cut to the target's length.
void Str_AssignLeft(FixedString& target, const RtString& value);
void Str_AssignRight(FixedString& target, const RtString& value);

// A number's little-endian bytes as a string of sizeof(T) bytes.
template <class T>
RtString Str_FromBytes(T number) {
    static_assert(std::is_arithmetic_v<T> &&
                  (sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8));
    RtString bytes(sizeof(T), '\0');
    std::memcpy(bytes.data(), &number, sizeof(T));
    return bytes;
}

// The number whose little-endian bytes a string begins with; a string shorter than the
// number raises error 5 and gives 0.
template <class T>
T Str_ToBytes(const RtString& bytes) {
    static_assert(std::is_arithmetic_v<T>);
    if (Err_IsPending()) return T{};
    if (bytes.size() < sizeof(T)) {
        Err_Raise(5);
        return T{};
    }
    T number{};
    std::memcpy(&number, bytes.data(), sizeof(T));
    return number;
}
