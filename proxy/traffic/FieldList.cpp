#include "FieldList.h"

#include <cstring>

namespace {

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
