// Small text helpers of the stand board. Callsigns compare and upper-case by ASCII rules only,
// never by the locale (platform/AsciiText.h); numbers convert the way the settings file and the
// commands write them.
#pragma once

#include <string>
#include <string_view>

namespace stavo {

// The text with ASCII letters upper-cased; other bytes as they are.
std::string ToUpperAscii(std::string_view text);

// Converts like atoi: leading blanks skipped, an optional sign, decimal digits up to the first
// other character, 0 when there is no digit. Unlike atoi, a value beyond the range of int is
// clamped to INT_MIN or INT_MAX instead of being undefined.
int ParseInt(std::string_view text);

} // namespace stavo
