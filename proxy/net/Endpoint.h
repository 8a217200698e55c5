// Addresses and ports as the command line gives them, one way for every option that takes one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// "HOST", "HOST:PORT", "[IPV6]", "[IPV6]:PORT" or ":PORT", split but not checked further. An IPv6
// address with a port needs its brackets; without brackets, text with more than one ':' is an
// address alone.
struct CEndpointText {
    std::string host; // without brackets; empty for ":PORT"
    std::string port; // as typed; meaningful when hasPort
    bool hasPort = false;
};

// False for a '[' without its ']', or for text after the ']' other than ":PORT".
bool SplitEndpoint(std::string_view text, CEndpointText& endpoint);

// A port number from `low` to 65535, written with digits only.
std::optional<unsigned> ParsePort(std::string_view text, unsigned low = 1);
