// The times of the feed and of the aircraft list, as texts.
#pragma once

#include <cstdint>
#include <string>

// Time of day in UTC, "HH:MM:SS".
std::string FormatUtcTime(std::int64_t time);
// Local date, "YYYY/MM/DD"; empty if the time cannot be converted.
std::string FormatLocalDate(std::int64_t time);
