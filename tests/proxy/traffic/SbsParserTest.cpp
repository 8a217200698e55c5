#include "platform/Clock.h"
#include "proxy/traffic/FeedTime.h"
#include "proxy/traffic/TrafficModel.h"
#include "support/RecordingControls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <string>

namespace {

constexpr std::int64_t kNow = 1'700'000'000; // 22:13:20 UTC

class SbsParserTest : public testing::Test {
protected:
    // A 22-field line of the full layout: "MSG,3,..." with the given fields set.
    static std::string Line(const std::map<int, std::string>& set, std::string type = "MSG")
    {
        std::string line;
        for (int k = 0; k < 22; ++k) {
            const auto it = set.find(k);
            std::string text = it != set.end() ? it->second
                : k == 0                       ? type
                : k == 1                       ? "3"
                : k == 6 || k == 8             ? "2010/02/19"
                : k == 7 || k == 9             ? "22:13:19.870"
                                               : "";
            line += (k == 0 ? "" : ",") + text;
        }
        return line + "\r\n";
    }

    // The same line without the first `dropped` fields, the date logged being today's.
    std::string Untyped(std::map<int, std::string> set, int dropped)
    {
        set[8] = Today();
        const std::string full = Line(set);
        std::size_t cut = 0;
        for (int i = 0; i < dropped; ++i)
            cut = full.find(',', cut) + 1;
        return full.substr(cut);
    }

    std::string Today() const { return FormatLocalDate(m_clock.Now()); }
    std::string Cell(int row, int column) const
    {
        return m_controls.Cell(kIdAircraftList, row, column);
    }

    platform::FakeClock m_clock { kNow };
    CRecordingControls m_controls;
    CBroadcastRecordingDlg m_dlg { m_controls };
};

TEST_F(SbsParserTest, AppliesAFullLayoutLineToANewAircraftAndItsRow)
{
    m_dlg.InsertAircraftListColumns();
    const std::string line = "MSG,3,1,1,4CA2D6,1,2010/02/19,18:06:07.710,2010/02/19,18:06:07.710,,"
                             "36000,,,52.36210,13.50070,,,0,0,0,0\r\n";
    m_dlg.Feed(line);

    const CTrackedAircraft* aircraft = m_dlg.Aircraft("4CA2D6");
    ASSERT_NE(aircraft, nullptr);
    EXPECT_EQ(aircraft->altitude, 36000);
    EXPECT_DOUBLE_EQ(aircraft->position.latitude, 52.3621);
    EXPECT_DOUBLE_EQ(aircraft->position.longitude, 13.5007);
    EXPECT_TRUE(aircraft->position.valid);
    EXPECT_EQ(aircraft->lastMessageTime, kNow);
    EXPECT_EQ(aircraft->lastPositionTime, kNow);
    EXPECT_TRUE(aircraft->callsign.empty());
    EXPECT_FALSE(aircraft->spiFlag || aircraft->onGroundFlag);

    EXPECT_EQ(Cell(0, kColHexId), "4CA2D6");
    EXPECT_EQ(Cell(0, kColLastReceived), "22:13:20");
    EXPECT_EQ(Cell(0, kColAltitude), "36000");
    EXPECT_EQ(Cell(0, kColPosition), "52.3621,13.5007");
    EXPECT_EQ(Cell(0, kColLastPositionReceived), "22:13:20");
    EXPECT_EQ(Cell(0, kColHeading), "");
    EXPECT_EQ(m_controls.GetWindowText(kIdLineCount), "1 / 1");
    EXPECT_EQ(m_controls.GetWindowText(kIdLastLine), line); // as received, line end included
    EXPECT_TRUE(m_dlg.packets.empty());
}

TEST_F(SbsParserTest, RejectedLinesAreOnlyCounted)
{
    m_dlg.Feed(Line({ { 4, "4CA2D6" }, { 11, "1000" } }));
    const std::string accepted = m_controls.GetWindowText(kIdLastLine);
    m_controls.log.clear();

    m_dlg.Feed("MSG,3,1,1,4CA2D6,1,2010/02/19,x,2010/02/19,x\n"); // no callsign field
    m_dlg.Feed("AIR,,1,1,4CA2D6,1\n");
    m_dlg.Feed("STA,,1,1,4CA2D6,1,2010/02/19,x,2010/02/19,x,RYR1,1\n"); // not today's date
    m_dlg.Feed("");
    m_dlg.Feed(Line({ { 4, "" }, { 11, "2000" } })); // no hex id

    EXPECT_EQ(m_controls.GetWindowText(kIdLineCount), "6 / 1");
    EXPECT_EQ(m_controls.GetWindowText(kIdLastLine), accepted);
    for (const auto& change : m_controls.log)
        EXPECT_EQ(change.rfind("text 1004 ", 0), 0u) << change;
    EXPECT_EQ(m_dlg.Traffic().m_aircraftMap.size(), 1u);
    EXPECT_EQ(m_dlg.Aircraft("4CA2D6")->altitude, 1000);
}

TEST_F(SbsParserTest, AlignsLinesWithoutLeadingFieldsOnTodaysDate)
{
    // Hex id first, today's date at index 4: offset 4, callsign at index 6.
    m_dlg.Feed(Untyped({ { 4, "471F03" }, { 10, "WZZ2451" }, { 11, "3525" } }, 4));
    const CTrackedAircraft* aircraft = m_dlg.Aircraft("471F03");
    ASSERT_NE(aircraft, nullptr);
    EXPECT_EQ(aircraft->callsign, "WZZ2451");
    EXPECT_EQ(aircraft->altitude, 3525);

    // Another type word: the date at index 8 means nothing is missing.
    m_dlg.Feed(Untyped({ { 0, "CLK" }, { 4, "3C6586" }, { 11, "12000" } }, 0));
    ASSERT_NE(m_dlg.Aircraft("3C6586"), nullptr);
    EXPECT_EQ(m_dlg.Aircraft("3C6586")->altitude, 12000);

    // The highest index holding the date wins: the date in the callsign field (index 6) makes
    // the offset 2, so the hex id is read from index 2.
    m_dlg.Feed(Untyped({ { 4, "AAAAAA" }, { 6, "BBBBBB" }, { 10, Today() } }, 4));
    EXPECT_NE(m_dlg.Aircraft("BBBBBB"), nullptr);
    EXPECT_EQ(m_dlg.Aircraft("AAAAAA"), nullptr);
    EXPECT_EQ(m_controls.GetWindowText(kIdLineCount), "3 / 3");

    m_dlg.Feed(Untyped({ { 4, "4CA7B1" } }, 5)); // date at index 3
    m_dlg.Feed(Untyped({ { 4, "4CA7B" } }, 4)); // offset 4, hex id of 5 characters
    m_dlg.Feed(Untyped({ { 4, "4CA7B1" }, { 13, Today() } }, 4)); // a date above index 8 wins
    m_dlg.Feed(Line({ { 0, "CLK" }, { 4, "4CA7B1" }, { 8, "2010/02/18" } })); // another day
    EXPECT_EQ(m_controls.GetWindowText(kIdLineCount), "7 / 3");

    // A clock whose time has no local date matches no field at all, empty ones included.
    m_clock.Set(std::numeric_limits<std::int64_t>::max());
    ASSERT_EQ(Today(), "");
    m_dlg.Feed("CLK,1,1,1,4CA7B1,1,1,1,,1,1,1");
    EXPECT_EQ(m_controls.GetWindowText(kIdLineCount), "8 / 3");
}

TEST_F(SbsParserTest, TakesTheFirstLongEnoughCallsignOnceAndDeletesTheOldName)
{
    m_dlg.InsertAircraftListColumns();
    m_dlg.Feed(Line({ { 4, "4CA2D6" }, { 10, "RYR" } }));
    m_dlg.Feed(Line({ { 4, "4CA2D6" }, { 10, "RY@1" } }));
    EXPECT_EQ(m_dlg.Aircraft("4CA2D6")->callsign, "");
    EXPECT_TRUE(m_dlg.packets.empty());

    m_dlg.Feed(Line({ { 4, "4CA2D6" }, { 10, "RYR1" } }));
    m_dlg.Feed(Line({ { 4, "4CA2D6" }, { 10, "RYR2KA" } }));
    EXPECT_EQ(m_dlg.Aircraft("4CA2D6")->callsign, "RYR1");
    EXPECT_EQ(Cell(0, kColCallsign), "RYR1");
    ASSERT_EQ(m_dlg.packets.size(), 1u);
    EXPECT_EQ(m_dlg.packets[0].text, "#DP4CA2D6\r\n"); // no registration known: the hex id
    EXPECT_EQ(m_dlg.packets[0].exceptCallsign, ""); // every logged-in client

    // With a registration the deletion names it; blanks of the callsign are kept.
    CIcaoDataElement row;
    row.key = "471f03";
    row.column[0] = "HA-LYG";
    m_dlg.Traffic().m_icao24Table.InsertSorted(row);
    m_dlg.Feed(Line({ { 4, "471F03" }, { 10, "WZZ1 " } }));
    EXPECT_EQ(m_dlg.Aircraft("471F03")->callsign, "WZZ1 ");
    ASSERT_EQ(m_dlg.packets.size(), 2u);
    EXPECT_EQ(m_dlg.packets[1].text, "#DPHA-LYG\r\n");
}

TEST_F(SbsParserTest, KeepsOnlyPositionsNorthAndEastOfTenDegrees)
{
    const struct {
        const char* latitude;
        const char* longitude;
        bool taken;
    } cases[] = {
        { "47.4369", "19.2556", true },
        { "10.0", "19.2", false },
        { "10.0001", "19.2", true },
        { "47.4", "10.0", false },
        { "47.4", "10.0001", true },
        { "0", "0", false },
        { "-33.9", "151.2", false },
        { "51.4", "-0.45", false },
        { "47.4", "", false },
        { "x", "19.2", false },
        { "91.0", "19.2", false },
        { "47.4", "180.5", false },
        { "inf", "19.2", false },
        { "47.4", "nan", false },
        { "90", "180", true },
    };
    int row = 0;
    for (const auto& c : cases) {
        const std::string hexId = "40" + std::to_string(1000 + row++);
        m_clock.Advance(1);
        m_dlg.Feed(Line({ { 4, hexId }, { 11, "5000" }, { 14, c.latitude }, { 15, c.longitude } }));
        const CTrackedAircraft* aircraft = m_dlg.Aircraft(hexId);
        ASSERT_NE(aircraft, nullptr) << hexId;
        EXPECT_EQ(aircraft->position.valid, c.taken) << c.latitude << "," << c.longitude;
        EXPECT_EQ(aircraft->lastPositionTime, c.taken ? m_clock.Now() : 0);
        EXPECT_EQ(aircraft->altitude, 5000); // the rest of the line is applied either way
        if (c.taken) {
            EXPECT_DOUBLE_EQ(aircraft->position.latitude, std::stod(c.latitude));
        }
    }
    ExpectListMirrorsTable(m_dlg, m_controls);
}

TEST_F(SbsParserTest, FixesTheReferencePointAtTheFirstAcceptedPosition)
{
    m_dlg.Feed(Line({ { 4, "AAAAAA" }, { 14, "5.0" }, { 15, "19.0" } }));
    EXPECT_EQ(m_dlg.Traffic().Reference().dRefLat, 0.0);
    EXPECT_EQ(m_dlg.Traffic().Reference().dLonScale, 60.0);

    m_dlg.Feed(Line({ { 4, "AAAAAA" }, { 14, "52.5" }, { 15, "13.0" } }));
    m_dlg.Feed(Line({ { 4, "BBBBBB" }, { 14, "47.4369" }, { 15, "19.2556" } }));
    EXPECT_EQ(m_dlg.Traffic().Reference().dRefLat, 52.5);
    EXPECT_EQ(m_dlg.Traffic().Reference().dRefLon, 13.0);
    EXPECT_NEAR(m_dlg.Traffic().Reference().dLonScale, 36.5257, 1e-4);
    EXPECT_EQ(m_dlg.Traffic().Reference().dLatScale, 60.0);
}

TEST_F(SbsParserTest, EmptyFieldsKeepValuesAndBlankFieldsReadAsZero)
{
    m_dlg.InsertAircraftListColumns();
    m_dlg.Feed(Line({ { 4, "4CA2D6" }, { 11, "36000" }, { 12, "451" }, { 13, "93" }, { 16, "-640" },
        { 17, "2201" }, { 20, "1" }, { 21, "-1" } }));
    m_dlg.Feed(Line({ { 4, "4CA2D6" }, { 12, " " }, { 20, "0" } }));
    const CTrackedAircraft& aircraft = *m_dlg.Aircraft("4CA2D6");
    EXPECT_EQ(aircraft.altitude, 36000);
    EXPECT_EQ(aircraft.groundSpeed, 0);
    EXPECT_EQ(aircraft.track, 93);
    EXPECT_EQ(aircraft.verticalRate, -640);
    EXPECT_EQ(aircraft.squawk, "2201");
    EXPECT_FALSE(aircraft.spiFlag);
    EXPECT_TRUE(aircraft.onGroundFlag);
    EXPECT_EQ(Cell(0, kColAltitude), "36000");
    EXPECT_EQ(Cell(0, kColGroundSpeed), " ");
    EXPECT_EQ(Cell(0, kColHeading), "93");
    EXPECT_EQ(Cell(0, kColSquawk), "2201");
}

TEST_F(SbsParserTest, EnrichesNewAircraftFromTheLookupFiles)
{
    CScratchDirectory directory;
    directory.Write("icao24.txt", "471f03\tHA-LYG\n47a001\tHA-LVB\n");
    directory.Write("aircrafts.txt", "HA-LYG\tWizz Air\tA21N\nHA-LVB\tprivate\t\n");
    directory.Write("flightplans.txt",
        "WZZ2451\tA320\t450\tLHBP\t0610\tEGGW\tFL350\tBADOV UL851\n"
        "TVS1234\tB738\tx\tLHBP\n");
    m_dlg.LoadLookupFiles();

    m_dlg.Feed(Line({ { 4, "471F03" }, { 10, "WZZ2451" } }));
    const CTrackedAircraft& known = *m_dlg.Aircraft("471F03");
    EXPECT_EQ(known.registration, "HA-LYG");
    EXPECT_EQ(known.aircraftType, "A21N"); // the aircrafts table's type is kept
    EXPECT_EQ(known.departure, "LHBP");
    EXPECT_EQ(known.destination, "EGGW");
    EXPECT_EQ(known.cruiseAltitude, "FL350");
    EXPECT_EQ(known.route, "BADOV UL851");

    // An empty type column gives no type; the short flight plan fills what it has.
    m_dlg.Feed(Line({ { 4, "47A001" }, { 10, "tvs1234" } }));
    const CTrackedAircraft& partial = *m_dlg.Aircraft("47A001");
    EXPECT_EQ(partial.registration, "HA-LVB");
    EXPECT_EQ(partial.aircraftType, "B738");
    EXPECT_EQ(partial.departure, "LHBP");
    EXPECT_EQ(partial.destination, "");
    EXPECT_EQ(partial.route, "");
}

TEST_F(SbsParserTest, HexIdsDifferingInCaseAreDifferentAircraft)
{
    m_dlg.InsertAircraftListColumns();
    m_dlg.Feed(Line({ { 4, "4ca2d6" }, { 11, "1000" } }));
    m_dlg.Feed(Line({ { 4, "4CA2D6" }, { 11, "2000" } }));
    m_dlg.Feed(Line({ { 4, "4ca2d6" }, { 11, "3000" } }));
    ASSERT_EQ(m_dlg.Traffic().m_aircraftMap.size(), 2u);
    EXPECT_EQ(m_dlg.Aircraft("4ca2d6")->altitude, 3000);
    EXPECT_EQ(m_dlg.Aircraft("4CA2D6")->altitude, 2000);
    EXPECT_EQ(Cell(1, kColHexId), "4CA2D6");
    ExpectListMirrorsTable(m_dlg, m_controls);
}

TEST_F(SbsParserTest, SurvivesGarbageAndKeepsTheTableConsistent)
{
    m_dlg.InsertAircraftListColumns();
    std::mt19937 random(2024);
    const std::string pieces[]
        = { "MSG", ",", ",", ",", "4CA2D6", Today(), "@", "\r", "\n", "-", "99999999999999999999",
              "1e308", "nan", "47.5", "19.2", "\xff", std::string(1, '\0'), "ID", "SEL", " " };
    for (int i = 0; i < 3000; ++i) {
        std::string line;
        const int parts = static_cast<int>(random() % 80);
        for (int p = 0; p < parts; ++p)
            line += (random() % 4 == 0) ? std::string(1, static_cast<char>(random()))
                                        : pieces[random() % std::size(pieces)];
        m_dlg.Feed(line);
    }
    std::string huge(1 << 20, ',');
    huge.replace(0, 4, "MSG,");
    m_dlg.Feed(huge);
    ExpectListMirrorsTable(m_dlg, m_controls);
    EXPECT_EQ(m_dlg.m_nLinesReceived, 3001);
}

TEST_F(SbsParserTest, FormatsTheUtcTimeOfDay)
{
    EXPECT_EQ(FormatUtcTime(0), "00:00:00");
    EXPECT_EQ(FormatUtcTime(kNow), "22:13:20");
    EXPECT_EQ(FormatUtcTime(86399), "23:59:59");
    EXPECT_EQ(FormatUtcTime(-1), "23:59:59");
    EXPECT_EQ(FormatUtcTime(4'102'444'800 + 3661), "01:01:01"); // 2100
}

} // namespace
