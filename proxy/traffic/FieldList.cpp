#include "FieldList.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace {

bool SplitsPacketField(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return c == ':' || byte < 0x20 || byte == 0x7F;
}

constexpr std::uint64_t kEveryByte = 0x0101'0101'0101'0101u;
constexpr std::uint64_t kLowBits = 0x7F7F'7F7F'7F7F'7F7Fu;

// Up to 8 bytes from `bytes` as one word, the first byte lowest, zeros after the last.
std::uint64_t LoadWord(const char* bytes, std::size_t count)
{
    std::uint64_t word = 0;
    if constexpr (std::endian::native == std::endian::little) {
        if (count == 8)
            std::memcpy(&word, bytes, 8); // one load; a copy of variable size would be a call
        else
            std::memcpy(&word, bytes, count);
    } else {
        for (std::size_t i = 0; i < count; ++i)
            word |= std::uint64_t { static_cast<unsigned char>(bytes[i]) } << (8 * i);
    }
    return word;
}

// The top bit of each byte of `word` that equals `byte`, and no other bit. Exact: no carry
// crosses from one byte into the next.
std::uint64_t BytesEqualTo(std::uint64_t word, unsigned char byte)
{
    const std::uint64_t x = word ^ (kEveryByte * byte);
    return ~(((x & kLowBits) + kLowBits) | x) & ~kLowBits;
}

} // namespace

int CFieldList::Split(char* text, char delimiter)
{
    return Split(text, std::strlen(text), delimiter);
}

int CFieldList::Split(char* text, std::size_t length, char delimiter)
{
    // Eight bytes at a time: one word marks every delimiter, CR and LF in it, and only those
    // bytes are visited. A byte-by-byte loop would branch on every byte, and the fields' varying
    // widths make those branches unpredictable.
    const auto cut = static_cast<unsigned char>(delimiter);
    int count = 0;
    char* start = text;
    for (std::size_t base = 0; base < length; base += 8) {
        const std::size_t bytes = length - base < 8 ? length - base : 8;
        const std::uint64_t word = LoadWord(text + base, bytes);
        std::uint64_t marks
            = BytesEqualTo(word, cut) | BytesEqualTo(word, '\r') | BytesEqualTo(word, '\n');
        if (bytes < 8)
            marks &= (std::uint64_t { 1 } << (8 * bytes)) - 1; // the zeros after the text
        for (; marks != 0; marks &= marks - 1) {
            char* p = text + base + static_cast<std::size_t>(std::countr_zero(marks) / 8);
            if (static_cast<unsigned char>(*p) != cut) { // CR or LF: the line ends here
                *p = '\0';
                field[count++] = start;
                fieldCount = count;
                return count;
            }
            *p = '\0';
            field[count++] = start;
            if (count == kMaxFields) {
                // The rest of the line is dropped, but still ends at its first CR or LF.
                for (char* q = p + 1; q < text + length; ++q) {
                    if (*q == '\r' || *q == '\n') {
                        *q = '\0';
                        break;
                    }
                }
                fieldCount = count;
                return count;
            }
            start = p + 1;
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
