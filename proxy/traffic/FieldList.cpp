#include "FieldList.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

bool SplitsPacketField(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return c == ':' || byte < 0x20 || byte == 0x7F;
}

// NUL, LF and CR end a line; all three are below every printable character, so most characters
// take the first comparison alone.
bool IsLineEnd(char c)
{
    constexpr unsigned kLineEnds = (1u << '\0') | (1u << '\n') | (1u << '\r');
    const auto code = static_cast<unsigned char>(c);
    return code <= '\r' && ((kLineEnds >> code) & 1u) != 0;
}

} // namespace

int CFieldList::Split(char* text, char delimiter)
{
    fieldCount = 0;
    char* start = text;
    for (char* p = text;; ++p) {
        const char c = *p;
        if (c == delimiter) {
            *p = '\0';
            field[fieldCount++] = start;
            if (fieldCount == kMaxFields) {
                // The rest of the line is dropped, but still ends at its first CR or LF.
                if (char* end = std::strpbrk(p + 1, "\r\n"))
                    *end = '\0';
                return fieldCount;
            }
            start = p + 1;
        } else if (IsLineEnd(c)) {
            *p = '\0';
            break;
        }
    }
    field[fieldCount++] = start;
    return fieldCount;
}

bool IsPacketFieldText(std::string_view text)
{
    return std::none_of(text.begin(), text.end(), SplitsPacketField);
}

std::string PacketFieldText(std::string_view text)
{
    std::string kept;
    kept.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(kept),
        [](char c) { return !SplitsPacketField(c); });
    return kept;
}
