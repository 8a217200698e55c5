#include "StavoTestSupport.h"
#include "platform/AsciiText.h"
#include "plugin/model/StavoText.h"

#include <climits>

namespace {

using stavotest::Stand;

class AllocationTest : public stavotest::ScreenTest {
protected:
    AllocationTest()
    {
        display.settings = { { "AIRPORT", "LHBP" }, { "STAND1", Stand("A1", 0, 0, 47.43, 19.26) },
            { "STAND2", Stand("A2", 1, 0, 47.432, 19.26) },
            { "STAND3", Stand("B1", 0, 1, 47.434, 19.26) } };
        Load();
    }
};

TEST_F(AllocationTest, DepartureGoesInFrontAndReplacesTheEarlierDeparture)
{
    screen->AllocateArrival("A1", "ARR1");
    screen->AllocateArrival("A1", "ARR2");
    screen->AllocateDeparture("A1", "dep1");
    EXPECT_EQ(Allocations("A1"), (std::vector<std::string> { "dep DEP1", "arr ARR1", "arr ARR2" }));

    clock.Advance(60);
    screen->AllocateDeparture("A1", "DEP2");
    EXPECT_EQ(Allocations("A1"), (std::vector<std::string> { "dep DEP2", "arr ARR1", "arr ARR2" }));
    EXPECT_EQ(screen->m_Stands[0].m_Allocations[0].m_Time, kStart + 60);
    EXPECT_EQ(screen->FindAllocatedStand("DEP1"), -1);
}

TEST_F(AllocationTest, CallsignMovesBetweenStandsWhateverItsCase)
{
    screen->AllocateArrival("A1", "abc123");
    screen->AllocateArrival("A2", "AbC123");
    EXPECT_TRUE(Allocations("A1").empty());
    EXPECT_EQ(Allocations("A2"), (std::vector<std::string> { "arr ABC123" }));

    screen->AllocateDeparture("B1", "abc123");
    EXPECT_TRUE(Allocations("A2").empty());
    EXPECT_EQ(screen->FindAllocatedStand("Abc123"), screen->FindStandByName("B1"));

    screen->RemoveAllocations("ABC123");
    EXPECT_EQ(screen->FindAllocatedStand("ABC123"), -1);
}

TEST_F(AllocationTest, AnyAircraftMarkIsNeverRemovedElsewhere)
{
    screen->AllocateDeparture("A1", "*");
    screen->AllocateDeparture("A2", "*");
    screen->AllocateArrival("B1", "*");
    screen->AllocateArrival("B1", "*XYZ");
    screen->RemoveAllocations("*");
    screen->RemoveAllocations("*XYZ");
    EXPECT_EQ(Allocations("A1"), (std::vector<std::string> { "dep *" }));
    EXPECT_EQ(Allocations("A2"), (std::vector<std::string> { "dep *" }));
    EXPECT_EQ(Allocations("B1"), (std::vector<std::string> { "arr *", "arr *XYZ" }));
    // "*" stands for any aircraft when consumed, but a lookup by callsign finds only its own.
    EXPECT_EQ(screen->FindAllocatedStand("ABC"), -1);
    EXPECT_EQ(screen->FindAllocatedStand("*"), 0);
}

TEST_F(AllocationTest, UnknownStandsAndEmptyCallsignsChangeNothing)
{
    screen->AllocateArrival("A1", "KEEP");
    screen->AllocateArrival("a1", "KEEP"); // stand names are case-sensitive
    screen->AllocateDeparture("A9", "KEEP"); // no such stand: the allocation on A1 stays
    screen->AllocateArrival("A2", "");
    screen->AllocateDeparture("A2", "");
    EXPECT_EQ(Allocations("A1"), (std::vector<std::string> { "arr KEEP" }));
    EXPECT_TRUE(Allocations("A2").empty());
}

TEST_F(AllocationTest, FindStandByNameIsExactAndSkipsUnlabelledStands)
{
    EXPECT_EQ(screen->FindStandByName("A2"), 1);
    EXPECT_EQ(screen->FindStandByName("a2"), -1);
    EXPECT_EQ(screen->FindStandByName("A2 "), -1);
    EXPECT_EQ(screen->FindStandByName(""), -1);
    screen->m_Stands[2].m_Name = "A2";
    screen->m_Stands[1].m_Label.clear();
    EXPECT_EQ(screen->FindStandByName("A2"), 2);
}

TEST_F(AllocationTest, RemoveAllocationKeepsTheOrderOfTheRest)
{
    for (const char* callsign : { "ONE", "TWO", "THREE" })
        screen->AllocateArrival("A1", callsign);
    screen->RemoveAllocation(0, 1);
    screen->RemoveAllocation(0, 5);
    screen->RemoveAllocation(0, -1);
    screen->RemoveAllocation(7, 0);
    EXPECT_EQ(Allocations("A1"), (std::vector<std::string> { "arr ONE", "arr THREE" }));
}

TEST(StavoTextTest, UpperCasesAndComparesAsciiLettersOnly)
{
    EXPECT_EQ(stavo::ToUpperAscii("abz\xc3\xa9-09{"), "ABZ\xc3\xa9-09{");
    EXPECT_TRUE(platform::EqualsAsciiNoCase("wzz1AB", "WZZ1ab"));
    EXPECT_FALSE(platform::EqualsAsciiNoCase("\xc3\xa9", "\xc3\x89"));
    EXPECT_FALSE(platform::EqualsAsciiNoCase("ABC", "ABCD"));
    EXPECT_FALSE(
        platform::EqualsAsciiNoCase("@", "`")); // differ by the case bit but are no letters
}

TEST(StavoTextTest, ParsesIntegersLikeAtoiAndClampsOverflow)
{
    const struct {
        const char* text;
        int value;
    } cases[] = { { "42", 42 }, { " \t-17px", -17 }, { "+8", 8 }, { "\v\f\r\n9", 9 }, { "abc", 0 },
        { "", 0 }, { "- 5", 0 }, { "99999999999999999999", INT_MAX }, { "-2147483648", INT_MIN },
        { "-99999999999999999999", INT_MIN }, { "2147483647", INT_MAX } };
    for (const auto& c : cases)
        EXPECT_EQ(stavo::ParseInt(c.text), c.value) << '"' << c.text << '"';
}

} // namespace
