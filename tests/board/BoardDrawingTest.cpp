#include "BoardTestSupport.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace {

using boardtest::DrawItem;
using boardtest::kAwayLat;
using boardtest::kLon;
using boardtest::StandLat;
using stavotest::Stand;

constexpr platform::Color kPanel = platform::Rgb(220, 220, 220);
constexpr platform::Color kHighlight = platform::Rgb(220, 255, 255);

class BoardDrawingTest : public boardtest::BoardTest {
protected:
    BoardDrawingTest() { LoadSmallBoard("A1", "A2", "B1"); }

    // (x or y, pen width) of the lines running along the other axis within [from, to).
    std::vector<std::pair<int, int>> Rules(bool horizontal, int from, int to) const
    {
        std::vector<std::pair<int, int>> rules;
        for (const DrawItem& line : ItemsOf(DrawItem::Kind::Line)) {
            const bool isHorizontal = line.rect.top == line.rect.bottom;
            const int at = isHorizontal ? line.rect.top : line.rect.left;
            const int along = isHorizontal ? line.rect.left : line.rect.top;
            if (isHorizontal == horizontal && along >= from && along < to)
                rules.emplace_back(at, line.number);
        }
        std::sort(rules.begin(), rules.end());
        return rules;
    }
};

TEST_F(BoardDrawingTest, PhasesOtherThanOneDrawAndChangeNothing)
{
    Arrive("GONE", 5.0);
    services.aircraft.erase("GONE");
    for (int phase : { 0, 2, 3 }) {
        Paint(phase);
        EXPECT_TRUE(recorder.Items().empty()) << phase;
    }
    EXPECT_EQ(screen->m_LineHeight, 0);
    EXPECT_EQ(screen->m_TrackedAircraft.size(), 1u);
    Paint(1); // the host no longer knows the aircraft: the refresh drops it
    EXPECT_TRUE(screen->m_TrackedAircraft.empty());
}

TEST_F(BoardDrawingTest, LaysTheGridOutInWholePixels)
{
    Paint();
    EXPECT_EQ(screen->m_LineHeight, 30);
    EXPECT_EQ(screen->m_CellWidth, 10);
    const std::vector<DrawItem> fills = ItemsOf(DrawItem::Kind::Fill);
    ASSERT_FALSE(fills.empty());
    EXPECT_EQ(fills.front().rect, (platform::Rect { 0, 0, 755, 194 }));
    EXPECT_EQ(fills.front().color, kPanel);

    // Frame, the thick rule closing the final row, thin rules between stand lines and a thick
    // one under the last: 6 lines of 31 pixels and 7 of frame fit the 194 pixels.
    EXPECT_EQ(Rules(true, 0, 1),
        (std::vector<std::pair<int, int>> {
            { 1, 3 }, { 34, 3 }, { 66, 0 }, { 97, 0 }, { 128, 0 }, { 159, 0 }, { 191, 3 } }));
    for (const DrawItem& line : ItemsOf(DrawItem::Kind::Line)) {
        if (line.rect.top == line.rect.bottom) {
            EXPECT_EQ(line.rect.right, 755);
        } else {
            EXPECT_EQ(line.rect.bottom - line.rect.top, 30);
        }
    }

    // A final slot is 14 units and 8 pixels wide: 5 of them make 70 * U + 40 = 740 pixels.
    std::vector<std::pair<int, int>> slots;
    for (int b = 0; b < 5 * 148; b += 148)
        slots.insert(slots.end(), { { b + 1, 3 }, { b + 73, 0 }, { b + 94, 0 }, { b + 146, 3 } });
    EXPECT_EQ(Rules(false, 3, 4), slots);
    // A stand cell is 36 units and 19 pixels wide: a line is 72 * U + 38 = 758 pixels.
    std::vector<std::pair<int, int>> cells;
    for (int b : { 0, 379 })
        cells.insert(cells.end(),
            { { b + 1, 3 }, { b + 34, 3 }, { b + 106, 0 }, { b + 127, 0 }, { b + 179, 3 },
                { b + 251, 0 }, { b + 272, 0 }, { b + 324, 3 }, { b + 377, 3 } });
    EXPECT_EQ(Rules(false, 36, 37), cells);

    EXPECT_EQ(screen->m_Stands[StandIndex("A1")].m_Area, (platform::Rect { 3, 36, 33, 65 }));
    EXPECT_EQ(screen->m_Stands[StandIndex("A2")].m_Area, (platform::Rect { 382, 36, 412, 65 }));
    EXPECT_EQ(screen->m_Stands[StandIndex("B1")].m_Area, (platform::Rect { 3, 67, 33, 96 }));
}

// What a host reading the board back relies on: every text, bitmap and screen object lies in a
// column of the cell the layout gives its slot or stand, and the settings read the same rows.
TEST_F(BoardDrawingTest, DrawsEveryItemInsideTheCellsOfItsLayout)
{
    ASSERT_TRUE(screen->OnCompileCommand(".stavodep A1 DEP1"));
    Report("DEP1", 0, 0, StandLat(0), kLon);
    Arrive("ARR1", 5.0);
    Arrive("ARR2", 7.0, true);
    ASSERT_TRUE(screen->OnCompileCommand(".stavoarr B1 ARR1"));
    ASSERT_TRUE(screen->OnCompileCommand(".stavoarr B1 ARR2"));
    Paint();
    const stavo::CBoardLayout& layout = screen->m_Layout;
    ASSERT_EQ(layout.finalSlots.size(), 5u);
    ASSERT_EQ(layout.standCells.size(), 10u);
    const auto within = [](const platform::Rect& item, const platform::Rect& cell) {
        return item.left >= cell.left && item.right <= cell.right && item.top >= cell.top
            && item.bottom <= cell.bottom;
    };
    // Slot k shows final entry k; stand cells show the stand placed in them.
    std::vector<std::string> seen;
    for (const DrawItem& item : recorder.Items()) {
        if (item.kind != DrawItem::Kind::Text && item.kind != DrawItem::Kind::Bitmap)
            continue;
        std::string where;
        for (std::size_t k = 0; k < layout.finalSlots.size(); ++k)
            for (std::size_t c = 0; c < stavo::kSlotColumns; ++c)
                if (within(item.rect, layout.finalSlots[k][c]))
                    where = "slot " + std::to_string(k) + "." + std::to_string(c);
        for (std::size_t k = 0; k < layout.standCells.size(); ++k)
            for (std::size_t c = 0; c < stavo::kStandColumns; ++c)
                if (within(item.rect, layout.standCells[k][c]) && layout.cellStand[k] >= 0)
                    where = screen->m_Stands[layout.cellStand[k]].m_Label + "." + std::to_string(c);
        seen.push_back(where + " " + (item.text.empty() ? std::to_string(item.number) : item.text));
    }
    EXPECT_EQ(seen,
        (std::vector<std::string> { "slot 0.0 ARR1", "slot 0.1 139", "slot 0.2 B1", "slot 1.0 ARR2",
            "slot 1.1 180", "slot 1.2 B1", "A1.0 A1", "A1.1 DEP1", "A1.2 183", "A1.3 00:00",
            "A2.0 A2", "B1.0 B1", "B1.4 ARR1", "B1.5 139", "B1.6 5", "B1.7 7" }));
    for (const auto& object : display.objects) {
        const platform::Rect& area = object.area;
        const bool inSlot
            = within(area, layout.finalSlots[0][0]) || within(area, layout.finalSlots[1][0]);
        const auto* a1 = layout.StandCell(StandIndex("A1"));
        const auto* b1 = layout.StandCell(StandIndex("B1"));
        ASSERT_TRUE(a1 != nullptr && b1 != nullptr);
        EXPECT_TRUE(inSlot || within(area, (*a1)[1]) || within(area, (*b1)[4])) << object.id;
    }

    screen->m_Separators = { 2, 4 };
    const stavo::CBoardShape rows = stavo::ReadBoardRows([](const char* key) -> const char* {
        const std::string k = key;
        return k == "FINAL"     ? "9"
            : k == "LINES"      ? "3"
            : k == "SEPARATOR1" ? "2"
            : k == "SEPARATOR2" ? " 4x"
                                : nullptr;
    });
    EXPECT_EQ(rows.finalRows, 4); // held in range as the loader does
    EXPECT_EQ(rows.standLines, 5);
    EXPECT_EQ(rows.separators, screen->m_Separators);
}

TEST_F(BoardDrawingTest, ThickRulesFollowSeparatorsInTheOrderRead)
{
    const struct {
        std::vector<int> separators;
        std::vector<int> thickUnder; // stand lines counted from 1
    } cases[] = {
        { {}, { 12 } },
        { { 5, 10 }, { 5, 10, 12 } },
        { { 10, 5 }, { 10, 11, 12 } },
        { { 12 }, { 12 } },
    };
    for (const auto& c : cases) {
        screen->m_StandLines = 12;
        screen->m_Separators = c.separators;
        // 13 lines of 21 pixels, 7 of frame and two more per separator: H stays 20.
        SetBoard(755, 281 + 2 * static_cast<int>(c.separators.size()));
        Paint();
        ASSERT_EQ(screen->m_LineHeight, 20);
        const std::vector<std::pair<int, int>> rules = Rules(true, 0, 1);
        ASSERT_EQ(rules.size(), 14u); // frame, final row, 12 stand lines
        std::vector<int> thick;
        for (std::size_t k = 2; k < rules.size(); ++k) {
            if (rules[k].second == 3)
                thick.push_back(static_cast<int>(k) - 1);
        }
        EXPECT_EQ(thick, c.thickUnder);
        EXPECT_LT(rules.back().first + 2, display.chatArea.top); // a pixel to spare
    }
}

TEST_F(BoardDrawingTest, LowBoardsKeepTenPixelLinesNarrowOnesLoseTheirCells)
{
    SetBoard(106, 20);
    Paint();
    EXPECT_EQ(screen->m_LineHeight, 10);
    EXPECT_EQ(screen->m_CellWidth, 0);
    EXPECT_GT(screen->m_Stands[StandIndex("B1")].m_Area.top, 20); // the grid runs below
    for (const DrawItem& line : ItemsOf(DrawItem::Kind::Line)) {
        if (line.rect.top != line.rect.bottom) {
            EXPECT_EQ(line.rect.bottom - line.rect.top, 10);
        }
        EXPECT_LE(line.rect.left, 38); // only the separators remain, 40 pixels of them
    }
    SetBoard(107, 20);
    Paint();
    EXPECT_EQ(screen->m_CellWidth, 1);
}

TEST_F(BoardDrawingTest, FillsInsideTheMarginsWithTheBoardFontAndRestoresTheContext)
{
    display.radarArea = { 10, 20, 810, 620 };
    display.chatArea = { 10, 648, 810, 700 };
    ASSERT_TRUE(screen->OnCompileCommand(".stavoleft 5"));
    ASSERT_TRUE(screen->OnCompileCommand(".stavotop 6"));
    ASSERT_TRUE(screen->OnCompileCommand(".stavoright 7"));
    ASSERT_TRUE(screen->OnCompileCommand(".stavobottom 8"));
    boardtest::ProbeContext probe(recorder);
    const platform::CPen hostPen { 2, platform::Rgb(255, 0, 0) };
    const auto hostFont = probe.CreateFontIndirect(platform::LogFont {});
    probe.SelectPen(&hostPen);
    probe.SelectFont(hostFont.get());
    screen->OnPaintDisplay(&probe, 1);
    EXPECT_EQ(recorder.Items().front().rect, (platform::Rect { 15, 26, 803, 640 }));
    EXPECT_EQ(probe.selectedPen, &hostPen);
    EXPECT_EQ(probe.selectedFont, hostFont.get());

    ASSERT_EQ(probe.fontRequests.size(), 2u);
    const platform::LogFont& font = probe.fontRequests[1];
    EXPECT_EQ(font.height, 20); // lines are 100 pixels high; the font stays at 20
    EXPECT_EQ(font.faceName, "Ariel");
    EXPECT_EQ(font.charSet, 238);
    EXPECT_EQ(font.weight, 400);
    EXPECT_FALSE(font.italic || font.underline || font.strikeOut);
    // Text boxes are a pixel taller than the font, centred in the line: (100 - 21) / 2 down.
    const auto texts = ItemsOf(DrawItem::Kind::Text);
    ASSERT_FALSE(texts.empty());
    const platform::Rect& a1 = screen->m_Stands[StandIndex("A1")].m_Area;
    EXPECT_EQ(texts.front().rect, (platform::Rect { a1.left, a1.top + 39, a1.right, a1.top + 60 }));
    EXPECT_EQ(texts.front().format, platform::kDrawTextCenter);

    // A font taller than the line fills the line but its last pixel row.
    probe.textHeight = 200;
    recorder.Clear();
    screen->OnPaintDisplay(&probe, 1);
    EXPECT_EQ(ItemsOf(DrawItem::Kind::Text).front().rect,
        (platform::Rect { a1.left, a1.top, a1.right, a1.top + 99 }));

    // Without a font the panel and the grid still show, and drags still find their stands.
    probe.failFonts = true;
    recorder.Clear();
    screen->OnPaintDisplay(&probe, 1);
    EXPECT_TRUE(ItemsOf(DrawItem::Kind::Text).empty());
    EXPECT_FALSE(ItemsOf(DrawItem::Kind::Line).empty());
    EXPECT_EQ(screen->m_Stands[StandIndex("A1")].m_Area, a1);
}

TEST_F(BoardDrawingTest, ShowsEveryCellOfAStandLine)
{
    ASSERT_TRUE(screen->OnCompileCommand(".stavodep A1 dep1"));
    Report("DEP1", 0, 0, StandLat(0), kLon); // reaches its allocated stand: blue
    Arrive("ARR0", 9.0);
    clock.Advance(100);
    Report("ARR0", 0, 0, StandLat(1), kLon); // on block without an allocation: red
    clock.Advance(110);
    ASSERT_TRUE(screen->OnCompileCommand(".stavodep A1"));
    Arrive("ARR1", 1.0, true);
    Arrive("ARR2", 12.6);
    ASSERT_TRUE(screen->OnCompileCommand(".stavoarr A2 ARR1"));
    ASSERT_TRUE(screen->OnCompileCommand(".stavoarr A2 ARR2"));
    services.aircraft["ARR1"]->flightPlanReceived = true;
    services.aircraft["ARR1"]->aircraftType = "A320";
    clock.Advance(90);
    ASSERT_EQ(clock.Now() % 2, 0);
    Paint();

    // Line 0 starts at y 36; its texts sit 4 pixels down in boxes 21 high, bitmaps fill the line.
    EXPECT_EQ(DumpBetween(36, 67),
        (std::vector<std::string> { "text 3 40 33 61 A1", "text 36 40 106 61 DEP1",
            "bitmap 107 36 127 66 183", "text 128 40 178 61 05:00", "text 181 40 251 61 *",
            "bitmap 252 36 272 66 183", "text 273 40 323 61 01:30", "text 382 40 412 61 A2",
            "text 415 40 485 61 ARR0", "bitmap 486 36 506 66 141", "text 507 40 557 61 03:20",
            "text 560 40 630 61 ARR1", "bitmap 631 36 651 66 180", "text 652 40 702 61 TAXI",
            "text 705 40 755 61 13" }));
    // Final slots, nearest first; at an even second a received flight plan shows its type.
    EXPECT_EQ(DumpBetween(3, 36),
        (std::vector<std::string> { "text 3 7 73 28 ARR1", "bitmap 74 3 94 33 180",
            "text 95 7 145 28 A320", "text 151 7 221 28 ARR2", "bitmap 222 3 242 33 139",
            "text 243 7 293 28 A2" }));
    EXPECT_EQ(
        ObjectIds(), (std::vector<std::string> { "ARR1", "ARR2", "DEP1", "*", "ARR0", "ARR1" }));
    for (const auto& object : display.objects) {
        EXPECT_EQ(object.type, 1);
        EXPECT_TRUE(object.moveable && !object.hasMessage);
    }
    EXPECT_EQ(display.objects[2].area, (platform::Rect { 36, 40, 106, 61 }));

    clock.Advance(1); // odd second: the stand, or the distance without an allocation
    ASSERT_TRUE(screen->OnCompileCommand(".stavofree ARR2"));
    Paint();
    EXPECT_EQ(DumpBetween(3, 36)[2], "text 95 7 145 28 A2");
    EXPECT_EQ(DumpBetween(3, 36)[4], "bitmap 222 3 242 33 141");
    EXPECT_EQ(DumpBetween(3, 36)[5], "text 243 7 293 28 13");
    EXPECT_EQ(DumpBetween(36, 67).back(), "text 652 40 702 61 TAXI"); // one allocation: no 7
}

TEST_F(BoardDrawingTest, PicksTheStatusBitmapOfEveryCase)
{
    CStavoStand& stand = screen->m_Stands[0];
    const TrackedNode node = screen->m_TrackedAircraft.insert(
        screen->m_TrackedAircraft.end(), CStavoAircraft { "X1", StateNone, 0.0, 0, 0, false });
    stand.m_StandingAircraft.push_back(node);
    const struct {
        AircraftState state;
        bool allocated;
        int bitmap;
    } standing[] = { { StateAtStand, true, 183 }, { StatePushback, true, 186 },
        { StateOnBlock, true, 139 }, { StateAtStand, false, 142 }, { StatePushback, false, 146 },
        { StateOnBlock, false, 141 } };
    for (const auto& c : standing) {
        node->m_State = c.state;
        node->m_Allocated = c.allocated;
        EXPECT_EQ(screen->StandCellBitmap(stand, 2), c.bitmap) << c.state << c.allocated;
    }

    EXPECT_EQ(screen->StandCellBitmap(stand, 5), 0);
    const struct {
        bool departure;
        AircraftState state; // of the allocated aircraft X1
        int bitmap;
    } allocation[]
        = { { true, StateTaxiIn, 183 }, { false, StateTaxiIn, 180 }, { false, StateInbound, 139 } };
    for (const auto& c : allocation) {
        stand.m_Allocations = { CStavoAllocation { c.departure, "X1", 0 } };
        node->m_State = c.state;
        EXPECT_EQ(screen->StandCellBitmap(stand, 5), c.bitmap);
    }
    stand.m_Allocations = { CStavoAllocation { false, "NOTTRACKED", 0 } };
    EXPECT_EQ(screen->StandCellBitmap(stand, 5), 139);

    for (const auto& [state, allocatedStand, bitmap] :
        { std::tuple { StateInbound, 0, 139 }, std::tuple { StateInbound, -1, 141 },
            std::tuple { StateTaxiIn, 0, 180 }, std::tuple { StateTaxiIn, -1, 181 } }) {
        node->m_State = state;
        EXPECT_EQ(screen->FinalSlotBitmap(CStavoFinalPositions { 0, 0, node, allocatedStand }, 1),
            bitmap);
    }
}

TEST_F(BoardDrawingTest, ElapsedTimesCountMinutesPastTheHour)
{
    Report("LONG", 0, 0, StandLat(2), kLon);
    Paint();
    const CStavoStand& b1 = screen->m_Stands[StandIndex("B1")];
    for (const auto& [advance, text] :
        { std::pair { 59, "00:59" }, std::pair { 7141, "120:00" }, std::pair { -7300, "00:00" } }) {
        clock.Advance(advance);
        EXPECT_EQ(screen->StandCellText(b1, 3), text);
    }
}

TEST_F(BoardDrawingTest, FillsOnlyTheSlotsOfTheFinalRows)
{
    for (int k = 1; k <= 7; ++k)
        Arrive("IN" + std::to_string(k), 20.0 - k);
    Paint();
    EXPECT_EQ(screen->m_Finals.size(), 7u);
    EXPECT_EQ(ObjectIds(), (std::vector<std::string> { "IN7", "IN6", "IN5", "IN4", "IN3" }));
    EXPECT_EQ(screen->m_Finals[5].m_X, 0); // no cell
    EXPECT_EQ(DumpBetween(3, 36).size(), 15u);
}

// Many aircraft the host no longer knows go at one refresh; the rest keep their order, and each
// arrival shows the first stand allocated to it, in any case of its callsign.
TEST_F(BoardDrawingTest, DropsEveryForgottenAircraftAtOneRefreshAndKeepsTheRest)
{
    std::vector<std::string> kept;
    for (int k = 1; k <= 60; ++k) {
        const std::string callsign = "IN" + std::to_string(k);
        Arrive(callsign, 100.0 - k);
        if (k % 3 != 0)
            services.aircraft.erase(callsign);
        else
            kept.insert(kept.begin(), callsign);
    }
    screen->AllocateArrival(screen->m_Stands[2].m_Name, "in3");
    screen->AllocateArrival(screen->m_Stands[1].m_Name, "IN6");
    Paint();
    EXPECT_EQ(TrackedCallsigns(), kept);
    ASSERT_EQ(screen->m_Finals.size(), kept.size());
    for (std::size_t k = 0; k < kept.size(); ++k) {
        const CStavoFinalPositions& entry = screen->m_Finals[k];
        EXPECT_EQ(entry.m_Node->m_Callsign, kept[k]);
        EXPECT_EQ(entry.m_AllocatedStand, screen->FindAllocatedStand(kept[k])) << kept[k];
    }
    EXPECT_EQ(screen->m_Finals.back().m_AllocatedStand, 2);
    EXPECT_EQ(screen->m_Finals[kept.size() - 2].m_AllocatedStand, 1);
}

TEST_F(BoardDrawingTest, PlacesEveryStandThatHasACell)
{
    display.settings = { { "AIRPORT", "LHBP" }, { "FINAL", "1" }, { "LINES", "5" },
        { "STAND1", Stand("OK1", 0, 0, StandLat(0), kLon) },
        { "STAND2", Stand("COL2", 2, 0, StandLat(1), kLon) },
        { "STAND3", Stand("TWIN", 0, 0, StandLat(2), kLon) },
        { "STAND4", Stand("ABOVE", 0, -1, StandLat(3), kLon) },
        { "STAND5", Stand("BELOW", 1, 5, StandLat(4), kLon) },
        { "STAND6", Stand("OK2", 1, 4, StandLat(5), kLon) } };
    screen->m_Stands.clear();
    Load();
    Paint();
    std::vector<std::string> drawn;
    for (const DrawItem& text : ItemsOf(DrawItem::Kind::Text))
        drawn.push_back(text.text);
    EXPECT_EQ(drawn, (std::vector<std::string> { "OK1", "OK2" }));
    for (const char* unplaced : { "COL2", "TWIN", "ABOVE", "BELOW" })
        EXPECT_EQ(screen->m_Stands[StandIndex(unplaced)].m_Area, platform::Rect {}) << unplaced;
    EXPECT_EQ(screen->m_Stands[StandIndex("OK2")].m_Area.top, 36 + 4 * 31);

    // The twin's cell is its elder's: a drop there allocates OK1.
    const platform::Rect ok1 = screen->m_Stands[StandIndex("OK1")].m_Area;
    Arrive("ARR1", 5.0);
    screen->OnPressScreenObject(1, "ARR1", { ok1.left, ok1.top }, {}, true);
    EXPECT_EQ(Allocations("OK1"), (std::vector<std::string> { "arr ARR1" }));
}

TEST_F(BoardDrawingTest, HighlightsTheStandUnderADragAndDrawsTheDraggedText)
{
    Paint();
    const platform::Rect a2 = screen->m_Stands[StandIndex("A2")].m_Area;
    const platform::Rect dragged { 400, 100, 470, 121 };
    screen->OnPressScreenObject(1, "ARR1", { a2.left + 1, a2.top + 1 }, dragged, false);
    Paint();
    const auto& items = recorder.Items();
    const auto fill = std::find_if(items.begin(), items.end(),
        [](const DrawItem& i) { return i.kind == DrawItem::Kind::Fill && i.color == kHighlight; });
    ASSERT_NE(fill, items.end());
    EXPECT_EQ(fill->rect, a2);
    EXPECT_EQ(std::next(fill)->text, "A2"); // the label is drawn over it
    EXPECT_EQ(platform::FormatDumpLine(items.back()), "text 400 100 470 121 ARR1");

    screen->OnPressScreenObject(1, "ARR1", { a2.left + 1, a2.top + 1 }, dragged, true);
    Paint();
    EXPECT_EQ(std::count_if(recorder.Items().begin(), recorder.Items().end(),
                  [](const DrawItem& i) { return i.color == kHighlight || i.text == "ARR1"; }),
        0);
}

} // namespace
