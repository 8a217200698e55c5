// The traffic table of the main window: creating records, purging silent ones, and keeping the
// aircraft list row by row in step with the map.
#include "QuorvexDlg.h"
#include "platform/Clock.h"
#include "proxy/traffic/AircraftTable.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <utility>
#include <vector>

void CQuorvexDlg::InsertAircraftListColumns()
{
    for (int column = 0; column < kAircraftListColumns; ++column)
        m_controls.ListInsertColumn(kIdAircraftList, column, kAircraftListHeaders[column]);
}

void CQuorvexDlg::SetCell(const CTrackedAircraft& aircraft, int column, std::string_view text)
{
    m_controls.ListSetItemText(kIdAircraftList, aircraft.listRow, column, text);
}

// A new record, enriched from the lookup tables, in the map and as the last list row; nullptr
// (and nothing changed) if memory runs out.
CTrackedAircraft* CQuorvexDlg::CreateAircraft(std::string_view hexId)
{
    CTrackedAircraft* aircraft = nullptr;
    try {
        CTrackedAircraft record;
        record.hexId = hexId;
        record.listRow = m_controls.ListGetItemCount(kIdAircraftList);
        // The lookup texts go into packet fields (the name, "$FP"): whatever would split them
        // is dropped; the tables are searched with the texts as the files give them.
        if (const int i = m_icao24Table.Find(record.hexId); i >= 0) {
            const std::string& registration = m_icao24Table.GetAt(i).column[0];
            record.registration = PacketFieldText(registration);
            if (const int j = m_aircraftsTable.Find(registration); !registration.empty() && j >= 0)
                record.aircraftType = PacketFieldText(m_aircraftsTable.GetAt(j).column[1]);
        }
        aircraft = m_aircraftMap.Insert(hexId, std::move(record)).first;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    m_controls.ListInsertItem(kIdAircraftList, aircraft->listRow, aircraft->hexId);
    SetCell(*aircraft, kColRegistration, aircraft->registration);
    return aircraft;
}

void CQuorvexDlg::PurgeStaleAircraft()
{
    // One pass over the table marks and frees the silent records; a second renumbers the
    // survivors by the count of removed rows above them; the list loses its rows in runs, from the
    // bottom up so that the rows of the runs still to go do not move.
    const std::int64_t now = platform::Time64();
    const std::size_t rowCount
        = static_cast<std::size_t>(std::max(m_controls.ListGetItemCount(kIdAircraftList), 0));
    std::vector<char> removed(rowCount, 0);
    bool any = false;
    for (auto it = m_aircraftMap.begin(); it != m_aircraftMap.end();) {
        const CTrackedAircraft& aircraft = it->second;
        if (aircraft.lastMessageTime + kStaleAircraftSeconds > now) {
            ++it;
            continue;
        }
        if (aircraft.listRow >= 0 && static_cast<std::size_t>(aircraft.listRow) < rowCount)
            removed[static_cast<std::size_t>(aircraft.listRow)] = 1;
        any = true;
        it = m_aircraftMap.Erase(it); // frees the record
    }
    if (!any)
        return;

    // removedAbove[r]: removed rows above row r.
    std::vector<std::int32_t> removedAbove(rowCount + 1, 0);
    for (std::size_t r = 0; r < rowCount; ++r)
        removedAbove[r + 1] = removedAbove[r] + removed[r];
    for (auto& [key, aircraft] : m_aircraftMap) {
        if (aircraft.listRow >= 0 && static_cast<std::size_t>(aircraft.listRow) <= rowCount)
            aircraft.listRow -= removedAbove[static_cast<std::size_t>(aircraft.listRow)];
    }
    for (std::size_t end = rowCount; end > 0;) {
        if (!removed[end - 1]) {
            --end;
            continue;
        }
        std::size_t start = end - 1;
        while (start > 0 && removed[start - 1])
            --start;
        m_controls.ListDeleteItems(
            kIdAircraftList, static_cast<int>(start), static_cast<int>(end - start));
        end = start;
    }
}
