// Who may use the FSD server: the networks a client may connect from, how many clients it takes,
// and the password of a login. Without any of them the server takes every client it is reached
// by, as many as come, and asks no password.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One network: an IPv4 or an IPv6 address with the number of its leading bits that count.
// IPv4 addresses are kept as IPv4-mapped IPv6 ones, so that a client of a dual-stack listener
// ("::ffff:192.168.1.5") matches the IPv4 network it belongs to.
struct CAddressRange {
    std::array<std::uint8_t, 16> bytes {};
    int prefixBits = 128;

    // "192.168.1.0/24", "fd00::/8", or an address alone (that one address). Returns an empty
    // optional for anything else, a prefix too long for its family included.
    static std::optional<CAddressRange> Parse(std::string_view text);
    bool Contains(const std::array<std::uint8_t, 16>& address) const;
};

// A numeric IPv4 or IPv6 address as 16 bytes (IPv4 mapped); empty for anything else.
std::optional<std::array<std::uint8_t, 16>> ParseNumericAddress(std::string_view text);
// 127.0.0.0/8 or ::1 (also IPv4-mapped).
bool IsLoopbackAddress(std::string_view text);

struct CFsdAccess {
    // The networks clients may connect from; empty: any. When there are some, 127.0.0.1 and ::1
    // are always allowed besides.
    std::vector<CAddressRange> allowed;
    std::size_t maxClients = 0; // 0: no limit
    std::optional<std::string> password; // asked at login when set

    // Whether a client from `address` (numeric, as the socket reports its peer) may connect. An
    // address that cannot be read is refused once there is an allow list.
    bool Allows(std::string_view address) const;
    // Whether the "#AA" login line carries the password (its fifth field, before the line end).
    bool IsPasswordAccepted(std::string_view loginLine) const;
};

// An address and port the FSD server listens on: a numeric IPv4 or IPv6 address, empty for
// every interface.
struct CListenAddress {
    std::string address;
    unsigned port = 0;

    // "127.0.0.1:6809", "[::1]:6809", "*:6809".
    std::string Text() const;
};
