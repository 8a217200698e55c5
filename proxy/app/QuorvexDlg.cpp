#include "QuorvexDlg.h"

CQuorvexDlg::CQuorvexDlg(platform::CDialogControls& controls)
    : m_controls(controls)
{
}

CQuorvexDlg::~CQuorvexDlg() = default;

void CQuorvexDlg::LoadLookupFiles()
{
    m_icao24Table.Load(kIcao24File);
    m_aircraftsTable.Load(kAircraftsFile);
    m_flightplansTable.Load(kFlightplansFile);
}

void CQuorvexDlg::BroadcastPacket(std::string_view /*text*/, std::string_view /*callsign*/)
{
    // The FSD client list does not exist yet: nobody is logged in, so the packet reaches nobody.
}
