#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

TEST(ClockTest, FakeClockReplacesAndRestoresTheSystemClock)
{
    {
        platform::FakeClock clock(1'000'000'000);
        EXPECT_EQ(platform::Time64(), 1'000'000'000);
        clock.Advance(300);
        EXPECT_EQ(platform::Time64(), 1'000'000'300);
        clock.Set(-5); // a clock set back before 1970 is still a valid reading
        EXPECT_EQ(platform::Time64(), -5);
    }
    const auto system = static_cast<std::int64_t>(std::time(nullptr));
    EXPECT_LE(std::abs(platform::Time64() - system), 2);
}

TEST(ClockTest, ReadsBeyond2038)
{
    platform::FakeClock clock(4'102'444'800); // 2100-01-01
    EXPECT_EQ(platform::Time64(), 4'102'444'800);
}

} // namespace
