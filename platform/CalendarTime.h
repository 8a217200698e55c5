// Seconds since 1970 as calendar fields, in UTC or the machine's local time, safely from any
// thread (the C library's own gmtime and localtime share one buffer).
#pragma once

#include <ctime>

namespace platform {

inline bool ToUtcTime(std::time_t time, std::tm& fields)
{
#ifdef _WIN32
    return gmtime_s(&fields, &time) == 0;
#else
    return gmtime_r(&time, &fields) != nullptr;
#endif
}

inline bool ToLocalTime(std::time_t time, std::tm& fields)
{
#ifdef _WIN32
    return localtime_s(&fields, &time) == 0;
#else
    return localtime_r(&time, &fields) != nullptr;
#endif
}

} // namespace platform
