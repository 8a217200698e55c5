#include "Clock.h"

#include <cassert>
#include <ctime>

namespace platform {
namespace {

TimeSource g_timeSource = nullptr;
std::int64_t g_fakeNow = 0;
bool g_fakeActive = false;

std::int64_t ReadFake()
{
    return g_fakeNow;
}

} // namespace

std::int64_t Time64()
{
    if (g_timeSource != nullptr)
        return g_timeSource();
    return static_cast<std::int64_t>(std::time(nullptr));
}

void SetTimeSource(TimeSource source)
{
    g_timeSource = source;
}

FakeClock::FakeClock(std::int64_t start)
{
    assert(!g_fakeActive && "only one FakeClock at a time");
    g_fakeActive = true;
    g_fakeNow = start;
    SetTimeSource(&ReadFake);
}

FakeClock::~FakeClock()
{
    SetTimeSource(nullptr);
    g_fakeActive = false;
}

void FakeClock::Set(std::int64_t now)
{
    g_fakeNow = now;
}

void FakeClock::Advance(std::int64_t seconds)
{
    g_fakeNow += seconds;
}

std::int64_t FakeClock::Now() const
{
    return g_fakeNow;
}

} // namespace platform
