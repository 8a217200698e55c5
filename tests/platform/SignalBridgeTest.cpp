// Signals into the event loop: SIGHUP reaches its own handler only when one is given, and the
// ending signals still end; on Windows, the console's Ctrl+C and Ctrl+Break end.
#include "platform/SignalBridge.h"

#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <csignal>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

#ifndef _WIN32
TEST(SignalBridgeTest, HangupRunsItsOwnHandlerAndTheEndingSignalsStillEnd)
{
    ASSERT_TRUE(platform::CSignalBridge::HasHangup());
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
#else
// Ctrl+C and Ctrl+Break each end once, on the loop's thread; the handler is gone with the bridge.
TEST(SignalBridgeTest, ConsoleInterruptsEndOnTheLoopsThread)
{
    EXPECT_FALSE(platform::CSignalBridge::HasHangup());
    if (::GetConsoleWindow() == nullptr && !::AllocConsole()
        && ::GetLastError() != ERROR_ACCESS_DENIED)
        GTEST_SKIP() << "no console to send the events through";
    int ends = 0;
    {
        platform::CSignalBridge bridge([&] { ++ends; }, [] { ADD_FAILURE() << "no hangup here"; });
        ASSERT_TRUE(bridge.IsInstalled());
        for (const DWORD event : { CTRL_C_EVENT, CTRL_BREAK_EVENT }) {
            const int before = ends;
            if (!::GenerateConsoleCtrlEvent(event, 0))
                GTEST_SKIP() << "the console does not deliver events here";
            ASSERT_TRUE(qstest::WaitFor([&] { return ends == before + 1; })) << event;
            qstest::Settle(50);
            EXPECT_EQ(ends, before + 1);
        }
        platform::CSignalBridge second([] {});
        EXPECT_FALSE(second.IsInstalled()) << "one bridge at a time";
    }
    // The bridge's handler is gone: the next bridge is installed again.
    platform::CSignalBridge again([] {});
    EXPECT_TRUE(again.IsInstalled());
}
#endif

} // namespace
