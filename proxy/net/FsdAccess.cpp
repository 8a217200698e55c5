#include "FsdAccess.h"

#include <algorithm>
#include <arpa/inet.h>
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

} // namespace

std::optional<std::array<std::uint8_t, 16>> ParseNumericAddress(std::string_view text)
{
    if (text.size() >= INET6_ADDRSTRLEN)
        return std::nullopt;
    const std::string address(text); // inet_pton wants the NUL
    std::array<std::uint8_t, 16> bytes {};
    if (inet_pton(AF_INET, address.c_str(), bytes.data() + 12) == 1) {
        bytes[10] = bytes[11] = 0xff;
        return bytes;
    }
    if (inet_pton(AF_INET6, address.c_str(), bytes.data()) == 1)
        return bytes;
    return std::nullopt;
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
