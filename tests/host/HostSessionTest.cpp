// The host session against an in-process plug-in whose screens log what they receive.
#include "host/HostSession.h"

#include "RecordingPlugIn.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using host::CDisplaySettings;
using host::CHostSession;
using hosttest::RecordingPlugIn;

// A device context that draws nothing: the recording screens never use it.
class NullDeviceContext final : public platform::CDeviceContext {
public:
    void FillRect(const platform::Rect&, platform::Color) override { }
    int SetBkMode(int) override { return 0; }
    platform::Color SetBkColor(platform::Color) override { return 0; }
    platform::Color SetTextColor(platform::Color) override { return 0; }
    const platform::CPen* SelectPen(const platform::CPen*) override { return nullptr; }
    const platform::CFont* SelectFont(const platform::CFont*) override { return nullptr; }
    void MoveTo(int, int) override { }
    void LineTo(int, int) override { }
    void DrawText(std::string_view, const platform::Rect&, unsigned) override { }
    platform::Size GetTextExtent(std::string_view) override { return {}; }
    std::unique_ptr<platform::CFont> CreateFontIndirect(const platform::LogFont&) override
    {
        return nullptr;
    }
    void StretchBlt(const platform::Rect&, const platform::CBitmap&, const platform::Rect&) override
    {
    }
};

host::PositionReport Report(const std::string& callsign, int speed)
{
    host::PositionReport report;
    report.callsign = callsign;
    report.position.m_Latitude = 47.4;
    report.position.m_Longitude = 19.3;
    report.groundSpeed = speed;
    report.pressureAltitude = 2000;
    return report;
}

class HostSessionTest : public testing::Test {
protected:
    HostSessionTest()
    {
        m_Session.UsePlugIn(m_PlugIn);
        m_Session.SetWindowSize({ 1000, 700 });
    }

    void Open(const char* settings = "AIRPORT:LHBP\n")
    {
        std::string error;
        ASSERT_TRUE(m_Session.OpenDisplay(
            hosttest::kTestDisplayType, CDisplaySettings::Parse(settings, nullptr), &error))
            << error;
    }

    // The log entries since the last call.
    std::vector<std::string> Take()
    {
        std::vector<std::string> taken(
            m_PlugIn.log.begin() + static_cast<long>(m_Seen), m_PlugIn.log.end());
        m_Seen = m_PlugIn.log.size();
        return taken;
    }

    platform::FakeClock m_Clock { 1'700'000'000 };
    RecordingPlugIn m_PlugIn; // outlives the session, as a loaded library does
    std::vector<std::string> m_Notices;
    CHostSession m_Session { host::CAirportTable(),
        [this](const std::string& n) { m_Notices.push_back(n); } };
    NullDeviceContext m_Dc;
    std::size_t m_Seen = 0;
};

TEST_F(HostSessionTest, DeliversSettingsFirstAndClosingLast)
{
    Open();
    Open("; no airport\n");
    m_Session.ReportAircraft(Report("WZZ123", 140), nullptr, nullptr);
    m_Session.Shutdown();
    EXPECT_EQ(Take(),
        (std::vector<std::string> {
            "screen1 settings LHBP radar 0,0,1000,580 chat 0,580,1000,700",
            "screen2 settings (none) radar 0,0,1000,580 chat 0,580,1000,700",
            "screen1 position WZZ123 140 ",
            "screen2 position WZZ123 140 ",
            "screen1 closing",
            "screen2 closing",
        }));
    EXPECT_TRUE(m_Session.Displays().empty());
    m_Session.Shutdown(); // a second shutdown finds nothing to close
    EXPECT_TRUE(Take().empty());
}

TEST_F(HostSessionTest, RefusesTypesThePlugInDoesNotServe)
{
    std::string error;
    EXPECT_FALSE(m_Session.OpenDisplay("test view", CDisplaySettings(), &error));
    EXPECT_NE(error.find("no display type \"test view\""), std::string::npos) << error;
    EXPECT_FALSE(m_Session.OpenDisplay("Refusing View", CDisplaySettings(), &error));
    EXPECT_NE(error.find("created no screen"), std::string::npos) << error;
    EXPECT_TRUE(m_Session.Displays().empty());
}

TEST_F(HostSessionTest, OffersALineToEachDisplayUntilOneHandlesIt)
{
    Open();
    Open();
    Take();
    EXPECT_TRUE(m_Session.Command("screen1 hello"));
    EXPECT_EQ(Take(), std::vector<std::string> { "screen1 command screen1 hello" });
    EXPECT_TRUE(m_Session.Command("screen2 hello"));
    EXPECT_EQ(Take(),
        (std::vector<std::string> {
            "screen1 command screen2 hello", "screen2 command screen2 hello" }));
    EXPECT_TRUE(m_Session.Command("plugin"));
    EXPECT_EQ(Take().back(), "plugin command plugin");
    EXPECT_FALSE(m_Session.Command(".stavo nothing"));
    EXPECT_EQ(Take().size(), 3u);
}

TEST_F(HostSessionTest, PaintsEveryPhaseAndCountsRefreshes)
{
    Open();
    Take();
    std::vector<std::string> objects;
    EXPECT_EQ(
        m_Session.Paint(m_Dc, [&](const host::ScreenObject& o) { objects.push_back(o.id); }), 1);
    EXPECT_EQ(Take(),
        (std::vector<std::string> { "screen1 paint 0", "screen1 paint 1", "screen1 paint 2" }));
    EXPECT_EQ(objects, (std::vector<std::string> { "WZZ123", "LABEL", "RYR5TL" }));
    EXPECT_EQ(m_Session.Paint(m_Dc), 2);
    EXPECT_EQ(m_Session.Displays()[0]->Objects().All().size(), 3u); // replaced, not added
}

TEST_F(HostSessionTest, MouseDragMovesTheObjectWithTheMouseAndReleases)
{
    Open();
    m_Session.Paint(m_Dc);
    Take();
    m_Session.MousePress({ 410, 105 }); // on RYR5TL, 10 right and 5 below its corner
    EXPECT_TRUE(m_Session.Dragging());
    m_Session.MouseMove({ 500, 300 });
    m_Session.MouseMove({ 520, 310 });
    m_Session.MouseRelease({ 530, 320 });
    EXPECT_FALSE(m_Session.Dragging());
    EXPECT_EQ(Take(),
        (std::vector<std::string> {
            "screen1 press 1 RYR5TL 500,300 490,295,550,315 held",
            "screen1 press 1 RYR5TL 520,310 510,305,570,325 held",
            "screen1 press 1 RYR5TL 530,320 520,315,580,335 released",
        }));
    // Where a fixed object lies on top, a press clicks it instead of dragging what is below.
    m_Session.MousePress({ 120, 110 });
    EXPECT_FALSE(m_Session.Dragging());
    m_Session.MouseMove({ 200, 200 });
    m_Session.MouseRelease({ 200, 200 });
    EXPECT_EQ(Take(), std::vector<std::string> { "screen1 click LABEL 120,110" });
    // Nothing under the mouse: nothing happens.
    m_Session.MousePress({ 900, 500 });
    m_Session.MouseRelease({ 900, 500 });
    EXPECT_TRUE(Take().empty());
}

TEST_F(HostSessionTest, ScriptedDragGrabsTheCentreAndNeedsAShownObject)
{
    Open();
    std::string error;
    EXPECT_FALSE(m_Session.DragObject("RYR5TL", { 0, 0 }, false, &error)); // nothing painted yet
    EXPECT_NE(error.find("RYR5TL"), std::string::npos);
    m_Session.Paint(m_Dc);
    Take();
    EXPECT_FALSE(m_Session.DragObject("LABEL", { 0, 0 }, false, &error));
    EXPECT_NE(error.find("cannot be moved"), std::string::npos);
    ASSERT_TRUE(m_Session.DragObject("RYR5TL", { 200, 400 }, false, &error)) << error;
    EXPECT_FALSE(m_Session.DragObject("WZZ123", { 0, 0 }, true, &error)); // one drag at a time
    EXPECT_NE(error.find("\"RYR5TL\" is still being dragged"), std::string::npos) << error;
    ASSERT_TRUE(m_Session.DragObject("RYR5TL", { 210, 410 }, true, &error)) << error;
    ASSERT_TRUE(m_Session.DragObject("WZZ123", { 0, 0 }, true, &error)) << error; // drop at once
    EXPECT_EQ(Take(),
        (std::vector<std::string> {
            "screen1 press 1 RYR5TL 200,400 170,390,230,410 held",
            "screen1 press 1 RYR5TL 210,410 180,400,240,420 released",
            "screen1 press 1 WZZ123 0,0 -30,-10,30,10 released",
        }));
}

TEST_F(HostSessionTest, DragsToTheEndsOfTheCoordinateRangeSaturateInsteadOfWrapping)
{
    Open();
    m_Session.Paint(m_Dc);
    Take();
    std::string error;
    // Grabbed at its centre (430,110), RYR5TL (400,100 - 460,120) is moved 2^31 - 431 right and
    // about 2^31 up: its right and top edges stop at the ends of int's range.
    ASSERT_TRUE(m_Session.DragObject("RYR5TL", { 2147483647, -2147483648 }, false, &error));
    // Dropped at the opposite ends: further from the grab than an int can count.
    m_Session.MouseRelease({ -2147483648, 2147483647 });
    EXPECT_EQ(Take(),
        (std::vector<std::string> {
            "screen1 press 1 RYR5TL 2147483647,-2147483648 2147483617,-2147483648,2147483647,"
            "-2147483638 held",
            "screen1 press 1 RYR5TL -2147483648,2147483647 -2147483648,2147483637,-2147483618,"
            "2147483647 released",
        }));
    EXPECT_EQ(host::CentreOf({ -2147483648, -2147483648, 2147483647, 2147483647 }),
        (platform::Point { -1, -1 }));
}

TEST_F(HostSessionTest, ScriptAircraftCarryTheirFlightPlanInOneReport)
{
    Open();
    Take();
    const std::string destination = "LHBP";
    const std::string type = "A21N";
    m_Session.ReportAircraft(Report("WZZ123", 150), &destination, &type);
    m_Session.ReportAircraft(Report("wzz123", 140), nullptr, nullptr); // keeps its plan
    EXPECT_EQ(Take(),
        (std::vector<std::string> {
            "screen1 position WZZ123 150 LHBP", "screen1 position wzz123 140 LHBP" }));
    const VeltrixPlugIn::CAircraft aircraft = m_PlugIn.AircraftSelect("WZZ123");
    EXPECT_TRUE(aircraft.GetFlightPlan().IsReceived());
    EXPECT_STREQ(aircraft.GetFlightPlan().GetAircraftFPType(), "A21N");
    EXPECT_TRUE(m_Session.ForgetAircraft("WZZ123"));
    EXPECT_FALSE(m_Session.ForgetAircraft("WZZ123"));
    EXPECT_EQ(Take(), std::vector<std::string> { "screen1 gone wzz123" });
    EXPECT_FALSE(m_PlugIn.AircraftSelect("WZZ123").IsValid());
    // A destination without a known position is told once (this session knows no airports).
    const std::string elsewhere = "ZZZZ";
    m_Session.ReportAircraft(Report("X1", 10), &elsewhere, nullptr);
    m_Session.ReportAircraft(Report("X1", 12), &elsewhere, nullptr);
    EXPECT_EQ(std::count_if(m_Notices.begin(), m_Notices.end(),
                  [](const std::string& n) { return n.find("ZZZZ") != std::string::npos; }),
        1);
}

TEST_F(HostSessionTest, NetworkTrafficGoesSilentAfterSixtySeconds)
{
    Open();
    Take();
    EXPECT_TRUE(m_Session.OnFsdPosition(Report("NET1", 200)));
    EXPECT_FALSE(m_Session.OnFsdPosition(Report("NET1", 190)));
    m_Session.OnFsdFlightPlan({ "net1", "B738", "LHBP" });
    m_Session.OnFsdFlightPlan({ "NOBODY", "B738", "LHBP" }); // unknown: ignored
    m_Clock.Advance(60);
    m_Session.Tick(platform::Time64());
    EXPECT_TRUE(m_PlugIn.AircraftSelect("NET1").IsValid());
    m_Clock.Advance(1);
    m_Session.Tick(platform::Time64());
    EXPECT_FALSE(m_PlugIn.AircraftSelect("NET1").IsValid());
    EXPECT_EQ(Take(),
        (std::vector<std::string> { "screen1 position NET1 200 ", "screen1 position NET1 190 ",
            "screen1 plan NET1 B738", "screen1 gone NET1" }));
}

} // namespace
