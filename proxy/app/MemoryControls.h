// Dialog controls held in memory: texts, enabled states and list views as plain vectors, the way
// a front-end's model keeps them. For front-ends that show the state in their own way (a console
// printout, a benchmark) and as the base of test fakes.
#pragma once

#include "CellGrid.h"
#include "platform/DialogControls.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

class CMemoryControls : public platform::CDialogControls {
public:
    struct ListView {
        std::vector<std::string> headers;
        CCellGrid rows; // as wide as the headers, and at least one cell
    };

    void SetWindowText(int id, std::string_view text) override;
    std::string GetWindowText(int id) const override;
    void EnableWindow(int id, bool enable) override;
    bool IsWindowEnabled(int id) const override;
    void ListInsertColumn(int id, int column, std::string_view header) override;
    int ListGetItemCount(int id) const override;
    void ListInsertItem(int id, int row, std::string_view text) override;
    void ListSetItemText(int id, int row, int column, std::string_view text) override;
    void ListDeleteItem(int id, int row) override;
    void ListDeleteItems(int id, int row, int count) override;
    void MessageBox(std::string_view text) override;

    // The list view with this id; an empty one if nothing was written to it.
    const ListView& List(int id) const;
    // Cell text, or an empty text outside the list.
    std::string Cell(int id, int row, int column) const;
    const std::vector<std::string>& MessageBoxes() const { return m_messageBoxes; }

private:
    ListView& MutableList(int id);

    std::map<int, std::string> m_texts;
    std::map<int, bool> m_disabled;
    // A few list views at most; a vector beats a map on the hot path of every cell update.
    std::vector<std::pair<int, ListView>> m_lists;
    std::vector<std::string> m_messageBoxes;
};
