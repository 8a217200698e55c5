// CPosition of the host interface library: the coordinate texts it accepts and its distances.
#include "veltrix/VeltrixPlugIn.h"

#include <gtest/gtest.h>

#include <numbers>

namespace {

using VeltrixPlugIn::CPosition;

CPosition At(double latitude, double longitude)
{
    CPosition position;
    position.m_Latitude = latitude;
    position.m_Longitude = longitude;
    return position;
}

class PositionTest : public testing::Test { };

TEST_F(PositionTest, LoadsDecimalAndSectorFormsLongitudeFirst)
{
    struct Case {
        const char* longitude;
        const char* latitude;
        double expectedLongitude;
        double expectedLatitude;
    };
    const Case cases[] = {
        { "19.2611", "47.4369", 19.2611, 47.4369 }, { "-0.4543", "51.47", -0.4543, 51.47 },
        { "+8", "-33.5", 8.0, -33.5 },
        { "E019.15.40.000", "N047.26.10.000", 19.0 + 15 / 60.0 + 40 / 3600.0,
            47.0 + 26 / 60.0 + 10 / 3600.0 },
        { "W000.27.15.480", "S033.56.46.5", -(27 / 60.0 + 15.48 / 3600.0),
            -(33.0 + 56 / 60.0 + 46.5 / 3600.0) },
        { "e019.15.40", "n047.26.10", 19.0 + 15 / 60.0 + 40 / 3600.0,
            47.0 + 26 / 60.0 + 10 / 3600.0 },
        { "E019.15.40.000", "47.5", 19.0 + 15 / 60.0 + 40 / 3600.0, 47.5 }, // forms may be mixed
    };
    for (const Case& c : cases) {
        CPosition position;
        ASSERT_TRUE(position.LoadFromStrings(c.longitude, c.latitude))
            << c.longitude << " " << c.latitude;
        EXPECT_NEAR(position.m_Longitude, c.expectedLongitude, 1e-9) << c.longitude;
        EXPECT_NEAR(position.m_Latitude, c.expectedLatitude, 1e-9) << c.latitude;
    }
}

TEST_F(PositionTest, RejectsAnythingElseAndKeepsThePosition)
{
    const char* const badLongitudes[] = {
        "",
        " 19.2",
        "19.2 ",
        "19,2611",
        "1e1",
        "0x10",
        "inf",
        "nan",
        ".",
        "-",
        "19.2.3",
        "N019.15.40.000", // a latitude hemisphere for the longitude
        "E019.60.00.000",
        "E019.15.60.000",
        "E019.15",
        "E019..40.000",
        "E019.15.40.",
        "E-19.15.40",
        "181",
        "E181.00.00.000",
        nullptr,
    };
    for (const char* longitude : badLongitudes) {
        CPosition position = At(1.0, 2.0);
        EXPECT_FALSE(position.LoadFromStrings(longitude, "47.0"))
            << (longitude != nullptr ? longitude : "(null)");
        EXPECT_EQ(position.m_Latitude, 1.0);
        EXPECT_EQ(position.m_Longitude, 2.0);
    }
    CPosition position = At(1.0, 2.0);
    EXPECT_FALSE(position.LoadFromStrings("19.0", "90.5"));
    EXPECT_FALSE(position.LoadFromStrings("19.0", "E047.00.00.000"));
    EXPECT_FALSE(position.LoadFromStrings("19.0", nullptr));
    EXPECT_EQ(position.m_Latitude, 1.0);
    EXPECT_TRUE(position.LoadFromStrings("-180", "-90"));
}

TEST_F(PositionTest, DistanceIsGreatCircleInNauticalMiles)
{
    // One minute of arc of a great circle is close to a nautical mile.
    EXPECT_NEAR(At(47.0, 19.0).DistanceTo(At(48.0, 19.0)), 60.04, 0.01);
    EXPECT_NEAR(At(0.0, 0.0).DistanceTo(At(0.0, 1.0)), 60.04, 0.01);
    // Along a parallel, a degree of longitude shrinks with the cosine of the latitude.
    EXPECT_NEAR(At(60.0, 10.0).DistanceTo(At(60.0, 11.0)), 30.02, 0.01);
    // Los Angeles to New York Kennedy, about 2144 NM.
    const CPosition lax = At(33.0 + 57 / 60.0, -(118.0 + 24 / 60.0));
    const CPosition jfk = At(40.0 + 38 / 60.0, -(73.0 + 47 / 60.0));
    EXPECT_NEAR(lax.DistanceTo(jfk), 2145.0, 3.0);
    EXPECT_DOUBLE_EQ(lax.DistanceTo(jfk), jfk.DistanceTo(lax));
    // Budapest to London Heathrow, about 1490 km.
    EXPECT_NEAR(At(47.4369, 19.2556).DistanceTo(At(51.4706, -0.4619)), 1490.0 / 1.852, 5.0);
    // Antipodes: half the circumference; the same point: nothing.
    EXPECT_NEAR(At(10.0, 20.0).DistanceTo(At(-10.0, -160.0)), std::numbers::pi * 3440.07, 0.1);
    EXPECT_EQ(At(47.4, 19.2).DistanceTo(At(47.4, 19.2)), 0.0);
}

TEST_F(PositionTest, SmallDistancesAtAnAirportAreResolved)
{
    // 0.05 NM (about 93 m) is the scale stands are told apart by.
    const CPosition stand = At(47.4336, 19.2489);
    const double oneHundredMetresOfLatitude = 100.0 / 111'195.0;
    EXPECT_NEAR(
        stand.DistanceTo(At(47.4336 + oneHundredMetresOfLatitude, 19.2489)), 100.0 / 1852.0, 1e-4);
}

} // namespace
