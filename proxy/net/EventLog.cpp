#include "EventLog.h"

#include "platform/CalendarTime.h"
#include "platform/Clock.h"

#include <ctime>

CEventLog::CEventLog(std::FILE* out, bool quiet)
    : m_out(out)
    , m_bQuiet(quiet)
{
}

void CEventLog::Log(LogLevel level, std::string_view kind, std::string text)
{
    if (m_bQuiet && level == LogLevel::Info)
        return;
    const std::int64_t now = platform::Time64();
    if (level == LogLevel::Warning && kind.starts_with(kRepeatingFailure)) {
        auto it = m_repeats.find(kind);
        if (it == m_repeats.end())
            it = m_repeats.emplace(std::string(kind), CRepeats { now - kRepeatSeconds, 0 }).first;
        CRepeats& repeats = it->second;
        if (now - repeats.tLastWritten < kRepeatSeconds) {
            ++repeats.nHeldBack;
            return;
        }
        if (repeats.nHeldBack > 0)
            text += " (" + std::to_string(repeats.nHeldBack) + " more times in the last "
                + std::to_string(now - repeats.tLastWritten) + " s)";
        repeats = { now, 0 };
    }
    // Line ends inside the text would start lines without a priority or a time.
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::fprintf(
        m_out, "<%d>%s %s\n", static_cast<int>(level), FormatTimestamp(now).c_str(), text.c_str());
    std::fflush(m_out);
}

std::string CEventLog::FormatTimestamp(std::int64_t time)
{
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm utc {};
    if (!platform::ToUtcTime(t, utc))
        return "?";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}
