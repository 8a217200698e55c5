// The timer tick of the main window: purge, replay step and position broadcast, in that order.
#include "FsdTestPeer.h"
#include "platform/Clock.h"
#include "proxy/traffic/TrafficModel.h"
#include "support/EventLoop.h"
#include "support/RecordingControls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t kStart = 1'700'000'000;

class FsdTimerTest : public testing::Test {
protected:
    void Hear(const std::string& hexId, const std::string& position = ",")
    {
        m_dlg.Feed("MSG,3,1,1," + hexId + ",1,2010/02/19,x,2010/02/19,x,,35000,,," + position
            + ",,,,,,\n");
    }

    platform::FakeClock m_clock { kStart };
    CRecordingControls m_controls;
    CBroadcastRecordingDlg m_dlg { m_controls };
};

TEST_F(FsdTimerTest, PurgesAtMostOnceAMinute)
{
    Hear("AAAAAA");
    m_clock.Set(kStart + 60);
    m_dlg.OnTimer(); // not more than 60 s after the window was made
    m_clock.Set(kStart + 245);
    m_dlg.OnTimer(); // purges; AAAAAA, silent for 245 s, stays
    ASSERT_EQ(m_dlg.Traffic().m_aircraftMap.size(), 1u);
    for (const std::int64_t at : { 300, 305 }) {
        m_clock.Set(kStart + at);
        m_dlg.OnTimer(); // within a minute of that purge: AAAAAA stays though silent for 300 s
        EXPECT_EQ(m_dlg.Traffic().m_aircraftMap.size(), 1u) << at;
    }
    m_clock.Set(kStart + 306);
    m_dlg.OnTimer();
    EXPECT_TRUE(m_dlg.Traffic().m_aircraftMap.empty());

    // The clock set back before the last purge: no purge until it has caught up.
    m_clock.Set(kStart - 1000);
    Hear("BBBBBB");
    m_clock.Set(kStart - 700);
    m_dlg.OnTimer();
    EXPECT_EQ(m_dlg.Traffic().m_aircraftMap.size(), 1u);
    m_clock.Set(kStart + 367);
    m_dlg.OnTimer();
    EXPECT_TRUE(m_dlg.Traffic().m_aircraftMap.empty());
    EXPECT_TRUE(m_controls.List(kIdAircraftList).rows.empty());
}

TEST_F(FsdTimerTest, TickReplaysThenBroadcastsRecentPositionsToLoggedInClients)
{
    CScratchDirectory directory;
    ASSERT_TRUE(m_dlg.OnInitDialog(0));
    Hear("AAAAAA", "47.5,19.0");
    Hear("BBBBBB"); // no position: listed, never sent
    m_clock.Advance(181);
    Hear("CCCCCC", "47.6,19.1");
    m_clock.Advance(1); // AAAAAA's position is 182 s old

    // The Logfile press replays the first step; the tick's replay step brings DDDDDD, whose
    // position goes out in the broadcast of the same tick.
    std::string recording;
    for (int i = 0; i < kReplayLinesPerStep; ++i)
        recording += "not a feed line\n";
    recording += "MSG,3,1,1,DDDDDD,1,2010/02/19,x,2010/02/19,x,,1000,,,47.7,19.2,,,,,,\n";
    directory.Write("feed.txt", recording);
    m_controls.SetWindowText(kIdEditServer, "feed.txt");
    m_dlg.OnLogfileClicked();
    ASSERT_EQ(m_dlg.Traffic().Size(), 3u);

    std::string address;
    unsigned port = 0;
    ASSERT_TRUE(m_dlg.Server().m_listenerSocket.GetSockName(address, port));
    CFsdTestPeer peer(port);
    peer.Write("#AAABC:SERVER:Some One:1234567:3:100\r\n");
    ASSERT_TRUE(qstest::WaitFor([&] { return peer.received.find("sever") != std::string::npos; }));
    peer.received.clear();

    m_dlg.OnTimer();
    const std::string c = "@Y:CCCCCC::1:47.60000:19.10000:35000:0:0:0\r\n";
    const std::string d = "@Y:DDDDDD::1:47.70000:19.20000:1000:0:0:0\r\n";
    ASSERT_TRUE(qstest::WaitFor([&] { return peer.received.size() >= c.size() + d.size(); }));
    EXPECT_TRUE(peer.received == c + d || peer.received == d + c) << peer.received;
}

} // namespace
