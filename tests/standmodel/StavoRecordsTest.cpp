#include "plugin/model/StavoRecords.h"

#include <gtest/gtest.h>

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

} // namespace
