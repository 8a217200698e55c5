// The traffic model's listeners: what they are told of a feed and a purge, and in which order.
#include "proxy/traffic/TrafficModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t kNow = 1'700'000'000;

class CEventRecorder final : public CTrafficListener {
public:
    void OnAircraftAdded(const CTrackedAircraft& a) override
    {
        events.push_back("added " + a.hexId + " " + std::to_string(a.arrivalIndex));
    }
    void OnAircraftChanged(
        const CTrackedAircraft& a, AircraftField field, std::string_view text) override
    {
        events.push_back("changed " + a.hexId + " " + std::to_string(static_cast<int>(field)) + " "
            + std::string(text));
    }
    void OnCallsignKnown(const CTrackedAircraft& a, std::string_view oldName) override
    {
        events.push_back("callsign " + a.callsign + " was " + std::string(oldName));
    }
    void OnAircraftRemoved(std::span<const std::int32_t> indexes) override
    {
        std::string text = "removed";
        for (const std::int32_t i : indexes)
            text += " " + std::to_string(i);
        events.push_back(text);
    }
    std::vector<std::string> events;
};

bool Feed(CTrafficModel& model, std::string line, std::int64_t now)
{
    return model.HandleFeedLine(line.data(), line.size(), now);
}

std::string Line(const std::string& hexId, const std::string& callsign, const std::string& altitude,
    const std::string& position)
{
    return "MSG,3,1,1," + hexId + ",1,2010/02/19,x,2010/02/19,x," + callsign + "," + altitude
        + ",,," + position + ",,,,,,\n";
}

TEST(TrafficModelTest, ListenersHearWhatChangedWithTheFeedsOwnTexts)
{
    CTrafficModel model;
    CEventRecorder recorder;
    model.AddListener(recorder);
    CIcaoDataElement row;
    row.key = "4CA2D6";
    row.column[0] = "EI-ABC";
    model.m_icao24Table.InsertSorted(row);

    ASSERT_TRUE(Feed(model, Line("4CA2D6", "", "036000", "52.5,13.5"), kNow));
    ASSERT_TRUE(Feed(model, Line("4CA2D6", "RYR1234", "", ","), kNow)); // the same second
    ASSERT_TRUE(Feed(model, Line("471F03", "", "", ","), kNow + 1));
    EXPECT_FALSE(Feed(model, "not a feed line\n", kNow + 1));

    const std::vector<std::string> expected {
        "added 4CA2D6 0",
        "changed 4CA2D6 0 ", // last received
        "changed 4CA2D6 5 036000", // the altitude as received
        "changed 4CA2D6 2 ", // the position
        "changed 4CA2D6 1 ", // its time
        "callsign RYR1234 was EI-ABC", // the registration was its name
        "added 471F03 1",
        "changed 471F03 0 ",
    };
    EXPECT_EQ(recorder.events, expected);
    EXPECT_TRUE(model.Reference().IsSet());
    EXPECT_EQ(model.Reference().dRefLat, 52.5);

    // A purge tells the places it emptied as they were; the survivors move up.
    recorder.events.clear();
    ASSERT_TRUE(Feed(model, Line("3C6586", "", "", ","), kNow + 200));
    model.PurgeStaleAircraft(kNow + kStaleAircraftSeconds + 1);
    EXPECT_EQ(recorder.events.back(), "removed 0 1");
    EXPECT_EQ(model.m_aircraftMap.Find("3C6586")->arrivalIndex, 0);

    model.RemoveListener(recorder);
    recorder.events.clear();
    Feed(model, Line("3C6587", "", "", ","), kNow + 200);
    EXPECT_TRUE(recorder.events.empty());
}

// Every reported position the rules do not take is counted by its reason; empty fields are no
// report. The aircraft knows it had one ignored.
TEST(TrafficModelTest, IgnoredPositionsAreCountedByReason)
{
    CTrafficModel model;
    const auto reasons = [&] {
        const CIgnoredPositions& ignored = model.m_ignoredPositions;
        return std::vector<std::int64_t> { ignored.Count(PositionVerdict::NorthEast),
            ignored.Count(PositionVerdict::Range), ignored.Count(PositionVerdict::Invalid) };
    };
    Feed(model, Line("400001", "", "", "47.4,19.2"), kNow); // taken
    Feed(model, Line("400002", "", "", "51.4,-0.45"), kNow); // west of 10 E
    Feed(model, Line("400002", "", "", "-33.9,151.2"), kNow); // south of 10 N
    Feed(model, Line("400003", "", "", "0,0"), kNow);
    Feed(model, Line("400003", "", "", "91,19.2"), kNow);
    Feed(model, Line("400003", "", "", "nan,19.2"), kNow);
    Feed(model, Line("400004", "", "", ","), kNow);
    Feed(model, Line("400004", "", "", "47.4,"), kNow);
    EXPECT_EQ(reasons(), (std::vector<std::int64_t> { 2, 0, 3 }));
    EXPECT_EQ(model.m_ignoredPositions.Total(), 5);
    EXPECT_FALSE(model.m_aircraftMap.Find("400001")->positionIgnored);
    EXPECT_TRUE(model.m_aircraftMap.Find("400002")->positionIgnored);
    EXPECT_FALSE(model.m_aircraftMap.Find("400002")->position.valid);
    EXPECT_FALSE(model.m_aircraftMap.Find("400004")->positionIgnored);

    // Anywhere, with a receiver's range: far is out of range, 0,0 still invalid.
    model.m_positionRules = { true, true, -33.9, 151.2, 100.0 };
    Feed(model, Line("400005", "", "", "-33.5,151.0"), kNow);
    Feed(model, Line("400005", "", "", "51.4,-0.45"), kNow);
    Feed(model, Line("400005", "", "", "0,0"), kNow);
    EXPECT_EQ(reasons(), (std::vector<std::int64_t> { 2, 1, 4 }));
    EXPECT_TRUE(model.m_aircraftMap.Find("400005")->position.valid);
}

// With trimming on, a receiver's padded callsign is the callsign before anything uses it: the
// length check, the flight plan lookup and what listeners are told.
TEST(TrafficModelTest, TrimmedCallsignsAreLookedUpAndCheckedWithoutTheirPadding)
{
    CTrafficModel model;
    model.m_bTrimCallsigns = true;
    CEventRecorder recorder;
    model.AddListener(recorder);
    CIcaoDataElement plan;
    plan.key = "DLH4KJ";
    plan.column[0] = "A320";
    plan.column[2] = "EDDF";
    model.m_flightplansTable.InsertSorted(plan);

    Feed(model, Line("3C6586", "DLH4KJ  ", "", ","), kNow);
    const CTrackedAircraft& padded = *model.m_aircraftMap.Find("3C6586");
    EXPECT_EQ(padded.callsign, "DLH4KJ");
    EXPECT_EQ(padded.aircraftType, "A320");
    EXPECT_EQ(padded.departure, "EDDF");
    EXPECT_NE(
        std::find(recorder.events.begin(), recorder.events.end(), "callsign DLH4KJ was 3C6586"),
        recorder.events.end());

    // Three characters and blanks are too short; the blank inside a callsign stays.
    Feed(model, Line("3C6587", "DLH     ", "", ","), kNow);
    EXPECT_EQ(model.m_aircraftMap.Find("3C6587")->callsign, "");
    Feed(model, Line("3C6587", "D LH4   ", "", ","), kNow);
    EXPECT_EQ(model.m_aircraftMap.Find("3C6587")->callsign, "D LH4");
    model.RemoveListener(recorder);
}

} // namespace
