// Signals into the event loop: SIGHUP reaches its own handler only when one is given, and the
// ending signals still end.
#include "platform/SignalBridge.h"

#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

TEST(SignalBridgeTest, HangupRunsItsOwnHandlerAndTheEndingSignalsStillEnd)
{
    int ends = 0;
    int hangups = 0;
    {
        platform::CSignalBridge bridge([&] { ++ends; }, [&] { ++hangups; });
        ASSERT_TRUE(bridge.IsInstalled());
        std::raise(SIGHUP);
        ASSERT_TRUE(qstest::WaitFor([&] { return hangups == 1; }));
        qstest::Settle(20);
        EXPECT_EQ(ends, 0);
        std::raise(SIGTERM);
        ASSERT_TRUE(qstest::WaitFor([&] { return ends == 1; }));
        EXPECT_EQ(hangups, 1);
    }
    // Without a hangup handler, SIGHUP is left alone: its disposition is the default again.
    platform::CSignalBridge endOnly([&] { ++ends; });
    struct sigaction current { };
    ASSERT_EQ(sigaction(SIGHUP, nullptr, &current), 0);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
}

} // namespace
