#include "FeedNumbers.h"

#include "platform/AsciiText.h"

#include <charconv>
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

} // namespace

std::int32_t FeedInt32(const char* text)
{
    bool negative = false;
    text = SkipBlanksAndSign(text, negative);
    // Accumulate the magnitude; past the 64-bit range the value sticks at the limit.
    constexpr std::uint64_t kLimit
        = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    std::uint64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
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
    double value = 0.0;
    const char* end = text + std::strlen(text);
    const auto result = std::from_chars(text, end, value, std::chars_format::general);
    if (result.ec != std::errc())
        return 0.0;
    return negative ? -value : value;
}
