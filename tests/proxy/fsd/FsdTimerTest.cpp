// The timer tick of the main window: purge, replay step and position broadcast, in that order.
#include "platform/Clock.h"
#include "proxy/traffic/ReferencePoint.h"
#include "support/RecordingControls.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t kStart = 1'700'000'000;

// Logs the replay step and the broadcasts of a tick in the order they happen.
class CTickRecordingDlg : public CBroadcastRecordingDlg {
public:
    using CBroadcastRecordingDlg::CBroadcastRecordingDlg;

    void ReplayTimerStep() override { steps.push_back("replay"); }
    void BroadcastPacket(std::string_view text, std::string_view callsign) override
    {
        steps.push_back(std::string(text) + "|" + std::string(callsign));
    }

    std::vector<std::string> steps;
};

class FsdTimerTest : public testing::Test {
protected:
    FsdTimerTest() { ResetReferencePoint(); }
    ~FsdTimerTest() override { ResetReferencePoint(); }

    void Hear(const std::string& hexId, const std::string& position = ",")
    {
        m_dlg.Feed("MSG,3,1,1," + hexId + ",1,2010/02/19,x,2010/02/19,x,,35000,,," + position
            + ",,,,,,\n");
    }

    platform::FakeClock m_clock { kStart };
    CRecordingControls m_controls;
    CTickRecordingDlg m_dlg { m_controls };
};

TEST_F(FsdTimerTest, PurgesAtMostOnceAMinute)
{
    Hear("AAAAAA");
    m_clock.Set(kStart + 60);
    m_dlg.OnTimer(); // not more than 60 s after the window was made
    m_clock.Set(kStart + 245);
    m_dlg.OnTimer(); // purges; AAAAAA, silent for 245 s, stays
    ASSERT_EQ(m_dlg.m_aircraftMap.size(), 1u);
    for (const std::int64_t at : { 300, 305 }) {
        m_clock.Set(kStart + at);
        m_dlg.OnTimer(); // within a minute of that purge: AAAAAA stays though silent for 300 s
        EXPECT_EQ(m_dlg.m_aircraftMap.size(), 1u) << at;
    }
    m_clock.Set(kStart + 306);
    m_dlg.OnTimer();
    EXPECT_TRUE(m_dlg.m_aircraftMap.empty());

    // The clock set back before the last purge: no purge until it has caught up.
    m_clock.Set(kStart - 1000);
    Hear("BBBBBB");
    m_clock.Set(kStart - 700);
    m_dlg.OnTimer();
    EXPECT_EQ(m_dlg.m_aircraftMap.size(), 1u);
    m_clock.Set(kStart + 367);
    m_dlg.OnTimer();
    EXPECT_TRUE(m_dlg.m_aircraftMap.empty());
    EXPECT_TRUE(m_controls.List(kIdAircraftList).rows.empty());
}

TEST_F(FsdTimerTest, TickReplaysThenBroadcastsRecentPositionsWhenClientsExist)
{
    Hear("AAAAAA", "47.5,19.0");
    Hear("BBBBBB"); // no position: listed, never sent
    m_clock.Advance(181);
    Hear("CCCCCC", "47.6,19.1");
    m_clock.Advance(1); // AAAAAA's position is 182 s old

    m_dlg.OnTimer();
    EXPECT_EQ(m_dlg.steps, std::vector<std::string> { "replay" }); // nobody connected

    m_dlg.AddClient(std::make_unique<CFsdClientSocket>());
    m_dlg.steps.clear();
    m_dlg.OnTimer();
    EXPECT_EQ(m_dlg.steps,
        (std::vector<std::string> { "replay", "@Y:CCCCCC::1:47.60000:19.10000:35000:0:0:0\r\n|" }));
}

} // namespace
