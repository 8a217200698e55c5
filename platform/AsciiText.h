// Text helpers by ASCII rules only, never by the locale: case folding touches the 26 letters and
// nothing else, so bytes above 127 (UTF-8 or not) always compare as themselves.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

constexpr char AsciiUpper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The text with ASCII letters upper-cased; other bytes as they are.
inline std::string AsciiUpper(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = AsciiUpper(c);
    return upper;
}

// Orders two texts byte by byte with ASCII letters folded to lower case; other bytes compare as
// unsigned values, and a text orders before any longer text it begins. Negative, zero or positive
// like strcmp. Folding to lower case puts '[', '\\', ']', '^', '_' and '`' before the letters.
constexpr int CompareAsciiNoCase(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto cb = static_cast<unsigned char>(AsciiLower(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

// True when both texts have the same length and are equal with ASCII letters folded.
constexpr bool EqualsAsciiNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i]))
            return false;
    return true;
}

// The six white-space bytes of the C locale's isspace: space, '\t', '\n', '\v', '\f', '\r'.
constexpr bool IsAsciiWhitespace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Space, '\t', '\r' and '\n' only: '\v' and '\f' are not blanks here.
constexpr bool IsSpaceTabOrLineEnd(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace platform
