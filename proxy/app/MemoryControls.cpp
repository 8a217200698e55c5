#include "MemoryControls.h"

#include <algorithm>

void CMemoryControls::SetWindowText(int id, std::string_view text)
{
    m_texts[id].assign(text);
}

std::string CMemoryControls::GetWindowText(int id) const
{
    const auto it = m_texts.find(id);
    return it == m_texts.end() ? std::string() : it->second;
}

void CMemoryControls::EnableWindow(int id, bool enable)
{
    m_disabled[id] = !enable;
}

bool CMemoryControls::IsWindowEnabled(int id) const
{
    const auto it = m_disabled.find(id);
    return it == m_disabled.end() || !it->second;
}

void CMemoryControls::ListInsertColumn(int id, int column, std::string_view header)
{
    ListView& list = MutableList(id);
    column = std::clamp(column, 0, static_cast<int>(list.headers.size()));
    list.headers.emplace(list.headers.begin() + column, header);
    for (auto& row : list.rows)
        row.emplace(row.begin() + std::min<std::size_t>(column, row.size()));
}

int CMemoryControls::ListGetItemCount(int id) const
{
    return static_cast<int>(List(id).rows.size());
}

void CMemoryControls::ListInsertItem(int id, int row, std::string_view text)
{
    ListView& list = MutableList(id);
    row = std::clamp(row, 0, static_cast<int>(list.rows.size()));
    auto& cells = *list.rows.emplace(list.rows.begin() + row);
    cells.resize(std::max<std::size_t>(list.headers.size(), 1));
    cells[0].assign(text);
}

void CMemoryControls::ListSetItemText(int id, int row, int column, std::string_view text)
{
    ListView& list = MutableList(id);
    if (row < 0 || row >= static_cast<int>(list.rows.size()) || column < 0)
        return;
    auto& cells = list.rows[row];
    if (column >= static_cast<int>(cells.size()))
        cells.resize(column + 1);
    cells[column].assign(text);
}

void CMemoryControls::ListDeleteItem(int id, int row)
{
    ListView& list = MutableList(id);
    if (row >= 0 && row < static_cast<int>(list.rows.size()))
        list.rows.erase(list.rows.begin() + row);
}

void CMemoryControls::ListDeleteItems(int id, int row, int count)
{
    ListView& list = MutableList(id);
    const int size = static_cast<int>(list.rows.size());
    if (row < 0 || row >= size || count <= 0)
        return;
    const int end = row + std::min(count, size - row);
    list.rows.erase(list.rows.begin() + row, list.rows.begin() + end);
}

void CMemoryControls::MessageBox(std::string_view text)
{
    m_messageBoxes.emplace_back(text);
}

const CMemoryControls::ListView& CMemoryControls::List(int id) const
{
    static const ListView kEmpty;
    for (const auto& [listId, list] : m_lists) {
        if (listId == id)
            return list;
    }
    return kEmpty;
}

std::string CMemoryControls::Cell(int id, int row, int column) const
{
    const ListView& list = List(id);
    if (row < 0 || row >= static_cast<int>(list.rows.size()))
        return {};
    const auto& cells = list.rows[row];
    return column >= 0 && column < static_cast<int>(cells.size()) ? cells[column] : std::string();
}

CMemoryControls::ListView& CMemoryControls::MutableList(int id)
{
    for (auto& [listId, list] : m_lists) {
        if (listId == id)
            return list;
    }
    return m_lists.emplace_back(id, ListView {}).second;
}
