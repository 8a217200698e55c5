#include "FieldList.h"

#include <algorithm>
#include <iterator>

namespace {

bool SplitsPacketField(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return c == ':' || byte < 0x20 || byte == 0x7F;
}

} // namespace

int CFieldList::Split(char* text, char delimiter)
{
    fieldCount = 0;
    char* start = text;
    for (char* p = text; *p != '\0'; ++p) {
        if (*p == '\r' || *p == '\n') {
            *p = '\0';
            break;
        }
        if (*p == delimiter && fieldCount < kMaxFields) {
            *p = '\0';
            field[fieldCount++] = start;
            start = p + 1;
        }
    }
    if (fieldCount < kMaxFields)
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
