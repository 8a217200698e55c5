#include "FsdAccess.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

constexpr std::array<std::uint8_t, 16> kIpv6Loopback { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    1 };
constexpr std::array<std::uint8_t, 16> kIpv4Loopback { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff,
    127, 0, 0, 1 };

bool IsMappedIpv4(const std::array<std::uint8_t, 16>& bytes)
{
    return std::all_of(bytes.begin(), bytes.begin() + 10, [](std::uint8_t b) { return b == 0; })
        && bytes[10] == 0xff && bytes[11] == 0xff;
}

// The forms inet_pton takes, parsed here so that every system reads an address the same way.
//   IPv4: four decimal parts of 0 to 255, without leading zeros.
//   IPv6: up to eight groups of one to four hex digits, one "::" for a run of zero groups, and an
//         IPv4 address in the last 32 bits; no zone.
std::optional<std::array<std::uint8_t, 4>> ParseIpv4(std::string_view text)
{
    std::array<std::uint8_t, 4> bytes {};
    std::size_t part = 0;
    std::size_t at = 0;
    for (;;) {
        std::size_t digits = 0;
        unsigned value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4) {
            value = value * 10 + unsigned(text[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || digits > 3 || value > 255 || (digits > 1 && text[at - digits] == '0'))
            return std::nullopt;
        bytes[part++] = static_cast<std::uint8_t>(value);
        if (part == 4)
            return at == text.size() ? std::optional(bytes) : std::nullopt;
        if (at == text.size() || text[at] != '.')
            return std::nullopt;
        ++at;
    }
}

std::optional<std::array<std::uint8_t, 16>> ParseIpv6(std::string_view text)
{
    std::array<std::uint8_t, 16> bytes {};
    std::size_t filled = 0; // bytes written
    std::size_t gap = std::string_view::npos; // where "::" stands, in bytes
    std::size_t at = 0;
    if (text.substr(0, 2) == "::") {
        gap = 0;
        at = 2;
    } else if (!text.empty() && text[0] == ':') {
        return std::nullopt;
    }
    while (at < text.size()) {
        if (filled == 16)
            return std::nullopt;
        const std::size_t start = at;
        unsigned value = 0;
        while (at < text.size() && at - start < 5
            && std::isxdigit(static_cast<unsigned char>(text[at]))) {
            const char c = text[at];
            value = value * 16 + unsigned(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
            ++at;
        }
        if (at < text.size() && text[at] == '.') { // the embedded IPv4 address ends it
            const auto v4 = filled <= 12 ? ParseIpv4(text.substr(start)) : std::nullopt;
            if (!v4)
                return std::nullopt;
            std::copy(v4->begin(), v4->end(), bytes.begin() + static_cast<std::ptrdiff_t>(filled));
            filled += 4;
            at = text.size();
            break;
        }
        if (at == start || at - start > 4)
            return std::nullopt;
        bytes[filled++] = static_cast<std::uint8_t>(value >> 8);
        bytes[filled++] = static_cast<std::uint8_t>(value);
        if (at == text.size())
            break;
        if (text[at] != ':' || at + 1 == text.size())
            return std::nullopt;
        ++at;
        if (text[at] == ':') {
            if (gap != std::string_view::npos)
                return std::nullopt;
            gap = filled;
            ++at;
        }
    }
    if (gap == std::string_view::npos)
        return filled == 16 ? std::optional(bytes) : std::nullopt;
    if (filled == 16)
        return std::nullopt; // "::" must stand for at least one group
    // Move what follows the gap to the end.
    const std::size_t tail = filled - gap;
    std::copy_backward(bytes.begin() + static_cast<std::ptrdiff_t>(gap),
        bytes.begin() + static_cast<std::ptrdiff_t>(filled), bytes.end());
    std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(gap),
        bytes.end() - static_cast<std::ptrdiff_t>(tail), std::uint8_t { 0 });
    return bytes;
}

} // namespace

std::optional<std::array<std::uint8_t, 16>> ParseNumericAddress(std::string_view text)
{
    if (const auto v4 = ParseIpv4(text)) {
        std::array<std::uint8_t, 16> bytes {};
        bytes[10] = bytes[11] = 0xff;
        std::copy(v4->begin(), v4->end(), bytes.begin() + 12);
        return bytes;
    }
    return ParseIpv6(text);
}

bool IsLoopbackAddress(std::string_view text)
{
    const auto bytes = ParseNumericAddress(text);
    return bytes && (*bytes == kIpv6Loopback || (IsMappedIpv4(*bytes) && (*bytes)[12] == 127));
}

std::optional<CAddressRange> CAddressRange::Parse(std::string_view text)
{
    const std::size_t slash = text.find('/');
    const auto bytes = ParseNumericAddress(text.substr(0, slash));
    if (!bytes)
        return std::nullopt;
    CAddressRange range { *bytes, 128 };
    if (slash == std::string_view::npos)
        return range;
    const std::string_view bits = text.substr(slash + 1);
    int prefix = -1;
    const auto [end, error] = std::from_chars(bits.data(), bits.data() + bits.size(), prefix);
    const int familyBits = IsMappedIpv4(*bytes) ? 32 : 128;
    if (bits.empty() || error != std::errc() || end != bits.data() + bits.size() || prefix < 0
        || prefix > familyBits)
        return std::nullopt;
    range.prefixBits = prefix + (128 - familyBits);
    return range;
}

bool CAddressRange::Contains(const std::array<std::uint8_t, 16>& address) const
{
    int bits = prefixBits;
    for (std::size_t i = 0; i < 16 && bits > 0; ++i, bits -= 8) {
        const std::uint8_t mask = bits >= 8 ? 0xff : static_cast<std::uint8_t>(0xff << (8 - bits));
        if ((address[i] & mask) != (bytes[i] & mask))
            return false;
    }
    return true;
}

bool CFsdAccess::Allows(std::string_view address) const
{
    if (allowed.empty())
        return true;
    const auto bytes = ParseNumericAddress(address);
    if (!bytes)
        return false;
    if (*bytes == kIpv4Loopback || *bytes == kIpv6Loopback)
        return true;
    return std::any_of(allowed.begin(), allowed.end(),
        [&](const CAddressRange& range) { return range.Contains(*bytes); });
}

bool CFsdAccess::IsPasswordAccepted(std::string_view loginLine) const
{
    if (!password)
        return true;
    std::string_view field = loginLine;
    for (int skip = 0; skip < 4; ++skip) {
        const std::size_t colon = field.find(':');
        if (colon == std::string_view::npos)
            return false; // no password field at all
        field.remove_prefix(colon + 1);
    }
    field = field.substr(0, field.find_first_of(":\r\n"));
    if (password->empty())
        return field.empty();
    // Compared in full whatever the first difference, so that the time taken tells nothing.
    unsigned char difference = field.size() == password->size() ? 0 : 1;
    for (std::size_t i = 0; i < field.size(); ++i)
        difference |= static_cast<unsigned char>(field[i] ^ (*password)[i % password->size()]);
    return difference == 0;
}

std::string CListenAddress::Text() const
{
    const std::string host = address.empty()     ? "*"
        : address.find(':') != std::string::npos ? "[" + address + "]"
                                                 : address;
    return host + ":" + std::to_string(port);
}
