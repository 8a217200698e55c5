#include "proxy/fsd/FsdPackets.h"

#include "proxy/traffic/TrafficModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

constexpr std::int64_t kNow = 1'700'000'000;

class FsdPacketsTest : public testing::Test {
protected:
    CReferencePoint m_reference;

    // An aircraft whose last position is `age` seconds old at kNow.
    static CTrackedAircraft Aircraft(std::int64_t age)
    {
        CTrackedAircraft aircraft;
        aircraft.hexId = "3C6586";
        aircraft.callsign = "ABC123";
        aircraft.squawk = "1234";
        aircraft.position = { 13.25, 52.5, true };
        aircraft.lastPositionTime = kNow - age;
        aircraft.altitude = 35000;
        aircraft.groundSpeed = 450;
        aircraft.track = 90;
        return aircraft;
    }
};

TEST_F(FsdPacketsTest, PositionPacketOfARecentPosition)
{
    EXPECT_EQ(ComposePilotPosition(Aircraft(3), kNow, m_reference),
        "@Y:ABC123:1234:1:52.50000:13.25000:35000:450:1036:0\r\n");

    CTrackedAircraft negative = Aircraft(0);
    negative.position = { -0.000004, -12.345678, true };
    negative.altitude = -150;
    negative.groundSpeed = 0;
    negative.track = 0;
    negative.squawk.clear();
    EXPECT_EQ(ComposePilotPosition(negative, kNow, m_reference),
        "@Y:ABC123::1:-12.34568:-0.00000:-150:0:0:0\r\n");
}

TEST_F(FsdPacketsTest, AttitudeWordUsesTheFactorWithoutWrapping)
{
    const struct {
        int track;
        int word;
    } cases[] = { { 0, 0 }, { 90, 1036 }, { 180, 2072 }, { 355, 4088 }, { 356, 4100 },
        { 359, 4136 }, { 360, 4148 }, { -10, -112 } };
    for (const auto& c : cases)
        EXPECT_EQ(AttitudeWord(c.track), c.word) << "track " << c.track;
}

TEST_F(FsdPacketsTest, AgeDecidesModeDeadReckoningAndCut)
{
    m_reference.SetOnce(13.0, 52.5);
    const struct {
        std::int64_t age;
        const char* packet; // nullptr: not sent
    } cases[] = {
        { 0, "@Y:ABC123:1234:1:52.50000:13.25000:35000:450:1036:0\r\n" },
        { 4, "@Y:ABC123:1234:1:52.50000:13.25000:35000:450:1036:0\r\n" },
        { 5, "@N:ABC123:1234:1:52.50000:13.25000:35000:450:1036:0\r\n" },
        { 15, "@N:ABC123:1234:1:52.50000:13.25000:35000:450:1036:0\r\n" },
        { 16, "@N:ABC123:1234:1:52.50000:13.29380:35000:450:1036:0\r\n" },
        { 180, "@N:ABC123:1234:1:52.50000:13.74280:35000:450:1036:0\r\n" },
        { 181, nullptr },
        { -30, "@Y:ABC123:1234:1:52.50000:13.25000:35000:450:1036:0\r\n" }, // clock set back
        { 100'000, nullptr },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.age);
        EXPECT_EQ(
            ComposePilotPosition(Aircraft(c.age), kNow, m_reference), c.packet ? c.packet : "");
    }

    CTrackedAircraft unheard = Aircraft(0);
    unheard.lastPositionTime = 0;
    EXPECT_EQ(ComposePilotPosition(unheard, kNow, m_reference), "");
}

TEST_F(FsdPacketsTest, DeadReckoningProjectsAroundTheReferencePoint)
{
    m_reference.SetOnce(13.0, 52.5);
    EXPECT_NEAR(m_reference.dLonScale, 36.5257, 0.0001);
    CTrackedAircraft aircraft = Aircraft(20);
    aircraft.position = { 13.0, 52.5, true };
    EXPECT_EQ(ComposePilotPosition(aircraft, kNow, m_reference),
        "@N:ABC123:1234:1:52.50000:13.05476:35000:450:1036:0\r\n");

    // North, 20 s at 450 kt: 2 NM, 2/60 degree of latitude; the scale of the reference latitude
    // is used for longitude wherever the aircraft is.
    const AircraftPosition north = DeadReckon({ 20.0, 40.0, true }, 450, 0, 20, m_reference);
    EXPECT_NEAR(north.latitude, 40.0 + 2.0 / 60.0, 1e-9);
    EXPECT_NEAR(north.longitude, 20.0, 1e-9);
    const AircraftPosition west = DeadReckon({ 20.0, 40.0, true }, 450, 270, 20, m_reference);
    EXPECT_NEAR(west.longitude, 20.0 - 2.0 / m_reference.dLonScale, 1e-9);
    EXPECT_NEAR(west.latitude, 40.0, 1e-9);
}

// Whole-degree tracks come from a table: every track, in range or garbled, must still move the
// aircraft by the library's own sine and cosine of its angle, to the last bit.
TEST_F(FsdPacketsTest, DeadReckoningUsesTheExactSineAndCosineOfEveryTrack)
{
    m_reference.SetOnce(13.0, 52.5);
    const AircraftPosition start { 14.2, 51.7, true };
    const double distance
        = static_cast<double>(450 * 40) * 0.8 / m_reference.dLatScale / m_reference.dLatScale;
    for (std::int32_t track = -400; track < 800; ++track) {
        const double angle = track * 3.141592653589793 / 180.0;
        double x = (start.longitude - m_reference.dRefLon) * m_reference.dLonScale;
        double y = m_reference.dLatScale * (start.latitude - m_reference.dRefLat);
        x += std::sin(angle) * distance;
        y += std::cos(angle) * distance;
        const AircraftPosition moved = DeadReckon(start, 450, track, 40, m_reference);
        ASSERT_EQ(moved.longitude, x / m_reference.dLonScale + m_reference.dRefLon) << track;
        ASSERT_EQ(moved.latitude, y / m_reference.dLatScale + m_reference.dRefLat) << track;
    }
}

TEST_F(FsdPacketsTest, DeadReckonedLongitudesStayOnTheGlobeAtAnyReferenceLatitude)
{
    struct Case {
        double referenceLatitude;
        AircraftPosition position;
        std::int32_t groundSpeed;
        std::int32_t track;
    };
    const Case cases[] = {
        { 90.0, { 20.0, 89.5, true }, 450, 90 }, // the first accepted position at the pole
        { 90.0, { 20.0, 90.0, true }, 450, 270 }, { 89.9999999, { 170.0, 60.0, true }, 600, 90 },
        { 52.5, { 179.99, 60.0, true }, 600, 90 }, // across the antimeridian
        { 52.5, { 20.0, 60.0, true }, 2'000'000'000, 270 }, // a garbled speed
    };
    for (const Case& c : cases) {
        m_reference = {};
        m_reference.SetOnce(20.0, c.referenceLatitude);
        for (const std::int32_t age : { 16, 60, 180 }) {
            const AircraftPosition moved
                = DeadReckon(c.position, c.groundSpeed, c.track, age, m_reference);
            EXPECT_TRUE(std::isfinite(moved.longitude) && std::abs(moved.longitude) <= 180.0)
                << "reference " << c.referenceLatitude << ", age " << age << ": "
                << moved.longitude;
        }
    }

    // At the pole the step east is taken on the aircraft's own latitude: 0.8 of 10 s at 450 kt
    // is 1 NM, and a degree of longitude at 89.045 degrees is about 1 NM.
    m_reference = {};
    m_reference.SetOnce(20.0, 90.0);
    const double scale = std::cos(89.045 / 180.0 * 3.141592653589793) * 60.0;
    const AircraftPosition east = DeadReckon({ 20.0, 89.045, true }, 450, 90, 10, m_reference);
    EXPECT_NEAR(east.longitude, 20.0 + 1.0 / scale, 1e-6);

    // Where the reference's arithmetic gives a longitude on the globe, it is kept as it was.
    m_reference = {};
    m_reference.SetOnce(13.0, 52.5);
    const AircraftPosition west = DeadReckon({ 20.0, 40.0, true }, 450, 270, 20, m_reference);
    EXPECT_DOUBLE_EQ(west.longitude,
        (-2.0 + (20.0 - 13.0) * m_reference.dLonScale) / m_reference.dLonScale + 13.0);
}

TEST_F(FsdPacketsTest, NameIsCallsignElseRegistrationElseHexId)
{
    CTrackedAircraft aircraft = Aircraft(1);
    aircraft.registration = "HA-LWA";
    EXPECT_EQ(AircraftName(aircraft), "ABC123");
    aircraft.callsign.clear();
    EXPECT_EQ(AircraftName(aircraft), "HA-LWA");
    aircraft.registration.clear();
    EXPECT_EQ(AircraftName(aircraft), "3C6586");
    EXPECT_EQ(ComposePilotPosition(aircraft, kNow, m_reference).substr(0, 10), "@Y:3C6586:");
}

TEST_F(FsdPacketsTest, FlightPlanAndServerTexts)
{
    CTrackedAircraft aircraft = Aircraft(1);
    aircraft.registration = "HA-LWA";
    aircraft.aircraftType = "A320";
    aircraft.departure = "LHBP";
    aircraft.destination = "EGLL";
    aircraft.cruiseAltitude = "FL370";
    aircraft.route = "DCT GIGOR UL851 TUPOX";
    EXPECT_EQ(ComposeFlightPlan("abc123", aircraft),
        "$FPabc123:*:I:B/A320/F:450:LHBP:0:0:FL370:EGLL:0:0:0:0::REG/HA-LWA:DCT GIGOR UL851 "
        "TUPOX\r\n");
    EXPECT_EQ(
        ComposeFlightPlan("X", CTrackedAircraft {}), "$FPX:*:I:B//F:450::0:0:::0:0:0:0::REG/:\r\n");

    EXPECT_EQ(ComposeServerText("APP1", kHelloText),
        "#TMserver:APP1:Hello to Quorvex server by Dorvath\r\n");
    EXPECT_EQ(ComposeServerText("", kFeedDisconnectedMessage),
        "#TMserver::Sorry, but SBS data feed is disconnetced\r\n");
}

} // namespace
