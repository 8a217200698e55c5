#include "FeedNumbers.h"

#include "platform/AsciiText.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Skips leading blanks and one sign; returns what follows them.
const char* SkipBlanksAndSign(const char* text, bool& negative)
{
    while (platform::IsAsciiWhitespace(*text))
        ++text;
    negative = *text == '-';
    if (*text == '+' || *text == '-')
        ++text;
    return text;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10,
    1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22 };

} // namespace

std::int32_t FeedInt32(const char* text)
{
    bool negative = false;
    text = SkipBlanksAndSign(text, negative);
    // Accumulate the magnitude; past the 64-bit range the value sticks at the limit. Eighteen
    // digits stay below that range, so the feed's numbers take no overflow test.
    constexpr std::uint64_t kLimit
        = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    std::uint64_t magnitude = 0;
    for (int n = 0; n < 18 && IsDigit(*text); ++n, ++text)
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(*text - '0');
    for (; IsDigit(*text); ++text) {
        const auto digit = static_cast<std::uint64_t>(*text - '0');
        if (magnitude > (kLimit + 1 - digit) / 10) {
            magnitude = kLimit + 1;
            continue;
        }
        magnitude = magnitude * 10 + digit;
    }
    std::int64_t value;
    if (negative)
        value = magnitude > kLimit ? std::numeric_limits<std::int64_t>::min()
                                   : -static_cast<std::int64_t>(magnitude);
    else
        value = magnitude > kLimit ? std::numeric_limits<std::int64_t>::max()
                                   : static_cast<std::int64_t>(magnitude);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

double FeedDouble(const char* text)
{
    bool negative = false;
    text = SkipBlanksAndSign(text, negative);
    if (*text == '+' || *text == '-')
        return 0.0; // a second sign is no number

    // The feed's decimals ("47.43695"): digits and a fraction that together fit a double's
    // integers exactly, with no exponent. Their quotient by an exact power of ten is one correctly
    // rounded division, the value from_chars gives.
    std::uint64_t digits = 0;
    int count = 0;
    int fraction = 0;
    const char* p = text;
    for (; IsDigit(*p); ++p, ++count)
        digits = digits * 10 + static_cast<std::uint64_t>(*p - '0'); // wraps past 19 digits
    if (*p == '.') {
        for (++p; IsDigit(*p); ++p, ++fraction)
            digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    constexpr std::uint64_t kExactIntegers = std::uint64_t { 1 } << 53;
    if (count + fraction > 0 && count + fraction <= 19 && digits <= kExactIntegers && fraction <= 22
        && *p != 'e' && *p != 'E') {
        const double value = static_cast<double>(digits) / kExactPowersOfTen[fraction];
        return negative ? -value : value;
    }

    double value = 0.0;
    const char* end = text + std::strlen(text);
    const auto result = std::from_chars(text, end, value, std::chars_format::general);
    if (result.ec != std::errc())
        return 0.0;
    return negative ? -value : value;
}

char* FormatFixed4(char* first, char* last, double value)
{
    // From 1 on the fraction is a whole multiple of 2^-52, so 2^52 times it is an exact integer,
    // and 10^4 times the fraction is that integer times 625 over 2^48, below 2^62: the four
    // digits and the rest that decides their rounding come out exact, ties to even as from
    // to_chars. Other magnitudes, and buffers that might not hold the text, are left to to_chars.
    const double magnitude = std::fabs(value);
    if (!(magnitude >= 1.0 && magnitude < 2147483648.0) || last - first < 16)
        return std::to_chars(first, last, value, std::chars_format::fixed, 4).ptr;
    const double whole = std::floor(magnitude);
    const auto fraction = static_cast<std::uint64_t>((magnitude - whole) * 0x1p52);
    const std::uint64_t scaled = fraction * 625;
    constexpr std::uint64_t kHalf = std::uint64_t { 1 } << 47;
    std::uint64_t decimals = scaled >> 48;
    const std::uint64_t rest = scaled & (2 * kHalf - 1);
    if (rest > kHalf || (rest == kHalf && (decimals & 1) != 0))
        ++decimals;
    auto integer = static_cast<std::uint32_t>(whole);
    if (decimals == 10000) {
        decimals = 0;
        ++integer;
    }
    char* p = first;
    if (std::signbit(value))
        *p++ = '-';
    p = std::to_chars(p, last, integer).ptr;
    *p++ = '.';
    for (int i = 3; i >= 0; --i) {
        p[i] = static_cast<char>('0' + decimals % 10);
        decimals /= 10;
    }
    return p + 4;
}
