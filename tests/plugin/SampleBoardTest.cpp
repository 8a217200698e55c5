// The shipped LHBP sample as the stand model reads it: every stand loads, and the positions the
// demo script uses are where the script says.
#include "host/DisplaySettings.h"
#include "plugin/model/StavoScreen.h"
#include "veltrix/HostInterface.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

namespace {

// A host display that serves a settings file.
class SettingsDisplay final : public VeltrixPlugIn::CHostDisplay {
public:
    explicit SettingsDisplay(host::CDisplaySettings settings)
        : m_Settings(std::move(settings))
    {
    }
    const char* GetDataFromAsr(const char* key) override { return m_Settings.Find(key); }
    platform::Rect GetRadarArea() const override { return { 0, 0, 1280, 680 }; }
    platform::Rect GetChatArea() const override { return { 0, 680, 1280, 800 }; }
    void AddScreenObject(int, const char*, platform::Rect, bool, const char*) override { }
    void RequestRefresh() override { }

private:
    host::CDisplaySettings m_Settings;
};

VeltrixPlugIn::CPosition At(double latitude, double longitude)
{
    VeltrixPlugIn::CPosition position;
    position.m_Latitude = latitude;
    position.m_Longitude = longitude;
    return position;
}

class SampleBoardTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        auto settings
            = host::CDisplaySettings::Load(QS_SOURCE_DIR "/samples/lhbp.asr", &error, nullptr);
        ASSERT_TRUE(settings) << error;
        m_Display = std::make_unique<SettingsDisplay>(std::move(*settings));
        m_Screen = new CStavoScreen(); // deletes itself in OnDisplayClosing
        VeltrixPlugIn::CHostAccess::AttachToHost(*m_Screen, m_Display.get(), nullptr);
        m_Screen->OnDisplaySettingsLoaded(true);
    }
    void TearDown() override
    {
        if (m_Screen != nullptr)
            m_Screen->OnDisplayClosing();
    }
    std::string StandAt(double latitude, double longitude) const
    {
        const int stand = m_Screen->FindNearestStand(At(latitude, longitude));
        return stand < 0 ? "none" : m_Screen->m_Stands[static_cast<std::size_t>(stand)].m_Name;
    }

    std::unique_ptr<SettingsDisplay> m_Display;
    CStavoScreen* m_Screen = nullptr;
};

TEST_F(SampleBoardTest, EveryStandLoadsIntoItsOwnCell)
{
    EXPECT_EQ(m_Screen->m_Airport, "LHBP");
    ASSERT_EQ(m_Screen->m_Stands.size(), 22u);
    EXPECT_EQ(m_Screen->m_StandLines, 12);
    EXPECT_EQ(m_Screen->m_FinalRows, 2);
    for (std::size_t i = 1; i < m_Screen->m_Stands.size(); ++i) {
        const CStavoStand& before = m_Screen->m_Stands[i - 1];
        const CStavoStand& stand = m_Screen->m_Stands[i];
        EXPECT_TRUE(stand.m_Line > before.m_Line
            || (stand.m_Line == before.m_Line && stand.m_Column > before.m_Column))
            << stand.m_Name << " shares or precedes the cell of " << before.m_Name;
    }
    for (const CStavoStand& stand : m_Screen->m_Stands) {
        EXPECT_TRUE(stand.m_PositionValid[0]) << stand.m_Name;
        EXPECT_LT(stand.m_Line, 12) << stand.m_Name;
        EXPECT_EQ(m_Screen->FindStandByName(stand.m_Name), &stand - m_Screen->m_Stands.data())
            << stand.m_Name;
    }
}

TEST_F(SampleBoardTest, TheDemoPositionsAreAtTheirStandsAndFinalsInsideTheTrackingArea)
{
    EXPECT_EQ(StandAt(47.43436, 19.25081), "34");
    EXPECT_EQ(StandAt(47.43519, 19.24940), "32");
    EXPECT_EQ(StandAt(47.43230, 19.25450), "38");
    EXPECT_EQ(StandAt(47.43477, 19.25011), "33");
    EXPECT_EQ(StandAt(47.4250, 19.2950), "none"); // taxiing in
    const CStavoBox& box = m_Screen->m_TrackBox;
    for (const auto& [latitude, longitude] : { std::pair { 47.3300, 19.4300 },
             std::pair { 47.3700, 19.3800 }, std::pair { 47.3950, 19.3400 } }) {
        EXPECT_TRUE(latitude >= box.minFirst && latitude <= box.maxFirst) << latitude;
        EXPECT_TRUE(longitude >= box.minSecond && longitude <= box.maxSecond) << longitude;
    }
}

} // namespace
