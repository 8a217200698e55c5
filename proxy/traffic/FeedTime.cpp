#include "FeedTime.h"

#include "platform/CalendarTime.h"

#include <ctime>

std::string FormatUtcTime(std::int64_t time)
{
    // UTC has no offsets to look up: the time of day is the remainder of whole days.
    constexpr std::int64_t kDay = 86400;
    std::int64_t seconds = time % kDay;
    if (seconds < 0)
        seconds += kDay;
    const auto hours = static_cast<int>(seconds / 3600);
    const auto minutes = static_cast<int>(seconds / 60 % 60);
    const auto secs = static_cast<int>(seconds % 60);
    const char text[8] = {
        static_cast<char>('0' + hours / 10),
        static_cast<char>('0' + hours % 10),
        ':',
        static_cast<char>('0' + minutes / 10),
        static_cast<char>('0' + minutes % 10),
        ':',
        static_cast<char>('0' + secs / 10),
        static_cast<char>('0' + secs % 10),
    };
    return std::string(text, sizeof text);
}

std::string FormatLocalDate(std::int64_t time)
{
    const auto t = static_cast<std::time_t>(time);
    std::tm local {};
    if (!platform::ToLocalTime(t, local))
        return {};
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, "%Y/%m/%d", &local);
    return std::string(text, length);
}
