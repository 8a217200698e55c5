#include "platform/Clock.h"
#include "proxy/traffic/TrafficModel.h"
#include "support/RecordingControls.h"

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

constexpr std::int64_t kStart = 1'700'000'000;

class AircraftTableTest : public testing::Test {
protected:
    AircraftTableTest() { m_dlg.InsertAircraftListColumns(); }

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
    m_dlg.Traffic().PurgeStaleAircraft(platform::Time64());
    EXPECT_EQ(ListedHexIds(), std::vector<std::string> { "BBBBBB" });
    EXPECT_EQ(m_dlg.Aircraft("AAAAAA"), nullptr);
    ExpectListMirrorsTable(m_dlg, m_controls);

    m_clock.Advance(1);
    m_dlg.Traffic().PurgeStaleAircraft(platform::Time64());
    EXPECT_TRUE(m_dlg.Traffic().m_aircraftMap.empty());
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
    m_dlg.Traffic().PurgeStaleAircraft(platform::Time64());

    EXPECT_EQ(
        ListedHexIds(), (std::vector<std::string> { "A00000", "A00001", "A00003", "A00004" }));
    EXPECT_EQ(m_dlg.Aircraft("A00003")->arrivalIndex, 2);
    EXPECT_EQ(m_dlg.Aircraft("A00004")->arrivalIndex, 3);
    EXPECT_EQ(m_dlg.Aircraft("A00001")->arrivalIndex, 1);
    ExpectListMirrorsTable(m_dlg, m_controls);

    // New aircraft are appended after the survivors.
    Hear("A00005");
    EXPECT_EQ(m_dlg.Aircraft("A00005")->arrivalIndex, 4);
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
        m_dlg.Traffic().PurgeStaleAircraft(platform::Time64());
        ExpectListMirrorsTable(m_dlg, m_controls);
    }
    EXPECT_FALSE(m_dlg.Traffic().m_aircraftMap.empty());
}

// The purge as it was first written, one aircraft at a time with the rows renumbered after
// each: the reference for the one-pass purge.
void PurgeOneByOne(CQuorvexDlg& dlg, platform::CDialogControls& controls)
{
    for (auto it = dlg.Traffic().m_aircraftMap.begin(); it != dlg.Traffic().m_aircraftMap.end();) {
        if (it->second.lastMessageTime + kStaleAircraftSeconds > platform::Time64()) {
            ++it;
            continue;
        }
        const int row = it->second.arrivalIndex;
        for (auto& [key, other] : dlg.Traffic().m_aircraftMap) {
            if (other.arrivalIndex > row)
                --other.arrivalIndex;
        }
        it = dlg.Traffic().m_aircraftMap.Erase(it);
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
    const std::size_t before = m_dlg.Traffic().m_aircraftMap.size();
    m_controls.log.clear();
    m_dlg.Traffic().PurgeStaleAircraft(platform::Time64());
    PurgeOneByOne(reference, referenceControls);

    ASSERT_LT(m_dlg.Traffic().m_aircraftMap.size(), before);
    ASSERT_FALSE(m_dlg.Traffic().m_aircraftMap.empty());
    EXPECT_EQ(m_controls.List(kIdAircraftList).rows, referenceControls.List(kIdAircraftList).rows);
    ASSERT_EQ(m_dlg.Traffic().m_aircraftMap.size(), reference.Traffic().m_aircraftMap.size());
    for (const auto& [key, aircraft] : reference.Traffic().m_aircraftMap) {
        ASSERT_NE(m_dlg.Aircraft(key), nullptr) << key;
        EXPECT_EQ(m_dlg.Aircraft(key)->arrivalIndex, aircraft.arrivalIndex) << key;
    }
    ExpectListMirrorsTable(m_dlg, m_controls);
    // The list lost its rows in runs: fewer deletions than aircraft removed.
    EXPECT_LT(m_controls.log.size(), before - m_dlg.Traffic().m_aircraftMap.size());
}

TEST_F(AircraftTableTest, AnAircraftHeardAgainAfterItsPurgeStartsAfresh)
{
    Hear("4CA2D6", "RYR1");
    m_clock.Advance(300);
    m_dlg.Traffic().PurgeStaleAircraft(platform::Time64());
    ASSERT_EQ(m_dlg.Aircraft("4CA2D6"), nullptr);

    Hear("4CA2D6", "RYR2");
    EXPECT_EQ(m_dlg.Aircraft("4CA2D6")->callsign, "RYR2");
    EXPECT_EQ(m_dlg.Aircraft("4CA2D6")->arrivalIndex, 0);
    ASSERT_EQ(m_dlg.packets.size(), 2u);
    EXPECT_EQ(m_dlg.packets[1].text, "#DP4CA2D6\r\n");
}

// The order of the table is what the clients see (broadcast order, which aircraft answers a
// flight-plan query first): it must be the order of a map keyed by std::string with the
// standard hash, whatever the table keeps in its nodes. Its index must find exactly the records
// the map holds, through growth and erasures that shift the entries after them.
TEST(AircraftMapTest, IteratesLikeAPlainStringMapAndFindsWhatItHolds)
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
            const bool held = plain.erase(key) == 1;
            ASSERT_EQ(table.Erase(key), held) << key;
            ASSERT_EQ(table.Find(key), nullptr) << key;
            continue;
        }
        // Ids from a small range, so that some come back after their purge; mostly of six bytes,
        // some shorter and some longer than the index holds in place.
        const char* formats[] = { "%06X", "%06X", "%X", "%06X-%u" };
        char hexId[24];
        std::snprintf(hexId, sizeof hexId, formats[random() % 4],
            static_cast<unsigned>(random() % 20000), static_cast<unsigned>(random() % 3));
        keys.emplace_back(hexId);
        const bool added = plain.emplace(hexId, n).second;
        CTrackedAircraft record;
        record.hexId = hexId;
        record.altitude = n;
        const auto [kept, isNew] = table.Insert(record.hexId, std::move(record));
        ASSERT_EQ(isNew, added) << hexId;
        ASSERT_EQ(kept, table.Find(hexId));
        EXPECT_EQ(kept->altitude, plain.at(hexId)) << hexId; // a second insert keeps the first
    }
    std::vector<std::string> plainOrder, tableOrder;
    for (const auto& [key, value] : plain)
        plainOrder.push_back(key);
    for (const auto& [key, record] : table)
        tableOrder.push_back(key);
    EXPECT_EQ(tableOrder, plainOrder);
    for (const std::string& key : keys) {
        const CTrackedAircraft* found = table.Find(key);
        ASSERT_EQ(found != nullptr, plain.count(key) == 1) << key;
        if (found != nullptr) {
            EXPECT_EQ(found->hexId, key);
        }
    }

    // Erasing while iterating, as the purge does, leaves the index in step.
    for (auto it = table.begin(); it != table.end();)
        it = it->second.altitude % 2 == 0 ? table.Erase(it) : std::next(it);
    for (const auto& [key, value] : plain)
        EXPECT_EQ(table.Find(key) != nullptr, value % 2 != 0) << key;
    table.Clear();
    EXPECT_TRUE(table.empty());
    EXPECT_EQ(table.Find(keys.front()), nullptr);
}

} // namespace
