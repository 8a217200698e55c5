#include "StavoText.h"

#include "platform/AsciiText.h"

#include <climits>
#include <cstddef>
#include <cstdint>

namespace stavo {

std::string ToUpperAscii(std::string_view text)
{
    return platform::AsciiUpper(text);
}

int ParseInt(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && platform::IsAsciiWhitespace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // Accumulate in 64 bits and stop growing once past the int range: the result is clamped.
    constexpr std::int64_t kLimit = static_cast<std::int64_t>(INT_MAX) + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (magnitude <= kLimit)
            magnitude = magnitude * 10 + (text[i] - '0');
    }
    if (negative)
        return magnitude >= kLimit ? INT_MIN : static_cast<int>(-magnitude);
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

} // namespace stavo
