// The proxy's event log: one line per event (a feed or client coming or going, a refusal, a
// listener that failed), for a console or the journal. The sockets and the window report to it
// through CEventSink, so that they neither know nor care where the lines go.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>

// The journal's priorities: the number in front of each line.
enum class LogLevel { Info = 6, Warning = 4, Error = 3 };

// The start of the kinds of repeating failures, e.g. "failure:client-not-allowed".
inline constexpr std::string_view kRepeatingFailure = "failure:";

class CEventSink {
public:
    // `kind` names the event; warnings of a kind that starts with kRepeatingFailure are failures
    // that can come again and again (a client refused at the door, a feed that cannot be reached),
    // whose repeats may be held back. `text` is the line itself.
    virtual void Log(LogLevel level, std::string_view kind, std::string text) = 0;

protected:
    ~CEventSink() = default;
};

// Writes "<6>2026-12-08T10:24:47Z text" lines. Every change of state is a line of its own; only a
// repeating failure of one kind is written at most once every kRepeatSeconds: the repeats held
// back in between are counted, and the next line of that kind says how many there were, so that a
// flood (a scan of the port, a client reconnecting in a loop, a receiver that is down) cannot fill
// the journal.
class CEventLog final : public CEventSink {
public:
    static constexpr std::int64_t kRepeatSeconds = 30;

    // `quiet`: only warnings and errors.
    explicit CEventLog(std::FILE* out, bool quiet = false);

    void Log(LogLevel level, std::string_view kind, std::string text) override;

    // "2026-12-08T10:24:47Z".
    static std::string FormatTimestamp(std::int64_t time);

private:
    struct CRepeats {
        std::int64_t tLastWritten = 0;
        std::int64_t nHeldBack = 0;
    };

    std::FILE* m_out;
    bool m_bQuiet;
    std::map<std::string, CRepeats, std::less<>> m_repeats; // per kind of warning
};
