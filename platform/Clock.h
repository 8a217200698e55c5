// The one place where both tools read the current time.
//
// Every "now" of the proxy and of the plug-in (purges, ages, dead reckoning, elapsed times on the
// board, today's date of the feed alignment) is read through Time64(), so that tests and the
// stand-in host can run on a clock they set. The library holding this is shared, so a host and the
// plug-in it loads see the same clock.
#pragma once

#include <cstdint>

namespace platform {

// Seconds since 1970-01-01 00:00 UTC, signed 64-bit; the system clock unless a source is set.
std::int64_t Time64();

// A replacement for the system clock. Returns seconds since 1970-01-01 00:00 UTC.
using TimeSource = std::int64_t (*)();

// Makes Time64() read `source`; nullptr restores the system clock. Not thread-safe: call it
// before the event loop runs, or from the loop's own thread.
void SetTimeSource(TimeSource source);

// A settable clock for tests and for the host's scripted time. While an instance lives,
// Time64() returns its value; the destructor restores the system clock. At most one at a time.
class FakeClock {
public:
    explicit FakeClock(std::int64_t start);
    ~FakeClock();
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    void Set(std::int64_t now);
    void Advance(std::int64_t seconds);
    std::int64_t Now() const;
};

} // namespace platform
