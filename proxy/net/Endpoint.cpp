#include "Endpoint.h"

#include <algorithm>

bool SplitEndpoint(std::string_view text, CEndpointText& endpoint)
{
    endpoint = {};
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos)
            return false;
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && rest.front() != ':')
            return false;
        endpoint.host = text.substr(1, close - 1);
        endpoint.hasPort = !rest.empty();
        if (endpoint.hasPort)
            endpoint.port = rest.substr(1);
        return true;
    }
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && text.find(':', colon + 1) == std::string_view::npos) {
        endpoint.host = text.substr(0, colon);
        endpoint.port = text.substr(colon + 1);
        endpoint.hasPort = true;
        return true;
    }
    endpoint.host = text;
    return true;
}

std::optional<unsigned> ParsePort(std::string_view text, unsigned low)
{
    if (text.empty() || text.size() > 5
        || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    unsigned value = 0;
    for (const char c : text)
        value = value * 10 + static_cast<unsigned>(c - '0');
    if (value < low || value > 65535)
        return std::nullopt;
    return value;
}
