#include "AircraftListModel.h"

#include <algorithm>

CAircraftListModel::CAircraftListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
    m_announceTimer.setSingleShot(true);
    m_announceTimer.setInterval(kRefreshMilliseconds);
    connect(&m_announceTimer, &QTimer::timeout, this, &CAircraftListModel::AnnounceChanges);
}

void CAircraftListModel::InsertColumn(int column, std::string_view header)
{
    column = std::clamp(column, 0, static_cast<int>(m_headers.size()));
    beginInsertColumns({}, column, column);
    m_headers.insert(m_headers.begin() + column,
        QString::fromLatin1(header.data(), static_cast<qsizetype>(header.size())));
    if (m_headers.size() > m_rows.Columns())
        m_rows.InsertColumn(static_cast<std::size_t>(column));
    endInsertColumns();
}

void CAircraftListModel::InsertRow(int row, std::string_view text)
{
    AnnounceChanges(); // the pending range refers to the rows as they are now
    row = std::clamp(row, 0, static_cast<int>(m_rows.size()));
    beginInsertRows({}, row, row);
    m_rows.InsertRow(static_cast<std::size_t>(row));
    m_rows[static_cast<std::size_t>(row)][0].assign(text);
    endInsertRows();
}

void CAircraftListModel::SetCell(int row, int column, std::string_view text)
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0
        || column >= static_cast<int>(m_rows.Columns()))
        return;
    CCellText& cell = m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    if (cell == text)
        return;
    cell.assign(text);
    if (m_changedFirst < 0) {
        m_changedFirst = m_changedLast = row;
        m_announceTimer.start();
    } else {
        m_changedFirst = std::min(m_changedFirst, row);
        m_changedLast = std::max(m_changedLast, row);
    }
}

void CAircraftListModel::DeleteRow(int row)
{
    DeleteRows(row, 1);
}

void CAircraftListModel::DeleteRows(int row, int count)
{
    const int size = static_cast<int>(m_rows.size());
    if (row < 0 || row >= size || count <= 0)
        return;
    const int last = row + std::min(count, size - row) - 1;
    AnnounceChanges();
    beginRemoveRows({}, row, last);
    m_rows.EraseRows(static_cast<std::size_t>(row), static_cast<std::size_t>(last - row + 1));
    endRemoveRows();
}

std::string CAircraftListModel::Cell(int row, int column) const
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0
        || column >= static_cast<int>(m_rows.Columns()))
        return {};
    return std::string(
        m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)].view());
}

void CAircraftListModel::AnnounceChanges()
{
    m_announceTimer.stop();
    if (m_changedFirst < 0)
        return;
    const int last = std::min(m_changedLast, static_cast<int>(m_rows.size()) - 1);
    if (m_changedFirst <= last && !m_headers.empty())
        emit dataChanged(index(m_changedFirst, 0),
            index(last, static_cast<int>(m_headers.size()) - 1), { Qt::DisplayRole });
    m_changedFirst = m_changedLast = -1;
}

int CAircraftListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CAircraftListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant CAircraftListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const auto cells = m_rows[static_cast<std::size_t>(index.row())];
    if (index.column() >= static_cast<int>(cells.size()))
        return {};
    const std::string_view text = cells[static_cast<std::size_t>(index.column())].view();
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QVariant CAircraftListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0
        || section >= static_cast<int>(m_headers.size()))
        return {};
    if (role == Qt::DisplayRole)
        return m_headers[static_cast<std::size_t>(section)];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}
