#include "StavoTestSupport.h"

#include <string>

namespace {

using stavotest::Stand;

class SettingsLoaderTest : public stavotest::ScreenTest {
protected:
    SettingsLoaderTest()
    {
        display.settings = { { "AIRPORT", "LHBP" }, { "STAND1", Stand("A1", 0, 0, 47.43, 19.26) } };
    }

    std::vector<std::string> StandNames() const
    {
        std::vector<std::string> names;
        for (const CStavoStand& stand : screen->m_Stands)
            names.push_back(stand.m_Name);
        return names;
    }
};

TEST_F(SettingsLoaderTest, ClampsAndConvertsIntegerSettings)
{
    const struct {
        const char* key;
        const char* value;
        int CStavoScreen::*field;
        int expected;
    } cases[] = {
        { "FINAL", "0", &CStavoScreen::m_FinalRows, 1 },
        { "FINAL", "3 rows", &CStavoScreen::m_FinalRows, 3 },
        { "FINAL", "99999999999999", &CStavoScreen::m_FinalRows, 4 },
        { "LINES", "40", &CStavoScreen::m_StandLines, 39 },
        { "LINES", "39", &CStavoScreen::m_StandLines, 39 },
        { "LINES", "many", &CStavoScreen::m_StandLines, 5 },
        { "TOPEMPTY", "500", &CStavoScreen::m_TopEmpty, 500 },
        { "BOTTOMEMPTY", "501", &CStavoScreen::m_BottomEmpty, 500 },
        { "LEFTEMPTY", "-20", &CStavoScreen::m_LeftEmpty, 0 },
        { "RIGHTEMPTY", "  +35", &CStavoScreen::m_RightEmpty, 35 },
    };
    for (const auto& c : cases) {
        std::unique_ptr<CStavoScreen, stavotest::CloseScreen> fresh(new CStavoScreen);
        stavotest::FakeDisplay settings;
        settings.settings = display.settings;
        settings.settings[c.key] = c.value;
        VeltrixPlugIn::CHostAccess::AttachToHost(*fresh, &settings, nullptr);
        fresh->OnDisplaySettingsLoaded(true);
        EXPECT_EQ((*fresh).*c.field, c.expected) << c.key << '=' << c.value;
    }
}

TEST_F(SettingsLoaderTest, NumberedKeysStopAtTheFirstGap)
{
    display.settings.insert({ { "SEPARATOR1", "4" }, { "SEPARATOR2", "x" }, { "SEPARATOR4", "9" },
        { "STAND2", Stand("A2", 1, 0, 47.43, 19.27) },
        { "STAND4", Stand("A4", 0, 2, 47.43, 19.28) } });
    Load();
    EXPECT_EQ(screen->m_Separators, (std::vector<int> { 4, 0 }));
    EXPECT_EQ(StandNames(), (std::vector<std::string> { "A1", "A2" }));
    EXPECT_EQ(screen->m_FinalRows, 2);
    EXPECT_EQ(screen->m_StandLines, 27);
    EXPECT_TRUE(messages.empty());
}

TEST_F(SettingsLoaderTest, StandsSortByLineThenColumnKeepingFileOrderInEqualCells)
{
    display.settings.insert({ { "STAND2", Stand("C", 1, 2, 47.43, 19.26) },
        { "STAND3", Stand("B", 0, 2, 47.43, 19.26) }, { "STAND4", Stand("D", 1, 2, 47.43, 19.26) },
        { "STAND5", Stand("E", 0, -1, 47.43, 19.26) } });
    Load();
    EXPECT_EQ(StandNames(), (std::vector<std::string> { "E", "A1", "B", "C", "D" }));
}

TEST_F(SettingsLoaderTest, MalformedStandsAreSkippedSilently)
{
    const std::string bad[] = { "", ":::::::", "N:L:0:0:47.4", "N:L:0:0:north:19.2",
        "N:L:0:0:95:19.2", "N:L:0:0:47.4:19.2nm", std::string(100000, ':') + "\x01\xff",
        "N:L:0:0:" + std::string(300, '4') + ":19.2" };
    int n = 2;
    for (const std::string& value : bad)
        display.settings["STAND" + std::to_string(n++)] = value;
    display.settings["STAND" + std::to_string(n)]
        = "::Z::Z label:::1:0:N047.26.00.000:E019.15.00.000::";
    Load();
    ASSERT_EQ(StandNames(), (std::vector<std::string> { "A1", "Z" }));
    const CStavoStand& z = screen->m_Stands[1];
    EXPECT_EQ(z.m_Label, "Z label");
    EXPECT_EQ(z.m_Column, 1);
    EXPECT_DOUBLE_EQ(z.m_Position[0].m_Latitude, 47 + 26 / 60.0);
    EXPECT_DOUBLE_EQ(z.m_Position[0].m_Longitude, 19.25);
    EXPECT_TRUE(messages.empty());
}

TEST_F(SettingsLoaderTest, ReadsOnlyTheFirst255Characters)
{
    // The longitude begins at character 251, so the limit cuts "19.2611" to "19.26".
    const std::string name(235, 'N');
    display.settings["STAND1"] = name + ":L:0:0:47.4300:19.2611";
    Load();
    ASSERT_EQ(screen->m_Stands.size(), 1u);
    EXPECT_DOUBLE_EQ(screen->m_Stands[0].m_Position[0].m_Longitude, 19.26);
}

TEST_F(SettingsLoaderTest, SecondPositionIsOptionalAndDoesNotShapeTheBoxes)
{
    display.settings.insert(
        { { "STAND2", "B:B:1:0:47.43:19.26:47.50" }, { "STAND3", "C:C:0:1:47.43:19.26:47.50:bad" },
            { "STAND4", "D:D:1:1:47.43:19.26:47.50:19.40" } });
    Load();
    ASSERT_EQ(screen->m_Stands.size(), 4u);
    EXPECT_FALSE(screen->m_Stands[1].m_PositionValid[1]);
    EXPECT_FALSE(screen->m_Stands[2].m_PositionValid[1]);
    EXPECT_TRUE(screen->m_Stands[3].m_PositionValid[1]);
    EXPECT_DOUBLE_EQ(screen->m_Stands[3].m_Position[1].m_Longitude, 19.40);

    // All first positions coincide: the boxes are that point widened.
    constexpr double kStand = 1.0 / 240, kTrack = kStand + 1.0 / 3;
    const CStavoBox& s = screen->m_StandBox;
    const CStavoBox& t = screen->m_TrackBox;
    EXPECT_DOUBLE_EQ(s.minFirst, 47.43 - kStand);
    EXPECT_DOUBLE_EQ(s.maxSecond, 19.26 + kStand);
    EXPECT_DOUBLE_EQ(t.minFirst, 47.43 - kTrack);
    EXPECT_DOUBLE_EQ(t.minSecond, 19.26 - kTrack);
    EXPECT_DOUBLE_EQ(t.maxFirst, 47.43 + kTrack);
    EXPECT_DOUBLE_EQ(t.maxSecond, 19.26 + kTrack);
}

TEST_F(SettingsLoaderTest, MissingAirportStopsLoading)
{
    display.settings.erase("AIRPORT");
    display.settings["FINAL"] = "4";
    Load();
    EXPECT_EQ(messages, (std::vector<std::string> { "No AIRPORT name defined in the ASR file" }));
    EXPECT_EQ(screen->m_FinalRows, 2);
    EXPECT_TRUE(screen->m_Stands.empty());
    EXPECT_EQ(screen->m_TrackBox.maxFirst, 0.0);
}

TEST_F(SettingsLoaderTest, NoLoadableStandWarnsButKeepsTheOtherSettings)
{
    display.settings = { { "AIRPORT", "LHBP" }, { "LINES", "12" }, { "STAND1", "A:A:0:0:47.4" } };
    Load();
    EXPECT_EQ(messages, (std::vector<std::string> { "No stand definition is loaded" }));
    EXPECT_EQ(screen->m_Airport, "LHBP");
    EXPECT_EQ(screen->m_StandLines, 12);
    EXPECT_EQ(screen->m_TrackBox.minFirst, 0.0);
}

TEST_F(SettingsLoaderTest, LoadingAgainKeepsEveryStandsOwnData)
{
    display.settings["STAND2"] = Stand("B1", 0, 1, 47.432, 19.26);
    Load();
    screen->AllocateArrival("B1", "ARR1");
    Report("DEP1", 0, 0, 47.432, 19.26); // stands at B1
    ASSERT_EQ(screen->m_TrackedAircraft.front().m_Stand, 1);

    Load(); // adds the stands again; the new A1 goes in front of the old B1
    EXPECT_EQ(StandNames(), (std::vector<std::string> { "A1", "A1", "B1", "B1" }));
    EXPECT_EQ(Allocations("B1"), (std::vector<std::string> { "arr ARR1" }));
    EXPECT_EQ(screen->FindAllocatedStand("ARR1"), 2);
    const CStavoAircraft& dep = screen->m_TrackedAircraft.front();
    EXPECT_EQ(screen->m_Stands.at(dep.m_Stand).m_Name, "B1");
    Report("DEP1", 0, 0, 47.432, 19.26);
    EXPECT_EQ(dep.m_Stand, 2);
}

} // namespace
