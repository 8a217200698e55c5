// The traffic registry behind AircraftSelect.
#include "host/Traffic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using host::CTrafficRegistry;
using host::PositionReport;
using host::TrafficSource;

PositionReport Report(const std::string& callsign, double latitude, double longitude, int speed = 0,
    int altitude = 400)
{
    PositionReport report;
    report.callsign = callsign;
    report.position.m_Latitude = latitude;
    report.position.m_Longitude = longitude;
    report.groundSpeed = speed;
    report.pressureAltitude = altitude;
    return report;
}

class TrafficRegistryTest : public testing::Test {
protected:
    TrafficRegistryTest()
    {
        VeltrixPlugIn::CPosition lhbp;
        lhbp.m_Latitude = 47.4369;
        lhbp.m_Longitude = 19.2556;
        m_Airports.Add("LHBP", lhbp);
    }

    host::CAirportTable m_Airports;
    std::vector<std::string> m_Warnings;
    CTrafficRegistry m_Registry { m_Airports,
        [this](const std::string& w) { m_Warnings.push_back(w); } };
};

TEST_F(TrafficRegistryTest, SelectsIgnoringCaseAndHandlesKeepTheirMoment)
{
    const auto first = m_Registry.ReportPosition(
        Report("Wzz123", 47.0, 19.0, 140, 3000), TrafficSource::Script, 100);
    EXPECT_TRUE(first.isNew);
    const VeltrixPlugIn::CAircraft selected = m_Registry.AircraftSelect("WZZ123");
    ASSERT_TRUE(selected.IsValid());
    EXPECT_STREQ(selected.GetCallsign(), "Wzz123");
    EXPECT_EQ(selected.GetGS(), 140);
    EXPECT_EQ(selected.GetPosition().GetPressureAltitude(), 3000);
    EXPECT_FALSE(selected.GetFlightPlan().IsReceived());

    const auto second = m_Registry.ReportPosition(
        Report("WZZ123", 47.1, 19.1, 120, 2000), TrafficSource::Script, 101);
    EXPECT_FALSE(second.isNew);
    EXPECT_EQ(m_Registry.Count(), 1u);
    EXPECT_EQ(selected.GetGS(), 140); // the earlier handle is a snapshot
    EXPECT_EQ(m_Registry.AircraftSelect("wzz123").GetGS(), 120);
    EXPECT_FALSE(m_Registry.AircraftSelect("WZZ12").IsValid());
    EXPECT_FALSE(m_Registry.AircraftSelect(nullptr).IsValid());
}

TEST_F(TrafficRegistryTest, FlightPlanGivesTypeDestinationAndDistance)
{
    EXPECT_FALSE(m_Registry.ReportFlightPlan("RYR1", "LHBP", "B738").IsValid());
    m_Registry.ReportPosition(
        Report("RYR1", 48.4369, 19.2556, 250, 9000), TrafficSource::Network, 0);
    EXPECT_EQ(m_Registry.AircraftSelect("RYR1").GetDistanceToDestination(), 0.0);
    const VeltrixPlugIn::CAircraft planned = m_Registry.ReportFlightPlan("ryr1", "lhbp", "B738");
    ASSERT_TRUE(planned.IsValid());
    EXPECT_TRUE(planned.GetFlightPlan().IsReceived());
    EXPECT_STREQ(planned.GetFlightPlan().GetAircraftFPType(), "B738");
    EXPECT_STREQ(planned.GetFlightPlan().GetDestination(), "lhbp");
    EXPECT_NEAR(planned.GetDistanceToDestination(), 60.04, 0.01); // one degree north of LHBP
    // The next position keeps the plan and recomputes the distance.
    m_Registry.ReportPosition(
        Report("RYR1", 47.9369, 19.2556, 200, 6000), TrafficSource::Network, 5);
    const VeltrixPlugIn::CAircraft moved = m_Registry.AircraftSelect("RYR1");
    EXPECT_TRUE(moved.GetFlightPlan().IsReceived());
    EXPECT_NEAR(moved.GetDistanceToDestination(), 30.02, 0.01);
    EXPECT_TRUE(m_Warnings.empty());
}

TEST_F(TrafficRegistryTest, UnknownDestinationCountsAsZeroAndIsToldOnce)
{
    m_Registry.ReportPosition(Report("DLH1", 47.0, 19.0), TrafficSource::Script, 0);
    m_Registry.ReportFlightPlan("DLH1", "EDDM", "A320");
    m_Registry.ReportPosition(Report("DLH1", 47.1, 19.0), TrafficSource::Script, 1);
    EXPECT_EQ(m_Registry.AircraftSelect("DLH1").GetDistanceToDestination(), 0.0);
    ASSERT_EQ(m_Warnings.size(), 1u);
    EXPECT_NE(m_Warnings[0].find("EDDM"), std::string::npos);
}

TEST_F(TrafficRegistryTest, ForgetsSilentNetworkAircraftAfterSixtySeconds)
{
    m_Registry.ReportPosition(Report("NET1", 47.0, 19.0), TrafficSource::Network, 1000);
    m_Registry.ReportPosition(Report("NET2", 47.0, 19.0), TrafficSource::Network, 1030);
    m_Registry.ReportPosition(Report("SCRIPT1", 47.0, 19.0), TrafficSource::Script, 0);
    EXPECT_TRUE(m_Registry.ForgetSilent(1060, 60).empty()); // exactly 60 s: still known
    const auto gone = m_Registry.ForgetSilent(1061, 60);
    ASSERT_EQ(gone.size(), 1u);
    EXPECT_STREQ(gone[0].GetCallsign(), "NET1");
    EXPECT_FALSE(m_Registry.AircraftSelect("NET1").IsValid());
    EXPECT_TRUE(m_Registry.AircraftSelect("NET2").IsValid());
    EXPECT_TRUE(m_Registry.AircraftSelect("SCRIPT1").IsValid()); // scripts forget explicitly

    const VeltrixPlugIn::CAircraft last = m_Registry.Forget("net2");
    EXPECT_STREQ(last.GetCallsign(), "NET2");
    EXPECT_FALSE(m_Registry.Forget("NET2").IsValid());
    EXPECT_EQ(m_Registry.Count(), 1u);
}

} // namespace
