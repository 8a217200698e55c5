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
    // Every row has its first cell, the item text, before there is any header.
    if (list.headers.size() > list.rows.Columns())
        list.rows.InsertColumn(static_cast<std::size_t>(column));
}

int CMemoryControls::ListGetItemCount(int id) const
{
    return static_cast<int>(List(id).rows.size());
}

void CMemoryControls::ListInsertItem(int id, int row, std::string_view text)
{
    ListView& list = MutableList(id);
    row = std::clamp(row, 0, static_cast<int>(list.rows.size()));
    list.rows.InsertRow(static_cast<std::size_t>(row));
    list.rows[static_cast<std::size_t>(row)][0].assign(text);
}

void CMemoryControls::ListSetItemText(int id, int row, int column, std::string_view text)
{
    ListView& list = MutableList(id);
    if (row < 0 || row >= static_cast<int>(list.rows.size()) || column < 0)
        return;
    if (static_cast<std::size_t>(column) >= list.rows.Columns())
        list.rows.Widen(static_cast<std::size_t>(column) + 1);
    list.rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)].assign(text);
}

void CMemoryControls::ListDeleteItem(int id, int row)
{
    if (row >= 0)
        MutableList(id).rows.EraseRows(static_cast<std::size_t>(row), 1);
}

void CMemoryControls::ListDeleteItems(int id, int row, int count)
{
    if (row >= 0 && count > 0)
        MutableList(id).rows.EraseRows(
            static_cast<std::size_t>(row), static_cast<std::size_t>(count));
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
    if (row < 0 || row >= static_cast<int>(list.rows.size()) || column < 0
        || static_cast<std::size_t>(column) >= list.rows.Columns())
        return {};
    return std::string(
        list.rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)].view());
}

CMemoryControls::ListView& CMemoryControls::MutableList(int id)
{
    for (auto& [listId, list] : m_lists) {
        if (listId == id)
            return list;
    }
    return m_lists.emplace_back(id, ListView {}).second;
}
