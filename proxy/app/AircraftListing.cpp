// The traffic table of the main window: creating records, purging silent ones, and keeping the
// aircraft list row by row in step with the map.
#include "QuorvexDlg.h"
#include "platform/Clock.h"
#include "proxy/traffic/AircraftTable.h"

#include <new>
#include <utility>

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
        auto record = std::make_unique<CTrackedAircraft>();
        record->hexId = hexId;
        record->listRow = m_controls.ListGetItemCount(kIdAircraftList);
        if (const int i = m_icao24Table.Find(record->hexId); i >= 0)
            record->registration = m_icao24Table.GetAt(i).column[0];
        if (!record->registration.empty()) {
            if (const int i = m_aircraftsTable.Find(record->registration); i >= 0)
                record->aircraftType = m_aircraftsTable.GetAt(i).column[1];
        }
        aircraft = record.get();
        m_aircraftMap.emplace(aircraft->hexId, std::move(record));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    m_controls.ListInsertItem(kIdAircraftList, aircraft->listRow, aircraft->hexId);
    SetCell(*aircraft, kColRegistration, aircraft->registration);
    return aircraft;
}

void CQuorvexDlg::PurgeStaleAircraft()
{
    for (auto it = m_aircraftMap.begin(); it != m_aircraftMap.end();) {
        const CTrackedAircraft& aircraft = *it->second;
        if (aircraft.lastMessageTime + kStaleAircraftSeconds > platform::Time64()) {
            ++it;
            continue;
        }
        const int row = aircraft.listRow;
        for (auto& [key, other] : m_aircraftMap) {
            if (other->listRow > row)
                --other->listRow;
        }
        it = m_aircraftMap.erase(it); // frees the record
        m_controls.ListDeleteItem(kIdAircraftList, row);
    }
}
