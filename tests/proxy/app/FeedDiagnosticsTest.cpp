// What the proxy tells a user whose receiver gives it nothing usable: positions its rules ignore,
// and a feed in another format than BaseStation lines. Through the event log, the status snapshot
// and the headless status line.
#include "platform/Clock.h"
#include "proxy/app/ConsoleControls.h"
#include "proxy/app/QuorvexStatus.h"
#include "support/FeedSamples.h"
#include "support/RecordingControls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr std::int64_t kStart = 1'700'000'000;
constexpr const char* kOutsideArea = "outside the default area (north of 10\u00b0 N and east of "
                                     "10\u00b0 E); a receiver elsewhere needs --positions anywhere";

class FeedDiagnosticsTest : public testing::Test {
protected:
    FeedDiagnosticsTest()
    {
        m_dlg.m_pEventLog = &m_log;
        m_dlg.InsertAircraftListColumns();
    }

    void Feed(const std::string& hexId, const std::string& position)
    {
        std::string line = "MSG,3,1,1," + hexId + ",1,2010/02/19,x,2010/02/19,x,,35000,,,"
            + position + ",,,,,,\n";
        m_dlg.HandleFeedLine(line.data());
    }

    // Replays `content` to its end.
    void Replay(const std::string& content)
    {
        m_scratch.Write("feed.rec", content);
        m_controls.SetWindowText(kIdEditServer, "feed.rec");
        m_dlg.OnLogfileClicked();
        while (m_dlg.IsReplaying())
            m_dlg.ReplayNextLines();
    }

    status::CStatusSnapshot Snapshot()
    {
        status::CLineRate rate;
        return TakeStatusSnapshot(m_dlg, m_controls, rate);
    }

    platform::FakeClock m_clock { kStart };
    CScratchDirectory m_scratch;
    CConsoleControls m_controls;
    CQuorvexDlg m_dlg { m_controls };
    CTextLog m_log;
};

TEST_F(FeedDiagnosticsTest, PositionsOutsideTheDefaultAreaAreToldOfAtOnceThenHourly)
{
    Feed("400001", "47.4,19.2");
    EXPECT_EQ(m_controls.StatusLine(m_dlg), "Lines: -  Clients: 0  Aircraft: 1  Connect: Connect");
    Feed("400002", "0,0"); // junk anywhere: counted, but no reason for --positions anywhere
    m_dlg.OnTimer();
    EXPECT_TRUE(m_log.texts.empty());
    EXPECT_EQ(m_controls.StatusLine(m_dlg),
        "Lines: -  Clients: 0  Aircraft: 2  Connect: Connect  Positions ignored: 1");

    Feed("A00001", "40.64,-73.78");
    m_dlg.OnTimer();
    ASSERT_EQ(m_log.texts.size(), 1u);
    EXPECT_EQ(m_log.texts[0], "feed: 1 position ignored: it lies " + std::string(kOutsideArea));

    Feed("A00001", "40.65,-73.70");
    Feed("A00002", "-33.95,151.18");
    m_clock.Advance(kIgnoredPositionsWarningSeconds - 5);
    m_dlg.OnTimer();
    EXPECT_EQ(m_log.texts.size(), 1u);
    m_clock.Advance(5);
    m_dlg.OnTimer();
    ASSERT_EQ(m_log.texts.size(), 2u);
    EXPECT_EQ(m_log.texts[1],
        "feed: 2 positions ignored in the last hour: they lie " + std::string(kOutsideArea));
    m_clock.Advance(2 * kIgnoredPositionsWarningSeconds);
    m_dlg.OnTimer(); // nothing new
    EXPECT_EQ(m_log.texts.size(), 2u);
    EXPECT_TRUE(m_controls.StatusLine(m_dlg).ends_with("  Positions ignored: 4"));

    Feed("A00003", "-33.95,151.18"); // a new aircraft, the others purged meanwhile
    const status::CStatusSnapshot s = Snapshot();
    EXPECT_EQ(s.feed.positionsIgnoredNorthEast, 4);
    EXPECT_EQ(s.feed.positionsIgnoredRange, 0);
    EXPECT_EQ(s.feed.positionsIgnoredInvalid, 1);
    ASSERT_EQ(s.aircraft.size(), 1u);
    EXPECT_TRUE(s.aircraft[0].positionsIgnored);
    EXPECT_FALSE(s.aircraft[0].hasPosition);
}

// Recordings of a receiver's other outputs: every line rejected as ever, and the format named
// once per replay; a BaseStation recording afterwards clears it.
TEST_F(FeedDiagnosticsTest, RecordingsInOtherFormatsAreNamedOnceAndNeverRead)
{
    Replay(BeastFrames(300));
    EXPECT_GT(m_dlg.m_nLinesReceived, 10);
    EXPECT_EQ(m_dlg.m_nLinesAccepted, 0);
    EXPECT_EQ(m_dlg.Traffic().Size(), 0u);
    const std::string beast = FeedFormatWarning(FeedFormat::Beast);
    EXPECT_EQ(m_log.texts, std::vector<std::string> { "feed: " + beast });
    EXPECT_TRUE(m_controls.StatusLine(m_dlg).ends_with("  Connect: Connect  Feed: " + beast));
    EXPECT_EQ(Snapshot().feed.format, "beast");
    EXPECT_EQ(Snapshot().feed.formatWarning, beast);

    Replay(JsonLines(50));
    EXPECT_EQ(m_dlg.m_nLinesReceived, 50);
    EXPECT_EQ(m_dlg.m_nLinesAccepted, 0);
    EXPECT_EQ(m_dlg.Traffic().Size(), 0u);
    ASSERT_EQ(m_log.texts.size(), 2u);
    EXPECT_EQ(m_log.texts[1], "feed: " + FeedFormatWarning(FeedFormat::Json));

    Replay("\r\nMSG,3,1,1,4CA2D6,1,2010/02/19,x,2010/02/19,x,,35000,,,47.4,19.2,,,,,,\n");
    EXPECT_EQ(m_dlg.m_nLinesAccepted, 1);
    EXPECT_EQ(m_log.texts.size(), 2u);
    EXPECT_EQ(m_controls.StatusLine(m_dlg).find("Feed:"), std::string::npos);
    EXPECT_EQ(Snapshot().feed.format, "sbs");
    EXPECT_EQ(Snapshot().feed.formatWarning, "");
}

} // namespace
