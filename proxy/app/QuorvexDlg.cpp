#include "QuorvexDlg.h"

#include "platform/Clock.h"

CQuorvexDlg::CQuorvexDlg(platform::CDialogControls& controls)
    : m_tLastPurge(platform::Time64())
    , m_controls(controls)
{
}

CQuorvexDlg::~CQuorvexDlg() = default;

void CQuorvexDlg::LoadLookupFiles()
{
    m_icao24Table.Load(kIcao24File);
    m_aircraftsTable.Load(kAircraftsFile);
    m_flightplansTable.Load(kFlightplansFile);
}
