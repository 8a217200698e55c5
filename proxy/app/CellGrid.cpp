#include "CellGrid.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

CCellGrid::CCellGrid(std::size_t columns)
    : m_columns(std::max<std::size_t>(columns, 1))
{
}

void CCellGrid::InsertColumns(std::size_t column, std::size_t count)
{
    column = std::min(column, m_columns);
    const std::size_t slots = m_cells.size() / m_columns;
    std::vector<CCellText> cells;
    cells.reserve(slots * (m_columns + count));
    for (std::size_t s = 0; s < slots; ++s) {
        const auto slot = m_cells.begin() + static_cast<std::ptrdiff_t>(s * m_columns);
        const auto at = slot + static_cast<std::ptrdiff_t>(column);
        cells.insert(cells.end(), std::make_move_iterator(slot), std::make_move_iterator(at));
        cells.resize(cells.size() + count);
        cells.insert(cells.end(), std::make_move_iterator(at),
            std::make_move_iterator(slot + static_cast<std::ptrdiff_t>(m_columns)));
    }
    m_cells.swap(cells);
    m_columns += count;
}

void CCellGrid::Widen(std::size_t columns)
{
    if (columns > m_columns)
        InsertColumns(m_columns, columns - m_columns);
}

void CCellGrid::InsertRow(std::size_t row)
{
    row = std::min(row, m_slots.size());
    if (m_freeSlots.empty()) {
        const std::size_t slot = m_cells.size() / m_columns;
        if (slot > UINT32_MAX)
            throw std::length_error("too many rows");
        m_cells.resize(m_cells.size() + m_columns);
        try {
            m_slots.insert(m_slots.begin() + static_cast<std::ptrdiff_t>(row),
                static_cast<std::uint32_t>(slot));
        } catch (...) {
            m_cells.resize(m_cells.size() - m_columns);
            throw;
        }
        return;
    }
    m_slots.insert(m_slots.begin() + static_cast<std::ptrdiff_t>(row), m_freeSlots.back());
    m_freeSlots.pop_back();
}

void CCellGrid::EraseRows(std::size_t row, std::size_t count)
{
    if (row >= m_slots.size())
        return;
    count = std::min(count, m_slots.size() - row);
    const auto first = m_slots.begin() + static_cast<std::ptrdiff_t>(row);
    const auto last = first + static_cast<std::ptrdiff_t>(count);
    m_freeSlots.reserve(m_freeSlots.size() + count);
    for (auto it = first; it != last; ++it) {
        for (CCellText& cell : (*this)[static_cast<std::size_t>(it - m_slots.begin())])
            cell.clear();
        m_freeSlots.push_back(*it);
    }
    m_slots.erase(first, last);
}

bool CCellGrid::operator==(const CCellGrid& other) const
{
    if (m_columns != other.m_columns || size() != other.size())
        return false;
    for (std::size_t r = 0; r < size(); ++r) {
        if (!std::equal((*this)[r].begin(), (*this)[r].end(), other[r].begin()))
            return false;
    }
    return true;
}
