// A 3 x 5 pixel alphabet of our own for the captions of the contact sheet.
#pragma once

#include <cstdint>

namespace sheet {

// Rows of a glyph, top first; bit 2 is the leftmost of the three columns. Unknown characters
// give an empty glyph.
inline const uint8_t* LabelGlyph(char c) {
    static const uint8_t kDigits[10][5] = {
        {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 3, 1, 7}, {5, 5, 7, 1, 1},
        {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};
    static const uint8_t kLetters[26][5] = {
        {2, 5, 7, 5, 5}, {6, 5, 6, 5, 6}, {3, 4, 4, 4, 3}, {6, 5, 5, 5, 6}, {7, 4, 6, 4, 7},
        {7, 4, 6, 4, 4}, {3, 4, 5, 5, 3}, {5, 5, 7, 5, 5}, {7, 2, 2, 2, 7}, {1, 1, 1, 5, 2},
        {5, 5, 6, 5, 5}, {4, 4, 4, 4, 7}, {5, 7, 7, 5, 5}, {6, 5, 5, 5, 5}, {2, 5, 5, 5, 2},
        {6, 5, 6, 4, 4}, {2, 5, 5, 6, 3}, {6, 5, 6, 5, 5}, {3, 4, 2, 1, 6}, {7, 2, 2, 2, 2},
        {5, 5, 5, 5, 7}, {5, 5, 5, 5, 2}, {5, 5, 7, 7, 5}, {5, 5, 2, 5, 5}, {5, 5, 2, 2, 2},
        {7, 1, 2, 4, 7}};
    static const uint8_t kDot[5] = {0, 0, 0, 0, 2};
    static const uint8_t kDash[5] = {0, 0, 7, 0, 0};
    static const uint8_t kOpen[5] = {1, 2, 2, 2, 1};
    static const uint8_t kClose[5] = {4, 2, 2, 2, 4};
    static const uint8_t kComma[5] = {0, 0, 0, 2, 4};
    static const uint8_t kColon[5] = {0, 2, 0, 2, 0};
    static const uint8_t kEmpty[5] = {0, 0, 0, 0, 0};
    if (c >= '0' && c <= '9') return kDigits[c - '0'];
    if (c >= 'a' && c <= 'z') return kLetters[c - 'a'];
    if (c >= 'A' && c <= 'Z') return kLetters[c - 'A'];
    switch (c) {
        case '.':
            return kDot;
        case '-':
            return kDash;
        case '(':
            return kOpen;
        case ')':
            return kClose;
        case ',':
            return kComma;
        case ':':
            return kColon;
        default:
            return kEmpty;
    }
}

}  // namespace sheet
