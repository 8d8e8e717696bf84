// Code page 437 bytes to and from UTF-8, for screen text that people and scripts read.
#pragma once

#include <cstdint>
#include <string>

// The Unicode code point a code page 437 byte stands for (its glyph, control range included).
char32_t Cp437_ToUnicode(uint8_t byte);
// UTF-8 of a code page 437 string.
std::string Cp437_ToUtf8(const std::string& cp437);
// Code page 437 of a UTF-8 string; characters without a byte become '?'.
std::string Cp437_FromUtf8(const std::string& utf8);
