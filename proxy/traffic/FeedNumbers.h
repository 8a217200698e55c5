// Number conversions of feed fields. Independent of the process locale: a decimal point is always
// '.', whatever LC_NUMERIC the front-end's toolkit has set.
#pragma once

#include <cstdint>

// Leading blanks skipped, an optional sign, the digits up to the first other character, read as a
// 64-bit value (saturating at its limits) and truncated to its low 32 bits. 0 when there is no
// digit.
std::int32_t FeedInt32(const char* text);

// Leading blanks skipped, an optional sign, then a decimal number with optional fraction and
// exponent ("inf" and "nan" are read as such). 0.0 when the text does not start with a number.
double FeedDouble(const char* text);

// What std::to_chars(first, last, value, std::chars_format::fixed, 4) writes, the same text, made
// faster for the magnitudes of coordinates; returns the end of the text. `last - first` must hold
// the text.
char* FormatFixed4(char* first, char* last, double value);
