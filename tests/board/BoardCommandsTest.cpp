#include "BoardTestSupport.h"

#include <climits>
#include <tuple>

namespace {

using boardtest::DrawItem;
using boardtest::kAwayLat;
using boardtest::kLon;
using boardtest::StandLat;
using stavotest::Stand;

class BoardCommandsTest : public boardtest::BoardTest {
protected:
    BoardCommandsTest() { LoadSmallBoard("A12", "B1", "C1"); }

    bool Command(const std::string& line) { return screen->OnCompileCommand(line.c_str()); }

    // A tracked aircraft off every stand, put into `state`.
    CStavoAircraft& Track(const std::string& callsign, AircraftState state)
    {
        Report(callsign, 0, 0, kAwayLat, kLon);
        CStavoAircraft& record = *screen->FindTrackedAircraft(callsign);
        record.m_State = state;
        return record;
    }

    void Drop(const std::string& id, platform::Point at)
    {
        screen->OnPressScreenObject(1, id.c_str(), at, { at.x, at.y, at.x + 70, at.y + 21 }, true);
    }

    platform::Point Inside(const std::string& stand) const
    {
        const platform::Rect& area = screen->m_Stands[StandIndex(stand)].m_Area;
        return { area.left + 2, area.top + 2 };
    }
};

using Texts = std::vector<std::string>;

TEST_F(BoardCommandsTest, ArrAppendsAnArrivalAndTakesTheCallsignFromOtherStands)
{
    EXPECT_TRUE(Command(".stavoarr B1 abc123"));
    EXPECT_TRUE(Command(".stavoarr A12 XYZ"));
    EXPECT_TRUE(Command(".stavoarr A12 ABC123"));
    EXPECT_EQ(Allocations("A12"), (Texts { "arr XYZ", "arr ABC123" }));
    EXPECT_TRUE(Allocations("B1").empty());
    EXPECT_TRUE(Command(".stavoarr NOSTAND ABC123")); // unknown stands are ignored
    EXPECT_EQ(Allocations("A12"), (Texts { "arr XYZ", "arr ABC123" }));
}

TEST_F(BoardCommandsTest, DepPutsADepartureFirstForAnyAircraftWithoutACallsign)
{
    Command(".stavoarr A12 X");
    EXPECT_TRUE(Command(".stavodep A12"));
    EXPECT_TRUE(Command(".stavodep B1"));
    EXPECT_EQ(Allocations("A12"), (Texts { "dep *", "arr X" }));
    EXPECT_TRUE(Command(".stavodep A12 dep9"));
    EXPECT_EQ(Allocations("A12"), (Texts { "dep DEP9", "arr X" }));
    EXPECT_EQ(Allocations("B1"), (Texts { "dep *" }));
}

TEST_F(BoardCommandsTest, FreeTakesAStandsFirstAllocationOrACallsignEverywhere)
{
    Command(".stavoarr A12 X");
    Command(".stavoarr A12 Y");
    Command(".stavodep A12 D");
    EXPECT_TRUE(Command(".stavofree A12"));
    EXPECT_EQ(Allocations("A12"), (Texts { "arr X", "arr Y" }));
    EXPECT_TRUE(Command(".stavofree a12")); // no stand by that name: a callsign nobody holds
    EXPECT_TRUE(Command(".stavofree x"));
    EXPECT_EQ(Allocations("A12"), (Texts { "arr Y" }));
    EXPECT_TRUE(Command(".stavofree C1"));
}

TEST_F(BoardCommandsTest, PushTurnsOnlyStandingAircraftToPushback)
{
    for (const auto& [from, to] :
        { std::pair { StateOnBlock, StatePushback }, std::pair { StateAtStand, StatePushback },
            std::pair { StateInbound, StateInbound }, std::pair { StateTaxiOut, StateTaxiOut } }) {
        CStavoAircraft& aircraft = Track("PUSH1", from);
        clock.Advance(30);
        EXPECT_TRUE(Command(".stavopush push1"));
        EXPECT_EQ(aircraft.m_State, to);
        EXPECT_EQ(aircraft.m_StateTime == clock.Now(), from != to);
    }
    EXPECT_TRUE(Command(".stavopush NOBODY"));
}

TEST_F(BoardCommandsTest, GateSetsOrClearsTheSecondReferencePosition)
{
    Report("GATE1", 0, 0, kAwayLat, kLon);
    const int c1 = StandIndex("C1");
    EXPECT_TRUE(Command(".stavogate C1 gate1"));
    EXPECT_TRUE(screen->m_Stands[c1].m_PositionValid[1]);
    EXPECT_EQ(screen->m_Stands[c1].m_Position[1].m_Latitude, kAwayLat);
    Report("PARKED", 0, 0, kAwayLat, kLon); // tracking now finds C1 there
    EXPECT_EQ(screen->FindTrackedAircraft("PARKED")->m_Stand, c1);

    EXPECT_FALSE(Command(".stavogate C1 NOBODY"));
    EXPECT_FALSE(Command(".stavogate Z9 GATE1"));
    EXPECT_TRUE(screen->m_Stands[c1].m_PositionValid[1]);
    EXPECT_TRUE(Command(".stavogate C1")); // clearing is carried out, so it is handled
    EXPECT_FALSE(screen->m_Stands[c1].m_PositionValid[1]);
}

TEST_F(BoardCommandsTest, MarginsAreTakenAsTypedAtTheNextRefresh)
{
    EXPECT_TRUE(Command(".stavoleft -20"));
    EXPECT_TRUE(Command(".stavotop 600"));
    EXPECT_EQ(screen->m_LeftEmpty, -20);
    Paint();
    EXPECT_EQ(ItemsOf(DrawItem::Kind::Fill).front().rect, (platform::Rect { -20, 600, 755, 194 }));
    EXPECT_TRUE(Command(".stavoleft x"));
    EXPECT_TRUE(Command(".stavobottom  +7"));
    EXPECT_EQ(std::tie(screen->m_LeftEmpty, screen->m_BottomEmpty), std::tuple(0, 7));

    // Edges far off any screen are held there; the grid still lies between them.
    EXPECT_TRUE(Command(".stavoleft 2147483647"));
    EXPECT_EQ(screen->m_LeftEmpty, INT_MAX);
    EXPECT_TRUE(Command(".stavoleft -2147483648"));
    EXPECT_TRUE(Command(".stavoright -99999999999"));
    EXPECT_TRUE(Command(".stavotop -2147483648"));
    EXPECT_EQ(screen->m_RightEmpty, INT_MIN);
    Paint();
    const platform::Rect board = ItemsOf(DrawItem::Kind::Fill).front().rect;
    EXPECT_GT(screen->m_CellWidth, 0);
    for (const DrawItem& line : ItemsOf(DrawItem::Kind::Line)) {
        EXPECT_GE(line.rect.left, board.left);
        EXPECT_LE(line.rect.right, board.right + 3);
    }
}

TEST_F(BoardCommandsTest, LeavesOtherLinesUnhandledAndUnchanged)
{
    Command(".stavoarr A12 X");
    for (const char* line : { ".stavo free A12", ".STAVOfree A12", ".stavoFree A12", ".stavofree",
             ".stavofree ", ".stavoarr A12", ".stavoarr ", ".stavodep ", ".stavogate ",
             ".stavogate NOSTAND", ".stavoleft", ".stavowhat A12", ".stav", "", "free A12" }) {
        EXPECT_FALSE(Command(line)) << line;
    }
    EXPECT_FALSE(screen->OnCompileCommand(nullptr));
    EXPECT_EQ(Allocations("A12"), (Texts { "arr X" }));
}

TEST_F(BoardCommandsTest, DragSelectsTheStandUnderTheMouseAndAsksForARefresh)
{
    Paint();
    const platform::Rect a12 = screen->m_Stands[StandIndex("A12")].m_Area;
    Track("ARR1", StateInbound);
    const struct {
        platform::Point at;
        int selected;
    } cases[] = { { { a12.left, a12.top }, 0 }, { { a12.right - 1, a12.bottom - 1 }, 0 },
        { { a12.right, a12.top }, -1 }, { { a12.left, a12.bottom }, -1 } };
    for (const auto& c : cases) {
        const platform::Rect area { c.at.x, c.at.y, c.at.x + 70, c.at.y + 21 };
        screen->OnPressScreenObject(1, "ARR1", c.at, area, false);
        EXPECT_EQ(screen->m_SelectedStand, c.selected) << c.at.x << ',' << c.at.y;
        EXPECT_EQ(screen->m_ClickedObjectType, 1);
        EXPECT_EQ(screen->m_ClickedObjectId, "ARR1");
        EXPECT_EQ(screen->m_ClickedArea, area);
    }
    EXPECT_EQ(display.refreshRequests, 4);
    EXPECT_TRUE(Allocations("A12").empty()); // nothing happens before the release
}

TEST_F(BoardCommandsTest, DropsAllocateByTheStateOfTheAircraft)
{
    Paint();
    const struct {
        AircraftState state;
        const char* allocation; // on B1 after the drop, or nullptr for none
    } cases[] = { { StateInbound, "arr DRAG" }, { StateTaxiIn, "arr DRAG" },
        { StateAtStand, "dep DRAG" }, { StatePushback, nullptr }, { StateTaxiOut, nullptr },
        { StateDeparted, nullptr }, { StateOnBlock, nullptr } };
    for (const auto& c : cases) {
        Command(".stavoarr B1 OTHER");
        Track("drag", c.state);
        Drop("drag", Inside("B1"));
        Texts expected { "arr OTHER" };
        if (c.allocation != nullptr)
            expected.insert(
                c.allocation[0] == 'd' ? expected.begin() : expected.end(), c.allocation);
        EXPECT_EQ(Allocations("B1"), expected) << c.state;
        EXPECT_EQ(screen->m_ClickedObjectType, 0);
        Command(".stavofree DRAG");
    }

    Drop("*", Inside("B1")); // the any-aircraft mark is no aircraft
    const platform::Rect a12 = screen->m_Stands[StandIndex("A12")].m_Area;
    Track("GAP", StateInbound);
    Drop("GAP", { a12.right + 1, a12.top + 2 }); // on the separator after the label
    EXPECT_EQ(screen->m_SelectedStand, -1);
    EXPECT_EQ(screen->FindAllocatedStand("GAP"), -1);
    EXPECT_EQ(Allocations("B1"), (Texts { "arr OTHER" }));
}

TEST_F(BoardCommandsTest, DropsFindTheirStandByName)
{
    display.settings = { { "AIRPORT", "LHBP" }, { "STAND1", Stand("D", 0, 0, StandLat(0), kLon) },
        { "STAND2", Stand("D", 0, 3, StandLat(1), kLon) },
        { "STAND3", Stand("E", 1, 3, StandLat(2), kLon) } };
    screen->m_Stands.clear();
    Load();
    screen->m_Stands[2].m_Label.clear(); // E: a stand without a label cannot be found by name
    Paint();
    Track("ARR1", StateInbound);
    const platform::Rect e = screen->m_Stands[2].m_Area;
    Drop("ARR1", { e.left + 1, e.top + 1 }); // the selected stand has no label: no allocation
    EXPECT_EQ(screen->m_SelectedStand, 2);
    EXPECT_EQ(screen->FindAllocatedStand("ARR1"), -1);

    const platform::Rect second = screen->m_Stands[1].m_Area;
    Drop("ARR1", { second.left + 1, second.top + 1 });
    EXPECT_EQ(screen->m_SelectedStand, 1);
    EXPECT_EQ(screen->FindAllocatedStand("ARR1"), 0); // the first stand named D
}

} // namespace
