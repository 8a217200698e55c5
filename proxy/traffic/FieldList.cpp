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
    // Bytes above both the delimiter and CR are neither: one comparison passes most of them. The
    // count stays in a local, since every NUL written through a char pointer could otherwise
    // change fieldCount as far as the compiler knows.
    const auto cut = static_cast<unsigned char>(delimiter);
    const unsigned char highest = cut > '\r' ? cut : static_cast<unsigned char>('\r');
    int count = 0;
    char* start = text;
    for (char* p = text;; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c > highest)
            continue;
        if (c == cut) {
            *p = '\0';
            field[count++] = start;
            if (count == kMaxFields) {
                // The rest of the line is dropped, but still ends at its first CR or LF.
                if (char* end = std::strpbrk(p + 1, "\r\n"))
                    *end = '\0';
                fieldCount = count;
                return count;
            }
            start = p + 1;
        } else if (IsLineEnd(static_cast<char>(c))) {
            *p = '\0';
            break;
        }
    }
    field[count++] = start;
    fieldCount = count;
    return count;
}

bool IsPacketFieldText(std::string_view text)
{
    for (const char c : text) {
        if (SplitsPacketField(c))
            return false;
    }
    return true;
}

std::string PacketFieldText(std::string_view text)
{
    std::string kept;
    kept.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(kept),
        [](char c) { return !SplitsPacketField(c); });
    return kept;
}
