#include "StavoTestSupport.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <limits>
#include <random>

namespace {

using stavotest::Stand;

constexpr double kLat = 47.432, kLon = 19.26; // stand S1
constexpr double kAwayLat = 47.44, kAwayLon = 19.26; // inside the track box, off every stand

class TrackingTest : public stavotest::ScreenTest {
protected:
    TrackingTest()
    {
        display.settings = { { "AIRPORT", "LHBP" }, { "STAND1", Stand("S0", 0, 0, 47.430, kLon) },
            { "STAND2", Stand("S1", 1, 0, kLat, kLon) },
            { "STAND3", Stand("S2", 0, 1, 47.434, kLon) } };
        Load();
    }

    // A tracked aircraft put into `state`, as the commands do.
    CStavoAircraft& Track(const std::string& callsign, AircraftState state)
    {
        Report(callsign, 0, 0, kLat, kLon);
        CStavoAircraft& record = *screen->FindTrackedAircraft(callsign);
        record.m_State = state;
        return record;
    }
};

TEST_F(TrackingTest, FollowsTheStateTableRowByRow)
{
    const struct {
        AircraftState from; // StateNone: not yet tracked
        int groundSpeed;
        bool atStand;
        AircraftState to;
    } rows[] = {
        { StateNone, 0, true, StateAtStand },
        { StateNone, 50, false, StateTaxiOut },
        { StateNone, 51, false, StateInbound },
        { StateAtStand, 4, true, StateAtStand },
        { StateAtStand, 50, false, StateTaxiOut },
        { StateAtStand, 51, false, StateDeparted },
        { StatePushback, 0, true, StatePushback },
        { StatePushback, 10, false, StateTaxiOut },
        { StatePushback, 51, false, StateDeparted },
        { StateTaxiOut, 0, true, StateAtStand },
        { StateTaxiOut, 50, false, StateTaxiOut },
        { StateTaxiOut, 51, false, StateDeparted },
        { StateDeparted, 0, true, StateAtStand },
        { StateDeparted, 10, false, StateDeparted },
        { StateInbound, 0, true, StateOnBlock },
        { StateInbound, 49, false, StateTaxiIn },
        { StateInbound, 50, false, StateInbound },
        { StateTaxiIn, 0, true, StateOnBlock },
        { StateTaxiIn, 50, false, StateTaxiIn },
        { StateTaxiIn, 51, false, StateInbound },
        { StateOnBlock, 0, true, StateOnBlock },
        { StateOnBlock, 10, false, StateTaxiIn },
        { StateOnBlock, 51, false, StateInbound },
    };
    for (const auto& row : rows) {
        screen->m_TrackedAircraft.clear();
        if (row.from != StateNone)
            Track("ABC1", row.from);
        clock.Advance(10);
        Report("abc1", row.groundSpeed, 0, row.atStand ? kLat : kAwayLat,
            row.atStand ? kLon : kAwayLon, "lhbp");
        ASSERT_EQ(screen->m_TrackedAircraft.size(), 1u);
        const CStavoAircraft& a = screen->m_TrackedAircraft.front();
        const std::string label
            = std::to_string(row.from) + " at " + std::to_string(row.groundSpeed);
        EXPECT_EQ(a.m_State, row.to) << label;
        EXPECT_EQ(a.m_Stand, row.atStand ? 1 : -1) << label;
        EXPECT_EQ(a.m_StateTime == clock.Now(), row.from == StateNone || row.from != row.to)
            << label;
        EXPECT_EQ(a.m_Callsign, row.from == StateNone ? "abc1" : "ABC1") << label;
    }
}

TEST_F(TrackingTest, StandsOnlyBelow800FeetAnd5KnotsWithin005)
{
    Report("A", 4, 799, kLat, kLon);
    EXPECT_EQ(screen->m_TrackedAircraft.front().m_Stand, 1);
    Report("A", 5, 0, kLat, kLon);
    EXPECT_EQ(screen->m_TrackedAircraft.front().m_Stand, -1);
    Report("A", -3, 800, kLat, kLon);
    EXPECT_EQ(screen->m_TrackedAircraft.front().m_Stand, -1);

    // A position exactly 0.05 from a stand is at it, the next one north is not. Near the
    // equator the coordinates are fine enough to give the host's distance exactly 0.05.
    CStavoStand& s0 = screen->m_Stands[0];
    s0.m_Position[0] = VeltrixPlugIn::CPosition();
    VeltrixPlugIn::CPosition in, out;
    for (int k = 1; k < 100 && in.DistanceTo(s0.m_Position[0]) != 0.05; ++k) {
        in.m_Longitude = out.m_Longitude = k * 1e-7;
        in.m_Latitude = 0.0;
        out.m_Latitude = 0.1 / 60;
        while (std::nextafter(in.m_Latitude, 1.0) < out.m_Latitude) {
            VeltrixPlugIn::CPosition mid = in;
            mid.m_Latitude += (out.m_Latitude - in.m_Latitude) / 2;
            (mid.DistanceTo(s0.m_Position[0]) <= 0.05 ? in : out) = mid;
        }
    }
    ASSERT_EQ(in.DistanceTo(s0.m_Position[0]), 0.05);
    EXPECT_EQ(screen->FindNearestStand(in), 0);
    EXPECT_EQ(screen->FindNearestStand(out), -1);
}

TEST_F(TrackingTest, TiesGoToTheLowerStandAndSecondPositionsCount)
{
    screen->m_Stands[2].m_Position[0] = screen->m_Stands[1].m_Position[0];
    screen->m_Stands[0].m_Position[1] = screen->m_Stands[1].m_Position[0];
    screen->m_Stands[0].m_PositionValid[1] = true;
    Report("A", 0, 0, kLat, kLon);
    EXPECT_EQ(screen->m_TrackedAircraft.front().m_Stand, 0);
}

// The latitude pre-test must never change the stand found, near the poles and across the
// antimeridian included: a full search by the distance alone is the reference.
TEST_F(TrackingTest, LatitudePreTestNeverChangesTheStandFound)
{
    auto reference = [this](const VeltrixPlugIn::CPosition& p) {
        double best = 100.0;
        int result = -1;
        for (std::size_t i = 0; i < screen->m_Stands.size(); ++i) {
            for (int e = 0; e < 2; ++e) {
                const CStavoStand& stand = screen->m_Stands[i];
                const double d = stand.m_PositionValid[e]
                    ? p.DistanceTo(stand.m_Position[e])
                    : std::numeric_limits<double>::quiet_NaN();
                if (d <= 0.05 && d < best) {
                    best = d;
                    result = static_cast<int>(i);
                }
            }
        }
        return result;
    };
    std::mt19937 random(14);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    const double radiusDegrees = 0.05 / 60.0; // about the stand radius in degrees of latitude
    const struct {
        double m_Latitude, m_Longitude;
    } centres[] = { { 47.43, 19.26 }, { 89.9995, 10.0 }, { -89.9999, -45.0 }, { 0.0, 179.9995 },
        { 12.0, -179.9998 }, { 90.0, 0.0 } };
    screen->m_Stands.resize(40);
    int found = 0;
    for (int round = 0; round < 200; ++round) {
        const auto& centre = centres[round % std::size(centres)];
        auto near = [&](double spread) {
            VeltrixPlugIn::CPosition p;
            p.m_Latitude = std::clamp(centre.m_Latitude + spread * unit(random), -90.0, 90.0);
            p.m_Longitude = centre.m_Longitude + spread * unit(random);
            if (p.m_Longitude > 180.0)
                p.m_Longitude -= 360.0;
            if (p.m_Longitude < -180.0)
                p.m_Longitude += 360.0;
            return p;
        };
        for (CStavoStand& stand : screen->m_Stands) {
            for (int e = 0; e < 2; ++e) {
                stand.m_PositionValid[e] = unit(random) > -0.5;
                stand.m_Position[e] = near(4 * radiusDegrees);
            }
        }
        for (int report = 0; report < 100; ++report) {
            // Mostly at the edge of the band, where a pre-test too tight would show.
            VeltrixPlugIn::CPosition p = near(report % 4 == 0 ? 0.5 : 5 * radiusDegrees);
            if (report % 10 == 0)
                p.m_Latitude += 2.0 * unit(random); // beyond the poles too
            if (report % 10 == 5) {
                // A stand seen from beyond the pole, the other side of the earth: the formula
                // puts it near.
                const CStavoStand& stand = screen->m_Stands[report % 40];
                p.m_Latitude = 180.0 - stand.m_Position[0].m_Latitude;
                p.m_Longitude = stand.m_Position[0].m_Longitude + 180.0;
            }
            const int expected = reference(p);
            found += expected >= 0 ? 1 : 0;
            ASSERT_EQ(screen->FindNearestStand(p), expected)
                << round << ' ' << p.m_Latitude << ' ' << p.m_Longitude;
        }
    }
    EXPECT_GT(found, 2000); // the positions do reach stands
}

TEST_F(TrackingTest, ConsumesOneAllocationPerReportAnyAircraftMarkFirst)
{
    screen->AllocateArrival("S1", "abc1");
    screen->AllocateArrival("S1", "OTHER");
    screen->AllocateDeparture("S1", "*");
    Report("ABC1", 60, 3000, kAwayLat, kAwayLon, "LHBP");
    EXPECT_EQ(Allocations("S1").size(), 3u); // not at a stand: nothing consumed
    EXPECT_FALSE(screen->m_TrackedAircraft.front().m_Allocated);

    Report("ABC1", 0, 0, kLat, kLon);
    EXPECT_EQ(Allocations("S1"), (std::vector<std::string> { "arr ABC1", "arr OTHER" }));
    EXPECT_TRUE(screen->m_TrackedAircraft.front().m_Allocated);
    Report("ABC1", 0, 0, kLat, kLon);
    EXPECT_EQ(Allocations("S1"), (std::vector<std::string> { "arr OTHER" }));
    Report("ABC1", 0, 0, kLat, kLon);
    EXPECT_EQ(Allocations("S1"), (std::vector<std::string> { "arr OTHER" }));
    EXPECT_EQ(screen->m_TrackedAircraft.front().m_State, StateOnBlock);
}

TEST_F(TrackingTest, KeepsTheListOrderedByDistanceLatestBehindEqualOnes)
{
    Report("A", 0, 0, kAwayLat, kAwayLon, "", 5.0);
    Report("B", 0, 0, kAwayLat, kAwayLon, "", 3.0);
    Report("C", 0, 0, kAwayLat, kAwayLon, "", 5.0);
    Report("N", 0, 0, kAwayLat, kAwayLon, "", std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(TrackedCallsigns(), (std::vector<std::string> { "B", "A", "C", "N" }));

    const TrackedNode a = screen->FindTrackedAircraft("A");
    Report("A", 0, 0, kAwayLat, kAwayLon, "", 5.0);
    Report("D", 0, 0, kAwayLat, kAwayLon, "", 4.0);
    EXPECT_EQ(TrackedCallsigns(), (std::vector<std::string> { "B", "D", "C", "A", "N" }));
    EXPECT_EQ(a->m_Callsign, "A"); // node handles survive re-insertion
}

TEST_F(TrackingTest, DropsAircraftAboveTheCeilingOrOutsideTheBox)
{
    const CStavoBox box = screen->m_TrackBox;
    Report("HIGH", 300, 10000, box.maxFirst, box.minSecond, "LHBP");
    EXPECT_EQ(screen->m_TrackedAircraft.size(), 1u);

    // A refresh has listed the aircraft; dropping it drops those handles too.
    const TrackedNode node = screen->m_TrackedAircraft.begin();
    screen->m_Stands[1].m_StandingAircraft.push_back(node);
    screen->m_Finals.push_back(CStavoFinalPositions { 0, 0, node, -1 });
    Report("high", 300, 10001, kLat, kLon, "LHBP");
    EXPECT_TRUE(screen->m_TrackedAircraft.empty());
    EXPECT_TRUE(screen->m_Stands[1].m_StandingAircraft.empty());
    EXPECT_TRUE(screen->m_Finals.empty());

    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const auto& [lat, lon] :
        { std::pair { box.maxFirst + 1e-9, kLon }, std::pair { kLat, box.minSecond - 1e-9 },
            std::pair { nan, kLon }, std::pair { kLat, nan }, std::pair { 1e308, -1e308 } }) {
        Report("OUT", 0, 0, lat, lon);
        EXPECT_TRUE(screen->m_TrackedAircraft.empty()) << lat << ' ' << lon;
    }
    Report("", 0, 0, kLat, kLon); // without a callsign
    EXPECT_TRUE(screen->m_TrackedAircraft.empty());
}

TEST_F(TrackingTest, FastAircraftAreTrackedOnlyWhenBoundForTheAirport)
{
    Report("ELSEWHERE", 51, 3000, kAwayLat, kAwayLon, "LHBS");
    screen->m_Airport.clear(); // even against an empty airport name, no plan is no arrival
    Report("NOPLAN", 200, 3000, kAwayLat, kAwayLon, "");
    EXPECT_TRUE(screen->m_TrackedAircraft.empty());

    // Slow enough, it is picked up on the departure side whatever its destination.
    Report("ELSEWHERE", 50, 0, kAwayLat, kAwayLon, "LHBS");
    ASSERT_EQ(screen->m_TrackedAircraft.size(), 1u);
    EXPECT_EQ(screen->m_TrackedAircraft.front().m_State, StateTaxiOut);
}

TEST_F(TrackingTest, ReturningAircraftStartAsNewRecords)
{
    CStavoAircraft& first = Track("RET", StateDeparted);
    first.m_Allocated = true;
    Report("RET", 300, 12000, kAwayLat, kAwayLon);
    clock.Advance(600);
    Report("RET", 20, 0, kAwayLat, kAwayLon);
    const CStavoAircraft& again = screen->m_TrackedAircraft.front();
    EXPECT_EQ(again.m_State, StateTaxiOut);
    EXPECT_EQ(again.m_StateTime, clock.Now());
    EXPECT_FALSE(again.m_Allocated);
}

TEST(TrackingBeforeSettingsTest, TracksNothingWithoutStands)
{
    stavotest::FakeDisplay display;
    display.settings = { { "AIRPORT", "" } };
    std::unique_ptr<CStavoScreen, stavotest::CloseScreen> screen(new CStavoScreen);
    VeltrixPlugIn::CHostAccess::AttachToHost(*screen, &display, nullptr);
    auto data = std::make_shared<VeltrixPlugIn::HostAircraft>();
    data->callsign = "ZERO";
    for (int load = 0; load < 2; ++load) {
        screen->OnAircraftPositionUpdate(
            VeltrixPlugIn::CHostAccess::MakeAircraft(data)); // at exactly 0, 0
        EXPECT_TRUE(screen->m_TrackedAircraft.empty());
        platform::SetMessageBoxHandler([](std::string_view) {});
        screen->OnDisplaySettingsLoaded(true);
        platform::SetMessageBoxHandler({});
    }
}

} // namespace
