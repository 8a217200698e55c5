#include "plugin/model/StavoRecords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

TEST(StavoRecordsTest, CopiesLeaveTheArraysWhileMovesCarryThem)
{
    CStavoStand stand;
    stand.m_Name = "A1";
    stand.m_Line = 3;
    stand.m_PositionValid[1] = true;
    stand.m_Allocations.push_back(CStavoAllocation { true, "*", 5 });

    const CStavoStand copy(stand);
    EXPECT_EQ(copy.m_Name, "A1");
    EXPECT_EQ(copy.m_Line, 3);
    EXPECT_TRUE(copy.m_PositionValid[1]);
    EXPECT_TRUE(copy.m_Allocations.empty());

    CStavoStand target;
    target.m_Allocations.push_back(CStavoAllocation { false, "OWN", 6 });
    target = stand;
    EXPECT_EQ(target.m_Name, "A1");
    ASSERT_EQ(target.m_Allocations.size(), 1u);
    EXPECT_EQ(target.m_Allocations[0].m_Callsign, "OWN");

    // A growing stand array moves its elements, allocations included.
    std::vector<CStavoStand> stands;
    stands.push_back(std::move(stand));
    for (int i = 0; i < 20; ++i)
        stands.emplace_back();
    EXPECT_EQ(stands[0].m_Allocations.size(), 1u);
}

// The indexes must give what walks of the list gave: the record by callsign whatever its case,
// and the place in front of the first other record with a greater distance.
TEST(StavoRecordsTest, TrackedListPlacesAndFindsAsAWalkWould)
{
    CStavoAircraftList list;
    std::list<std::pair<std::string, double>> walked; // the list as the walk kept it
    std::mt19937 random(3);
    for (int step = 0; step < 3000; ++step) {
        const std::string callsign = "AC" + std::to_string(random() % 40);
        const double distance = static_cast<double>(random() % 6); // many equal distances
        const TrackedNode node = list.Find(step % 2 == 0 ? callsign : "ac" + callsign.substr(2));
        auto reference = std::find_if(walked.begin(), walked.end(),
            [&](const auto& entry) { return entry.first == callsign; });
        ASSERT_EQ(node == list.end(), reference == walked.end()) << step;
        if (random() % 7 == 0) {
            if (node != list.end()) {
                list.erase(node);
                walked.erase(reference);
            }
            continue;
        }
        if (node == list.end()) {
            list.Place(list.insert(list.end(), CStavoAircraft { callsign }), distance);
            reference = walked.insert(walked.end(), { callsign, 0.0 });
        } else {
            list.Place(node, distance);
        }
        reference->second = distance;
        auto place = walked.begin();
        while (place != walked.end() && (place == reference || place->second <= distance))
            ++place;
        walked.splice(place, walked, reference);

        ASSERT_EQ(list.size(), walked.size());
        auto a = list.begin();
        for (auto b = walked.begin(); b != walked.end(); ++a, ++b)
            ASSERT_EQ(a->m_Callsign + " " + std::to_string(a->m_Distance),
                b->first + " " + std::to_string(b->second))
                << step;
    }
    list.clear();
    EXPECT_EQ(list.Find("AC1"), list.end());
}

} // namespace
