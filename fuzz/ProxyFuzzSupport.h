// Checks on the proxy's main window logic that several targets share.
#pragma once

#include "FuzzSupport.h"
#include "proxy/app/MemoryControls.h"
#include "proxy/app/QuorvexDlg.h"

namespace fuzz {

// Every aircraft of the table has its own list row, showing its hex id, and no row is left over.
inline void CheckListMirrorsTable(const CQuorvexDlg& dlg, const CMemoryControls& controls)
{
    const auto& rows = controls.List(kIdAircraftList).rows;
    Check(rows.size() == dlg.Traffic().m_aircraftMap.size(), "one list row per aircraft");
    for (const auto& [key, aircraft] : dlg.Traffic().m_aircraftMap) {
        Check(aircraft.arrivalIndex >= 0 && aircraft.arrivalIndex < static_cast<int>(rows.size())
                && rows[aircraft.arrivalIndex][kColHexId] == key,
            "an aircraft's list row shows its hex id");
    }
}

} // namespace fuzz
