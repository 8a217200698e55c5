#include "platform/Clock.h"
#include "proxy/traffic/ReferencePoint.h"
#include "support/RecordingControls.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr std::int64_t kStart = 1'700'000'000;

class AircraftTableTest : public testing::Test {
protected:
    AircraftTableTest()
    {
        ResetReferencePoint();
        m_dlg.InsertAircraftListColumns();
    }
    ~AircraftTableTest() override { ResetReferencePoint(); }

    void Hear(const std::string& hexId, const std::string& callsign = {})
    {
        m_dlg.Feed(
            "MSG,1,1,1," + hexId + ",1,2010/02/19,x,2010/02/19,x," + callsign + ",,,,,,,,,,,\n");
    }

    std::vector<std::string> ListedHexIds() const
    {
        std::vector<std::string> ids;
        const auto& rows = m_controls.List(kIdAircraftList).rows;
        for (std::size_t r = 0; r < rows.size(); ++r)
            ids.emplace_back(rows[r][kColHexId].view());
        return ids;
    }

    platform::FakeClock m_clock { kStart };
    CRecordingControls m_controls;
    CBroadcastRecordingDlg m_dlg { m_controls };
};

TEST_F(AircraftTableTest, PurgesAircraftSilentForFiveMinutes)
{
    Hear("AAAAAA");
    m_clock.Advance(1);
    Hear("BBBBBB");
    m_clock.Advance(299); // AAAAAA silent for 300 s, BBBBBB for 299 s
    m_dlg.PurgeStaleAircraft();
    EXPECT_EQ(ListedHexIds(), std::vector<std::string> { "BBBBBB" });
    EXPECT_EQ(m_dlg.Aircraft("AAAAAA"), nullptr);
    ExpectListMirrorsTable(m_dlg, m_controls);

    m_clock.Advance(1);
    m_dlg.PurgeStaleAircraft();
    EXPECT_TRUE(m_dlg.m_aircraftMap.empty());
    EXPECT_TRUE(ListedHexIds().empty());
    EXPECT_TRUE(m_dlg.packets.empty()); // clients are not told
}

TEST_F(AircraftTableTest, RenumbersTheRowsBelowARemovedAircraft)
{
    for (const char* id : { "A00000", "A00001" })
        Hear(id);
    m_clock.Advance(10);
    Hear("A00002");
    m_clock.Advance(10);
    for (const char* id : { "A00003", "A00004" })
        Hear(id);
    Hear("A00000");
    Hear("A00001");
    m_clock.Advance(290); // only A00002, in row 2 of 5, has been silent for 300 s
    m_dlg.PurgeStaleAircraft();

    EXPECT_EQ(
        ListedHexIds(), (std::vector<std::string> { "A00000", "A00001", "A00003", "A00004" }));
    EXPECT_EQ(m_dlg.Aircraft("A00003")->listRow, 2);
    EXPECT_EQ(m_dlg.Aircraft("A00004")->listRow, 3);
    EXPECT_EQ(m_dlg.Aircraft("A00001")->listRow, 1);
    ExpectListMirrorsTable(m_dlg, m_controls);

    // New aircraft are appended after the survivors.
    Hear("A00005");
    EXPECT_EQ(m_dlg.Aircraft("A00005")->listRow, 4);
    ExpectListMirrorsTable(m_dlg, m_controls);
}

TEST_F(AircraftTableTest, ManyPurgesKeepTheListInStep)
{
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < 15; ++i) {
            if ((i * 7 + round) % 3 != 0)
                Hear("F" + std::to_string(10000 + (i * 13 + round * 5) % 40));
        }
        m_clock.Advance(100);
        m_dlg.PurgeStaleAircraft();
        ExpectListMirrorsTable(m_dlg, m_controls);
    }
    EXPECT_FALSE(m_dlg.m_aircraftMap.empty());
}

// The purge as it was first written, one aircraft at a time with the rows renumbered after
// each: the reference for the one-pass purge.
void PurgeOneByOne(CQuorvexDlg& dlg, platform::CDialogControls& controls)
{
    for (auto it = dlg.m_aircraftMap.begin(); it != dlg.m_aircraftMap.end();) {
        if (it->second.lastMessageTime + kStaleAircraftSeconds > platform::Time64()) {
            ++it;
            continue;
        }
        const int row = it->second.listRow;
        for (auto& [key, other] : dlg.m_aircraftMap) {
            if (other.listRow > row)
                --other.listRow;
        }
        it = dlg.m_aircraftMap.erase(it);
        controls.ListDeleteItem(kIdAircraftList, row);
    }
}

TEST_F(AircraftTableTest, OnePassPurgeLeavesWhatTheOneByOnePurgeLeft)
{
    CMemoryControls referenceControls;
    CBroadcastRecordingDlg reference { referenceControls };
    reference.InsertAircraftListColumns();
    // 600 rows in order, then heard again in a scrambled order over 400 s: runs of stale rows of
    // every length alternate with survivors, the first and the last rows among them.
    const auto hear = [&](int n) {
        const std::string line = "MSG,1,1,1,C" + std::to_string(10000 + n)
            + ",1,2010/02/19,x,2010/02/19,x,,,,,,,,,,,,\n";
        m_dlg.Feed(line);
        reference.Feed(line);
    };
    for (int n = 0; n < 600; ++n)
        hear(n);
    for (int i = 0; i < 600; ++i) {
        if (i % 3 != 0)
            hear((i * 7919) % 600);
        if (i % 20 == 0)
            m_clock.Advance(13);
    }
    m_clock.Advance(200);
    const std::size_t before = m_dlg.m_aircraftMap.size();
    m_controls.log.clear();
    m_dlg.PurgeStaleAircraft();
    PurgeOneByOne(reference, referenceControls);

    ASSERT_LT(m_dlg.m_aircraftMap.size(), before);
    ASSERT_FALSE(m_dlg.m_aircraftMap.empty());
    EXPECT_EQ(m_controls.List(kIdAircraftList).rows, referenceControls.List(kIdAircraftList).rows);
    ASSERT_EQ(m_dlg.m_aircraftMap.size(), reference.m_aircraftMap.size());
    for (const auto& [key, aircraft] : reference.m_aircraftMap) {
        ASSERT_NE(m_dlg.Aircraft(key), nullptr) << key;
        EXPECT_EQ(m_dlg.Aircraft(key)->listRow, aircraft.listRow) << key;
    }
    ExpectListMirrorsTable(m_dlg, m_controls);
    // The list lost its rows in runs: fewer deletions than aircraft removed.
    EXPECT_LT(m_controls.log.size(), before - m_dlg.m_aircraftMap.size());
}

TEST_F(AircraftTableTest, AnAircraftHeardAgainAfterItsPurgeStartsAfresh)
{
    Hear("4CA2D6", "RYR1");
    m_clock.Advance(300);
    m_dlg.PurgeStaleAircraft();
    ASSERT_EQ(m_dlg.Aircraft("4CA2D6"), nullptr);

    Hear("4CA2D6", "RYR2");
    EXPECT_EQ(m_dlg.Aircraft("4CA2D6")->callsign, "RYR2");
    EXPECT_EQ(m_dlg.Aircraft("4CA2D6")->listRow, 0);
    ASSERT_EQ(m_dlg.packets.size(), 2u);
    EXPECT_EQ(m_dlg.packets[1].text, "#DP4CA2D6\r\n");
}

// The order of the table is what the clients see (broadcast order, which aircraft answers a
// flight-plan query first): it must be the order of a map keyed by std::string with the
// standard hash, whatever the table keeps in its nodes.
TEST(AircraftMapOrderTest, IteratesLikeAPlainStringMap)
{
    struct PlainHash { // the standard hash, recomputed for every node the map passes
        std::size_t operator()(const std::string& text) const noexcept
        {
            return std::hash<std::string> {}(text);
        }
    };
    std::unordered_map<std::string, int, PlainHash> plain;
    CAircraftMap table;
    std::mt19937 random(3);
    std::vector<std::string> keys;
    for (int n = 0; n < 30000; ++n) {
        if (!keys.empty() && random() % 4 == 0) { // an aircraft purged now and then
            const std::string key = keys[random() % keys.size()];
            plain.erase(key);
            table.erase(key);
            continue;
        }
        char hexId[8];
        std::snprintf(hexId, sizeof hexId, "%06X", static_cast<unsigned>(random() % 0x1000000));
        keys.emplace_back(hexId);
        plain.emplace(hexId, 0);
        table.emplace(hexId, CTrackedAircraft {});
    }
    std::vector<std::string> plainOrder, tableOrder;
    for (const auto& [key, value] : plain)
        plainOrder.push_back(key);
    for (const auto& [key, record] : table)
        tableOrder.push_back(key);
    EXPECT_EQ(tableOrder, plainOrder);
}

} // namespace
