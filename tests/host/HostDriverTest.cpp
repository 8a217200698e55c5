// The driver of the host session: dumps of refreshes, and time on a fake clock.
#include "host/HostDriver.h"

#include "RecordingPlugIn.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

class HostDriverTest : public testing::Test {
protected:
    HostDriverTest()
    {
        m_Session.UsePlugIn(m_PlugIn);
        m_Session.SetWindowSize({ 640, 480 });
        std::string error;
        EXPECT_TRUE(
            m_Session.OpenDisplay(hosttest::kTestDisplayType, host::CDisplaySettings(), &error));
    }

    platform::FakeClock m_Clock { 1'767'225'600 };
    hosttest::RecordingPlugIn m_PlugIn;
    host::CHostSession m_Session { host::CAirportTable(), [](const std::string&) {} };
    std::ostringstream m_Out;
    host::CHostDriver m_Driver { m_Session, m_Out, true, &m_Clock };
};

TEST_F(HostDriverTest, DumpsEveryRefreshWithItsScreenObjectsInDrawingOrder)
{
    const QImage image = m_Driver.RenderOffscreen();
    EXPECT_EQ(image.size(), QSize(640, 360)); // the radar area
    m_Driver.Refresh();
    EXPECT_EQ(m_Out.str(),
        "refresh 1\n"
        "object 1 WZZ123 100 100 160 120\n"
        "object 1 LABEL 100 100 300 200\n"
        "object 1 RYR5TL 400 100 460 120\n"
        "refresh 2\n"
        "object 1 WZZ123 100 100 160 120\n"
        "object 1 LABEL 100 100 300 200\n"
        "object 1 RYR5TL 400 100 460 120\n");
}

TEST_F(HostDriverTest, WaitAdvancesTheFakeClockSecondBySecond)
{
    m_Driver.Wait(2.5);
    EXPECT_EQ(platform::Time64(), 1'767'225'602);
    m_Driver.Wait(0.5); // the half seconds add up
    EXPECT_EQ(platform::Time64(), 1'767'225'603);
    m_Driver.Wait(0);
    EXPECT_EQ(platform::Time64(), 1'767'225'603);

    // Network traffic goes silent while the clock runs; script traffic does not.
    host::PositionReport report;
    report.callsign = "NET1";
    m_Session.OnFsdPosition(report);
    report.callsign = "SCRIPT1";
    m_Session.ReportAircraft(report, nullptr, nullptr);
    m_Driver.Wait(60);
    EXPECT_TRUE(m_PlugIn.AircraftSelect("NET1").IsValid());
    m_Driver.Wait(1);
    EXPECT_FALSE(m_PlugIn.AircraftSelect("NET1").IsValid());
    EXPECT_TRUE(m_PlugIn.AircraftSelect("SCRIPT1").IsValid());
}

TEST_F(HostDriverTest, ServesARefreshOnlyWhenADisplayAskedForOne)
{
    m_Driver.ServePendingRefresh();
    EXPECT_TRUE(m_Out.str().empty());
    m_Session.Displays()[0]->RequestRefresh();
    EXPECT_TRUE(m_Driver.AfterEvent());
    EXPECT_EQ(m_Out.str().rfind("refresh 1\n", 0), 0u);
    m_Driver.Stop();
    EXPECT_FALSE(m_Driver.AfterEvent());
}

} // namespace
