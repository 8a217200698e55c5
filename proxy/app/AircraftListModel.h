// The model behind the window's aircraft list: rows of cell texts, changed one cell at a time.
//
// A busy feed changes several cells per line, thousands of lines a second. The cells are stored
// as the 8-bit texts the parser writes and decoded (Latin-1) only when the view paints a visible
// cell; the views hear of changed cells at most every kRefreshMilliseconds, as one range of rows.
// Inserting and removing rows, which happens only when an aircraft is first heard or purged, is
// announced at once. The list is never reset or sorted.
#pragma once

#include "CellGrid.h"

#include <QAbstractTableModel>
#include <QTimer>

#include <string>
#include <string_view>
#include <vector>

class CAircraftListModel : public QAbstractTableModel {
public:
    static constexpr int kRefreshMilliseconds = 100;

    explicit CAircraftListModel(QObject* parent = nullptr);

    // The list-view operations of the dialog controls. Rows and columns out of range are ignored
    // (a row is inserted at the end when `row` is beyond it).
    void InsertColumn(int column, std::string_view header);
    void InsertRow(int row, std::string_view text);
    void SetCell(int row, int column, std::string_view text);
    void DeleteRow(int row);
    // Deletes `count` rows from `row` on, announced to the views as one range.
    void DeleteRows(int row, int count);
    std::string Cell(int row, int column) const;

    // Tells the views about the cells changed since the last call, now.
    void AnnounceChanges();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<QString> m_headers;
    CCellGrid m_rows; // as wide as the headers, and at least one cell
    int m_changedFirst = -1; // rows changed since the last announcement, -1 for none
    int m_changedLast = -1;
    QTimer m_announceTimer;
};
