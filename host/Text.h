// Small text helpers of the host: trimming, splitting, numbers; ASCII-only case handling comes
// from platform/AsciiText.h. Blanks in the host's texts are space, tab, CR and LF.
#pragma once

#include "platform/AsciiText.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

using platform::AsciiUpper;
using platform::EqualsAsciiNoCase;
using platform::IsSpaceTabOrLineEnd;

inline std::string_view TrimRight(std::string_view text)
{
    while (!text.empty() && IsSpaceTabOrLineEnd(text.back()))
        text.remove_suffix(1);
    return text;
}

inline std::string_view Trim(std::string_view text)
{
    text = TrimRight(text);
    while (!text.empty() && IsSpaceTabOrLineEnd(text.front()))
        text.remove_prefix(1);
    return text;
}

// Words separated by blanks or tabs.
inline std::vector<std::string_view> SplitWords(std::string_view text)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSpaceTabOrLineEnd(text[i]))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !IsSpaceTabOrLineEnd(text[i]))
            ++i;
        if (i > start)
            words.push_back(text.substr(start, i - start));
    }
    return words;
}

// The whole text as a decimal integer (optional '-'), or nothing.
template <typename Int> std::optional<Int> ParseInteger(std::string_view text)
{
    Int value {};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The whole text as a plain decimal number ("12", "0.5", "-3.25"), or nothing.
inline std::optional<double> ParseNumber(std::string_view text)
{
    if (text.empty() || text.find_first_not_of("+-.0123456789") != std::string_view::npos)
        return std::nullopt;
    if (text.front() == '+')
        text.remove_prefix(1);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// Visits each line of a text with its number from 1, without its line end and trailing blanks.
template <typename Visit> void ForEachLine(std::string_view text, Visit visit)
{
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        visit(++number, TrimRight(text.substr(0, end)));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

// The whole file, or nothing with a message in `error`.
inline std::optional<std::string> ReadTextFile(const std::string& path, std::string* error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (error != nullptr)
            *error = "cannot open " + path;
        return std::nullopt;
    }
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) {
        if (error != nullptr)
            *error = "cannot read " + path;
        return std::nullopt;
    }
    return text;
}

} // namespace host
