// The cell texts of a list view, with the cells of all rows in one block.
//
// A feed line changes a few cells of one row. With tens of thousands of rows the cells are out of
// cache, and a row that is an allocation of its own is one more wait for memory before its cells
// can be reached. Here a row is found through a small index (four bytes a row, which stays in
// cache) and its cells lie side by side in a slot of the block. Deleting rows moves only index
// entries; the freed slots are cleared and taken by the next rows inserted.
#pragma once

#include "CellText.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class CCellGrid {
public:
    // Rows of `columns` cells; at least one, the row's item text.
    CCellGrid() = default;
    explicit CCellGrid(std::size_t columns);

    std::size_t size() const { return m_slots.size(); } // rows
    bool empty() const { return m_slots.empty(); }
    std::size_t Columns() const { return m_columns; }

    // The cells of a row, in range.
    std::span<CCellText> operator[](std::size_t row)
    {
        return { m_cells.data() + std::size_t { m_slots[row] } * m_columns, m_columns };
    }
    std::span<const CCellText> operator[](std::size_t row) const
    {
        return { m_cells.data() + std::size_t { m_slots[row] } * m_columns, m_columns };
    }

    // An empty cell before `column` in every row; beyond the last column, one more column.
    void InsertColumn(std::size_t column) { InsertColumns(column, 1); }
    // Widens every row to at least `columns` cells.
    void Widen(std::size_t columns);
    // A row of empty cells before `row`; beyond the last row, one more row.
    void InsertRow(std::size_t row);
    // Deletes the rows [row, row + count) that exist.
    void EraseRows(std::size_t row, std::size_t count);

    // Same rows with the same cells, wherever they are kept.
    bool operator==(const CCellGrid& other) const;

private:
    void InsertColumns(std::size_t column, std::size_t count);

    std::size_t m_columns = 1;
    std::vector<std::uint32_t> m_slots; // row to slot
    std::vector<CCellText> m_cells; // slot * m_columns, a row's cells
    std::vector<std::uint32_t> m_freeSlots; // cleared slots of deleted rows
};
