// The FSD side of the host: packets read and written, line assembly, and what traffic does.
#include "host/FsdClient.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

using host::CFsdClient;
using host::FsdFlightPlan;
using host::PositionReport;

class RecordingSink final : public host::CFsdTrafficSink {
public:
    bool OnFsdPosition(const PositionReport& report) override
    {
        positions.push_back(report);
        const bool isNew = known.insert(report.callsign).second;
        return isNew;
    }
    void OnFsdFlightPlan(const FsdFlightPlan& plan) override { plans.push_back(plan); }
    void OnFsdDeletion(const std::string& name) override
    {
        deletions.push_back(name);
        known.erase(name);
    }
    void OnFsdText(const std::string& from, const std::string& text) override
    {
        texts.push_back(from + "|" + text);
    }

    std::vector<PositionReport> positions;
    std::vector<FsdFlightPlan> plans;
    std::vector<std::string> deletions;
    std::vector<std::string> texts;
    std::set<std::string> known;
};

class FsdClientTest : public testing::Test {
protected:
    RecordingSink m_Sink;
    std::vector<std::string> m_Sent;
    CFsdClient m_Client { "OBS", m_Sink,
        [this](const std::string& packet) { m_Sent.push_back(packet); } };
};

TEST_F(FsdClientTest, ReadsPositionPackets)
{
    const auto position
        = host::ParseFsdPosition("@N:WZZ123:1234:1:47.43690:19.25560:2500:145:1036:0");
    ASSERT_TRUE(position);
    EXPECT_EQ(position->name, "WZZ123");
    EXPECT_DOUBLE_EQ(position->report.position.m_Latitude, 47.4369);
    EXPECT_DOUBLE_EQ(position->report.position.m_Longitude, 19.2556);
    EXPECT_EQ(position->report.pressureAltitude, 2500);
    EXPECT_EQ(position->report.groundSpeed, 145);
    for (const char* bad : { "@N::1234:1:47.4:19.2:2500:145:0:0", "@N:X:1:1:47.4:19.2:2500",
             "@N:X:1:1:north:19.2:2500:145:0:0", "@N:X:1:1:91:19.2:2500:145:0:0",
             "@N:X:1:1:47.4:19.2:25.5:145:0:0", "#AAX:SERVER" })
        EXPECT_FALSE(host::ParseFsdPosition(bad)) << bad;
    // The name is sent back in the flight-plan query, where a control byte would cut the packet.
    using namespace std::string_view_literals;
    for (const std::string_view bad : { "@N:AB\rCD:1:1:47.4:19.2:2500:145:0:0"sv,
             "@N:AB\0CD:1:1:47.4:19.2:2500:145:0:0"sv, "@N:\x7f:1:1:47.4:19.2:2500:145:0:0"sv })
        EXPECT_FALSE(host::ParseFsdPosition(bad)) << bad;
}

TEST_F(FsdClientTest, ReadsFlightPlansWithTheTypeInAnyEquipmentForm)
{
    const auto plan = host::ParseFsdFlightPlan(
        "$FPWZZ123:*:I:B/A21N/F:450:EGGW:0:0:FL350:LHBP:0:0:0:0::REG/HA-LVA:UL612");
    ASSERT_TRUE(plan);
    EXPECT_EQ(plan->name, "WZZ123");
    EXPECT_EQ(plan->aircraftType, "A21N");
    EXPECT_EQ(plan->destination, "LHBP");
    struct Case {
        const char* field;
        const char* type;
    };
    for (const Case& c : { Case { "B738", "B738" }, Case { "H/B744", "B744" },
             Case { "B738/L", "B738" }, Case { "T/B738/G", "B738" }, Case { "", "" } }) {
        const auto parsed = host::ParseFsdFlightPlan(
            std::string("$FPX:*:I:") + c.field + ":450:EGLL:0:0:FL350:LHBP:0:0:0:0::REG/:");
        ASSERT_TRUE(parsed) << c.field;
        EXPECT_EQ(parsed->aircraftType, c.type) << c.field;
    }
    EXPECT_FALSE(host::ParseFsdFlightPlan("$FP:*:I:B738:450:EGLL:0:0:FL350:LHBP"));
    EXPECT_FALSE(host::ParseFsdFlightPlan("$FPX:*:I:B738:450"));
}

TEST_F(FsdClientTest, LogsInAndAsksForEachNewAircraftsFlightPlanOnce)
{
    m_Client.OnConnected();
    ASSERT_EQ(m_Sent.size(), 1u);
    EXPECT_EQ(m_Sent[0].rfind("#AAOBS:", 0), 0u);
    EXPECT_TRUE(m_Sent[0].ends_with("\r\n"));

    m_Client.Receive("@N:WZZ123:1234:1:47.4:19.3:2500:145:0:0\r\n"
                     "@N:WZZ123:1234:1:47.41:19.29:2400:140:0:0\r\n"
                     "@N:RYR5TL:2000:1:47.3:19.4:4000:180:0:0\r\n");
    ASSERT_EQ(m_Sent.size(), 3u);
    EXPECT_EQ(m_Sent[1], "$CQOBS:SERVER:FP:WZZ123\r\n");
    EXPECT_EQ(m_Sent[2], "$CQOBS:SERVER:FP:RYR5TL\r\n");
    EXPECT_EQ(m_Sink.positions.size(), 3u);

    // Forgotten and back: asked again.
    m_Client.Receive("#DPWZZ123\r\n@N:WZZ123:1234:1:47.42:19.28:2300:130:0:0\r\n");
    EXPECT_EQ(m_Sink.deletions, std::vector<std::string> { "WZZ123" });
    ASSERT_EQ(m_Sent.size(), 4u);
    EXPECT_EQ(m_Sent[3], "$CQOBS:SERVER:FP:WZZ123\r\n");
}

TEST_F(FsdClientTest, AssemblesLinesFromSingleBytesAndDropsOverlongOnes)
{
    const std::string stream = "@N:A1:0:1:47.4:19.3:2500:145:0:0\r\n"
        + std::string(CFsdClient::kMaxLineLength + 10, 'x') + "\r\n"
        + "$FPA1:*:I:B738:450:EGLL:0:0:FL350:LHBP:0:0:0:0::REG/:\n"
        + "@N:A2:0:1:47.4:19.3:2500:145:0:0"; // no line end yet
    for (const char byte : stream)
        m_Client.Receive(std::string_view(&byte, 1));
    ASSERT_EQ(m_Sink.positions.size(), 1u);
    EXPECT_EQ(m_Sink.positions[0].callsign, "A1");
    ASSERT_EQ(m_Sink.plans.size(), 1u);
    EXPECT_EQ(m_Sink.plans[0].destination, "LHBP");
    m_Client.Receive("\n");
    EXPECT_EQ(m_Sink.positions.size(), 2u);
}

TEST_F(FsdClientTest, ShowsOnlyTextsAddressedToTheHost)
{
    m_Client.Receive("#TMserver:obs:Hello to Quorvex server by Dorvath\r\n"
                     "#TMserver:APP1:not for us\r\n"
                     "#TMLHBP_TWR:OBS:text: with a colon\r\n"
                     "#TMserver\r\n");
    EXPECT_EQ(m_Sink.texts,
        (std::vector<std::string> {
            "server|Hello to Quorvex server by Dorvath", "LHBP_TWR|text: with a colon" }));
}

} // namespace
