#include "proxy/app/CellGrid.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Row(const CCellGrid& grid, std::size_t row)
{
    std::vector<std::string> cells;
    for (const CCellText& cell : grid[row])
        cells.emplace_back(cell.view());
    return cells;
}

using Cells = std::vector<std::string>;

TEST(CellTextTest, TextsInPlaceAndOnTheHeapSurviveEveryChangeCopyAndMove)
{
    const std::string fits(15, 'a'), longer = "-33.9461,-151.1772", longest(300, 'z');
    CCellText cell;
    EXPECT_TRUE(cell.empty());
    for (const std::string& text : { fits, longer, std::string("47.4,19.2"), longest, fits,
             std::string(), std::string(16, 'b') }) {
        cell.assign(text);
        EXPECT_EQ(cell, text);
    }
    cell.assign(cell.view().substr(3)); // a part of itself
    EXPECT_EQ(cell, std::string(13, 'b'));

    CCellText copy(cell), moved(std::move(cell));
    EXPECT_EQ(copy, moved);
    EXPECT_TRUE(cell.empty()); // NOLINT: a moved-from cell is empty and usable
    cell.assign(longest);
    copy = cell;
    moved = std::move(cell);
    EXPECT_EQ(copy, longest);
    EXPECT_EQ(moved, longest);
    moved.clear();
    EXPECT_TRUE(moved.empty());
    moved.assign(std::string(std::size_t { 1 } << 24, 'x')); // past what a cell keeps
    EXPECT_EQ(moved.view().size(), (std::size_t { 1 } << 24) - 1);
    static_assert(sizeof(CCellText) == 16);
}

TEST(CellGridTest, RowsAndColumnsInsertedAnywhereKeepEveryCellInItsPlace)
{
    CCellGrid grid(2);
    grid.InsertRow(0);
    grid.InsertRow(9); // beyond the end: appended
    grid[0][0].assign("a0");
    grid[0][1].assign("a1");
    grid[1][0].assign("b0");
    grid[1][1].assign("b1");
    grid.InsertRow(1);
    grid[1][0].assign("m0");
    grid.InsertColumn(1);
    grid.Widen(4);
    grid.Widen(2); // never narrows

    ASSERT_EQ(grid.size(), 3u);
    ASSERT_EQ(grid.Columns(), 4u);
    EXPECT_EQ(Row(grid, 0), (Cells { "a0", "", "a1", "" }));
    EXPECT_EQ(Row(grid, 1), (Cells { "m0", "", "", "" }));
    EXPECT_EQ(Row(grid, 2), (Cells { "b0", "", "b1", "" }));
}

TEST(CellGridTest, ErasedRowsAreClampedLaterRowsMoveUpAndNewRowsStartEmpty)
{
    CCellGrid grid(1);
    for (const char* text : { "a", "b", "c", "d" }) {
        grid.InsertRow(grid.size());
        grid[grid.size() - 1][0].assign(text);
    }
    grid.EraseRows(1, 2);
    ASSERT_EQ(grid.size(), 2u);
    EXPECT_EQ(grid[1][0], "d");
    grid.EraseRows(1, 100);
    grid.EraseRows(5, 1); // past the end: nothing
    ASSERT_EQ(grid.size(), 1u);
    EXPECT_EQ(grid[0][0], "a");
    grid.InsertRow(0); // takes the slot of a deleted row
    EXPECT_EQ(Row(grid, 0), (Cells { "" }));
    grid.EraseRows(0, 1);
    EXPECT_EQ(grid, [] {
        CCellGrid same(1);
        same.InsertRow(0);
        same[0][0].assign("a");
        return same;
    }());
}

} // namespace
