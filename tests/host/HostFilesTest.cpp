// The host's input files: display settings and airports.
#include "host/Airports.h"
#include "host/DisplaySettings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using host::CAirportTable;
using host::CDisplaySettings;

class DisplaySettingsTest : public testing::Test { };

TEST_F(DisplaySettingsTest, SplitsAtTheFirstColonAndSkipsComments)
{
    std::vector<std::string> warnings;
    const CDisplaySettings settings
        = CDisplaySettings::Parse("\xEF\xBB\xBF"
                                  "AIRPORT:LHBP\r\n"
                                  "; STAND9:commented:out\n"
                                  "\n"
                                  "  FINAL :3  \n"
                                  "STAND1:31:31:0:0:N047.26.01.000:E019.14.56.000\n"
                                  "LABEL:  spaced value\n"
                                  "EMPTY:\n",
            &warnings);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(settings.Size(), 5u);
    ASSERT_NE(settings.Find("AIRPORT"), nullptr);
    EXPECT_STREQ(settings.Find("AIRPORT"), "LHBP");
    EXPECT_STREQ(settings.Find("FINAL"), "3");
    EXPECT_STREQ(settings.Find("STAND1"), "31:31:0:0:N047.26.01.000:E019.14.56.000");
    EXPECT_STREQ(settings.Find("LABEL"), "  spaced value");
    EXPECT_STREQ(settings.Find("EMPTY"), "");
    EXPECT_EQ(settings.Find("STAND9"), nullptr);
    EXPECT_EQ(settings.Find("airport"), nullptr); // keys are case-sensitive
    EXPECT_EQ(settings.Find("; STAND9"), nullptr);
}

TEST_F(DisplaySettingsTest, ReportsBadLinesByNumberAndKeepsTheLaterDuplicate)
{
    std::vector<std::string> warnings;
    const CDisplaySettings settings = CDisplaySettings::Parse(
        "AIRPORT:LHBP\nno colon here\n:value without key\nAIRPORT:LHBQ\n", &warnings);
    ASSERT_EQ(warnings.size(), 3u);
    EXPECT_EQ(warnings[0].rfind("2: ", 0), 0u) << warnings[0];
    EXPECT_EQ(warnings[1].rfind("3: ", 0), 0u) << warnings[1];
    EXPECT_EQ(warnings[2].rfind("4: ", 0), 0u) << warnings[2];
    EXPECT_STREQ(settings.Find("AIRPORT"), "LHBQ");
    EXPECT_EQ(settings.Size(), 1u);
}

TEST_F(DisplaySettingsTest, LoadNamesAMissingFile)
{
    std::string error;
    EXPECT_FALSE(CDisplaySettings::Load("/nonexistent/lhbp.asr", &error, nullptr));
    EXPECT_NE(error.find("/nonexistent/lhbp.asr"), std::string::npos);
}

TEST_F(DisplaySettingsTest, TheShippedSampleLoadsCleanly)
{
    std::vector<std::string> warnings;
    std::string error;
    const auto settings
        = CDisplaySettings::Load(QS_SOURCE_DIR "/samples/lhbp.asr", &error, &warnings);
    ASSERT_TRUE(settings) << error;
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    EXPECT_STREQ(settings->Find("AIRPORT"), "LHBP");
    int stands = 0;
    while (settings->Find("STAND" + std::to_string(stands + 1)) != nullptr)
        ++stands;
    EXPECT_GE(stands, 20);
}

class AirportTableTest : public testing::Test { };

TEST_F(AirportTableTest, ReadsCodesWithEitherCoordinateFormAndIgnoresCase)
{
    std::vector<std::string> warnings;
    const CAirportTable table = CAirportTable::Parse("# ICAO LAT LON\n"
                                                     "LHBP 47.4369 19.2556\n"
                                                     "egll,51.4706,-0.4619\n"
                                                     "EDDF\tN050.02.00.000\tE008.34.14.000\n"
                                                     "EHAM 52.31\n"
                                                     "LOWW 48.11 east\n",
        &warnings);
    EXPECT_EQ(table.Size(), 3u);
    ASSERT_TRUE(table.Find("lhbp"));
    EXPECT_DOUBLE_EQ(table.Find("lhbp")->m_Latitude, 47.4369);
    EXPECT_DOUBLE_EQ(table.Find("EGLL")->m_Longitude, -0.4619);
    EXPECT_NEAR(table.Find("EDDF")->m_Latitude, 50.0 + 2 / 60.0, 1e-9);
    EXPECT_FALSE(table.Find("EHAM"));
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0].rfind("5: ", 0), 0u);
    EXPECT_EQ(warnings[1].rfind("6: ", 0), 0u);
}

TEST_F(AirportTableTest, TheShippedSampleHoldsTheSampleAirports)
{
    std::vector<std::string> warnings;
    std::string error;
    const auto table
        = CAirportTable::Load(QS_SOURCE_DIR "/samples/airports.txt", &error, &warnings);
    ASSERT_TRUE(table) << error;
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    for (const char* code : { "LHBP", "EGLL", "EDDF", "LFPG", "LTFM", "OMDB", "UUEE", "EIDW" })
        EXPECT_TRUE(table->Find(code)) << code;
    EXPECT_GE(table->Size(), 26u);
}

} // namespace
