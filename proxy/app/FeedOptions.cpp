#include "FeedOptions.h"

#include <charconv>
#include <cmath>

namespace {

bool ParseDegrees(std::string_view text, double& value)
{
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    return !text.empty() && result.ec == std::errc() && result.ptr == end && std::isfinite(value);
}

} // namespace

bool ParseLatLon(std::string_view text, double& latitude, double& longitude)
{
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos)
        return false;
    double lat = 0.0;
    double lon = 0.0;
    if (!ParseDegrees(text.substr(0, comma), lat) || !ParseDegrees(text.substr(comma + 1), lon))
        return false;
    if (std::fabs(lat) > 90.0 || std::fabs(lon) > 180.0)
        return false;
    latitude = lat;
    longitude = lon;
    return true;
}
