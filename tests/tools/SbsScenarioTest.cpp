// The feed simulator's scenario: its stories, its stands against the stand board's sample
// settings, and its lines through the proxy's parser with the sample lookup files.
#include "sim/SbsScenario.h"

#include "platform/Clock.h"
#include "proxy/traffic/FeedTime.h"
#include "proxy/traffic/TrafficModel.h"
#include "support/RecordingControls.h"
#include "veltrix/VeltrixPlugIn.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

namespace {

using sbssim::AircraftState;
using sbssim::CScenario;
using sbssim::CSimFlight;
using sbssim::Role;

constexpr double kStandRadiusNm = 0.05; // how near a stand the stand board finds an aircraft
constexpr std::int64_t kNow = 1'747'215'000; // 2025-05-14, a Wednesday morning

std::string ReadSample(const std::string& name)
{
    std::ifstream file(std::string(QS_SOURCE_DIR) + "/samples/" + name, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

// The first reference position of every STAND entry of the sample settings, by stand name,
// read the way the stand board's host reads positions.
std::map<std::string, VeltrixPlugIn::CPosition> SampleStands()
{
    std::map<std::string, VeltrixPlugIn::CPosition> stands;
    std::istringstream lines(ReadSample("lhbp.asr"));
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("STAND", 0) != 0)
            continue;
        std::vector<std::string> tokens;
        std::istringstream fields(line);
        for (std::string token; std::getline(fields, token, ':');)
            tokens.push_back(token);
        // STANDn:NAME:LABEL:COLUMN:LINE:LATITUDE:LONGITUDE
        VeltrixPlugIn::CPosition position;
        EXPECT_GE(tokens.size(), 7u) << line;
        if (tokens.size() >= 7 && position.LoadFromStrings(tokens[6].c_str(), tokens[5].c_str()))
            stands[tokens[1]] = position;
    }
    return stands;
}

VeltrixPlugIn::CPosition At(sbssim::GeoPoint point)
{
    VeltrixPlugIn::CPosition position;
    position.m_Latitude = point.latitude;
    position.m_Longitude = point.longitude;
    return position;
}

class SbsScenarioTest : public testing::Test {
protected:
    static bool IsParkedAt(const AircraftState& state, const VeltrixPlugIn::CPosition& stand)
    {
        return state.transmitting && state.onGround && state.groundSpeed == 0
            && state.altitude == sbssim::kFieldElevation
            && At(state.position).DistanceTo(stand) <= kStandRadiusNm;
    }

    CScenario m_scenario { {} };
};

TEST_F(SbsScenarioTest, EveryStandItParksAtLiesWhereTheSampleSettingsPutIt)
{
    const auto stands = SampleStands();
    ASSERT_EQ(stands.size(), sbssim::Stands().size());
    for (const sbssim::SimStand& stand : sbssim::Stands()) {
        const auto it = stands.find(std::string(stand.name));
        ASSERT_NE(it, stands.end()) << stand.name;
        EXPECT_LE(At(stand.position).DistanceTo(it->second), kStandRadiusNm) << stand.name;
    }
    // Where the aircraft really stand still, as they report it.
    int parkedAtSomeTime = 0;
    for (const CSimFlight& flight : m_scenario.Flights()) {
        if (flight.GetRole() == Role::Overflight)
            continue;
        const auto& stand = stands.at(std::string(sbssim::Stands()[flight.Stand()].name));
        const double parked = flight.GetRole() == Role::Departure ? 0.0 : flight.StandTime();
        EXPECT_TRUE(IsParkedAt(flight.StateAt(parked), stand)) << flight.Callsign();
        EXPECT_TRUE(IsParkedAt(flight.StateAt(parked + 10.0), stand)) << flight.Callsign();
        ++parkedAtSomeTime;
    }
    EXPECT_EQ(parkedAtSomeTime, 30);
}

TEST_F(SbsScenarioTest, ArrivalsLandTaxiAndStopAtTheirStands)
{
    int arrivals = 0;
    for (const CSimFlight& flight : m_scenario.Flights()) {
        if (flight.GetRole() != Role::Arrival)
            continue;
        ++arrivals;
        EXPECT_LT(flight.StandTime(), CScenario::kFullStorySeconds) << flight.Callsign();
        double t = 0;
        while (!flight.StateAt(t).transmitting && t < flight.StandTime())
            t += 1.0;
        const AircraftState first = flight.StateAt(t);
        EXPECT_FALSE(first.onGround) << flight.Callsign();
        EXPECT_GT(first.altitude, 3000) << flight.Callsign();
        EXPECT_GE(first.groundSpeed, 150) << flight.Callsign();
        bool landed = false;
        int lastAltitude = first.altitude;
        for (; t <= flight.StandTime(); t += 1.0) {
            const AircraftState state = flight.StateAt(t);
            ASSERT_TRUE(state.transmitting) << flight.Callsign() << " " << t;
            EXPECT_LE(state.altitude, lastAltitude) << flight.Callsign() << " " << t;
            EXPECT_GT(state.position.latitude, 10.0);
            EXPECT_GT(state.position.longitude, 10.0);
            lastAltitude = state.altitude;
            landed = landed || (state.onGround && state.groundSpeed > 100);
        }
        EXPECT_TRUE(landed) << flight.Callsign() << " never rolled out on the runway";
        const AircraftState end = flight.StateAt(CScenario::kFullStorySeconds - 1.0);
        EXPECT_EQ(end.groundSpeed, 0);
        EXPECT_EQ(end.altitude, sbssim::kFieldElevation);
        EXPECT_TRUE(end.onGround);
    }
    EXPECT_EQ(arrivals, 14);
}

TEST_F(SbsScenarioTest, DeparturesPushBackTaxiAndTakeOff)
{
    int departures = 0;
    for (const CSimFlight& flight : m_scenario.Flights()) {
        if (flight.GetRole() != Role::Departure)
            continue;
        ++departures;
        const AircraftState pushing = flight.StateAt(flight.StandTime() + 60.0);
        EXPECT_TRUE(pushing.onGround);
        EXPECT_GT(pushing.groundSpeed, 0) << flight.Callsign();
        EXPECT_LT(pushing.groundSpeed, 5) << flight.Callsign();
        EXPECT_GT(sbssim::DistanceNm(flight.StateAt(0).position, pushing.position), 0.0);
        bool taxied = false, airborne = false;
        double t = flight.StandTime();
        for (; flight.StateAt(t).transmitting; t += 1.0) {
            const AircraftState state = flight.StateAt(t);
            taxied
                = taxied || (state.onGround && state.groundSpeed >= 10 && state.groundSpeed <= 30);
            airborne = airborne || (!state.onGround && state.altitude > 3000);
        }
        EXPECT_TRUE(taxied) << flight.Callsign();
        EXPECT_TRUE(airborne) << flight.Callsign();
        EXPECT_LT(t, flight.StandTime() + 1200.0) << flight.Callsign() << " never left";
    }
    EXPECT_EQ(departures, 15);
}

TEST_F(SbsScenarioTest, NoTwoAircraftStandStillOnTheSameStand)
{
    for (double t = 0; t < CScenario::kFullStorySeconds; t += 10.0) {
        std::map<std::size_t, std::string> taken;
        for (const CSimFlight& flight : m_scenario.Flights()) {
            const AircraftState state = flight.StateAt(t);
            if (!state.transmitting || !state.onGround || state.groundSpeed != 0)
                continue;
            // Neighbouring stands lie closer than the stand radius: the nearest one counts.
            std::size_t nearest = 0;
            for (std::size_t s = 1; s < sbssim::Stands().size(); ++s) {
                if (sbssim::DistanceNm(state.position, sbssim::Stands()[s].position)
                    < sbssim::DistanceNm(state.position, sbssim::Stands()[nearest].position))
                    nearest = s;
            }
            if (sbssim::DistanceNm(state.position, sbssim::Stands()[nearest].position) > 0.05)
                continue;
            const auto [it, inserted] = taken.emplace(nearest, flight.Callsign());
            EXPECT_TRUE(inserted) << t << ": " << flight.Callsign() << " and " << it->second
                                  << " on " << sbssim::Stands()[nearest].name;
        }
    }
}

TEST_F(SbsScenarioTest, LinesFeedTheProxyWithTheSampleAircraft)
{
    platform::FakeClock clock(kNow);
    CScratchDirectory scratch;
    for (const char* name : { "icao24.txt", "aircrafts.txt", "flightplans.txt" })
        scratch.Write(name, ReadSample(name));
    CRecordingControls controls;
    CBroadcastRecordingDlg dlg(controls);
    dlg.InsertAircraftListColumns();
    dlg.LoadLookupFiles();

    std::set<std::string> types;
    std::string text;
    // Two minutes at 120 lines a second.
    for (int second = 0; second < 120; ++second) {
        clock.Set(kNow + second);
        text.clear();
        ASSERT_EQ(m_scenario.AppendLines(second, { platform::Time64(), 250 }, 120, text), 120);
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            EXPECT_EQ(line.back(), '\r');
            EXPECT_EQ(std::count(line.begin(), line.end(), ','), 21) << line;
            EXPECT_NE(line.find("," + FormatLocalDate(kNow) + ","), std::string::npos) << line;
            types.insert(line.substr(0, 5));
            dlg.Feed(line + "\n");
        }
    }
    EXPECT_EQ(dlg.m_nLinesReceived, 120 * 120);
    EXPECT_EQ(dlg.m_nLinesAccepted, dlg.m_nLinesReceived);
    EXPECT_EQ(types,
        (std::set<std::string> {
            "MSG,1", "MSG,2", "MSG,3", "MSG,4", "MSG,5", "MSG,6", "MSG,7", "MSG,8" }));
    for (const CSimFlight& flight : m_scenario.Flights()) {
        const CTrackedAircraft* aircraft = dlg.Aircraft(flight.HexId());
        if (flight.GetRole() == Role::Arrival && flight.StateAt(119).transmitting == false)
            continue; // not yet in range
        ASSERT_NE(aircraft, nullptr) << flight.Callsign();
        EXPECT_EQ(aircraft->callsign, flight.Callsign());
        EXPECT_EQ(aircraft->registration.empty(), flight.Callsign() == "HAFAN")
            << flight.Callsign();
        EXPECT_EQ(aircraft->aircraftType.empty(), false) << flight.Callsign();
        EXPECT_EQ(aircraft->departure.empty(), flight.Callsign() == "SAS4491") << flight.Callsign();
        EXPECT_TRUE(aircraft->position.valid) << flight.Callsign();
    }
}

TEST(SbsScenarioSizeTest, OverflightsMakeUpTheRequestedCount)
{
    CScenario few({ 5, CScenario::kFullStorySeconds });
    std::vector<std::string> callsigns;
    for (const CSimFlight& flight : few.Flights())
        callsigns.push_back(flight.Callsign());
    EXPECT_EQ(callsigns,
        (std::vector<std::string> { "SAS4491", "AUA774", "AFR1394", "DLH1678", "AUA76K" }));

    CScenario many({ 500, CScenario::kFullStorySeconds });
    ASSERT_EQ(many.Flights().size(), 500u);
    std::set<std::string> hexIds;
    for (const CSimFlight& flight : many.Flights()) {
        hexIds.insert(flight.HexId());
        if (flight.GetRole() != Role::Overflight)
            continue;
        for (const double t : { 0.0, 600.0, 5000.0 }) {
            const AircraftState state = flight.StateAt(t);
            ASSERT_TRUE(state.transmitting) << flight.Callsign() << " " << t;
            EXPECT_GT(state.position.latitude, 10.0);
            EXPECT_GT(state.position.longitude, 10.0);
            EXPECT_GE(state.altitude, 30000);
        }
    }
    EXPECT_EQ(hexIds.size(), 500u);

    // Lines go to the transmitting aircraft in turn.
    std::string text;
    ASSERT_EQ(many.AppendLines(0.0, { kNow, 0 }, 4000, text), 4000);
    std::map<std::string, int> perAircraft;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        ++perAircraft[line.substr(10, 6)];
    const auto [least, most] = std::minmax_element(perAircraft.begin(), perAircraft.end(),
        [](const auto& a, const auto& b) { return a.second < b.second; });
    EXPECT_LE(most->second - least->second, 1);
}

} // namespace
