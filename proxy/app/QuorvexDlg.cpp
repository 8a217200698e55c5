#include "QuorvexDlg.h"

#include "platform/Clock.h"
#include "proxy/fsd/FsdPackets.h"
#include "proxy/traffic/FeedNumbers.h"

#include <string>

namespace {

// The port of the port field: the value of its leading digits. 0, which no connection can use,
// for text without digits or a value beyond the port range.
unsigned PortNumber(const std::string& text)
{
    const std::int32_t value = FeedInt32(text.c_str());
    return value > 0 && value <= 65535 ? static_cast<unsigned>(value) : 0;
}

} // namespace

CQuorvexDlg::CQuorvexDlg(platform::CDialogControls& controls)
    : m_tLastPurge(platform::Time64())
    , m_controls(controls)
{
    m_sbsSocket.m_pDlg = this;
}

CQuorvexDlg::~CQuorvexDlg()
{
    DestroyRemovedClients();
}

void CQuorvexDlg::OnInitDialog(unsigned fsdPort)
{
    InsertAircraftListColumns();
    StartFsdListener(fsdPort);
    LoadLookupFiles();
}

void CQuorvexDlg::LoadLookupFiles()
{
    m_icao24Table.Load(kIcao24File);
    m_aircraftsTable.Load(kAircraftsFile);
    m_flightplansTable.Load(kFlightplansFile);
}

void CQuorvexDlg::OnConnectClicked()
{
    const std::string server = m_controls.GetWindowText(kIdEditServer);
    if (server.empty()) {
        m_controls.MessageBox(kServerEmptyText);
        return;
    }
    const std::string port = m_controls.GetWindowText(kIdEditPort);
    if (port.empty()) {
        m_controls.MessageBox(kPortEmptyText);
        return;
    }
    // Every failure, even of an attempt that cannot start (a bad port, a name that does not
    // resolve), arrives as the connect event with an error and ends in OnDisconnect: the window
    // never stays in "Connecting ..." for want of an event.
    m_sbsSocket.Close();
    m_sbsSocket.Create();
    m_sbsSocket.Connect(server, PortNumber(port));

    m_controls.EnableWindow(kIdConnect, false);
    m_controls.SetWindowText(kIdConnect, "Connecting ...");
    m_controls.EnableWindow(kIdDisconnect, true);
    m_controls.EnableWindow(kIdLogfile, false);
    ShowFeedCounters(); // what lines handled before showed, as they stop counting
    m_nLinesAccepted = 0;
    m_nLinesReceived = 0;
}

void CQuorvexDlg::OnFeedConnected()
{
    m_controls.SetWindowText(kIdConnect, "Connected");
    m_bFeedConnected = true;
    SendServerText(kFeedConnectedMessage);
}

void CQuorvexDlg::OnDisconnect()
{
    m_pReplayFile.reset();
    m_sbsSocket.Close();
    SetIdleButtons();
    m_controls.SetWindowText(kIdConnect, "Connect");
    m_bFeedConnected = false;
    SendServerText(kFeedDisconnectedMessage);
}

void CQuorvexDlg::SetIdleButtons()
{
    m_controls.EnableWindow(kIdConnect, true);
    m_controls.EnableWindow(kIdDisconnect, false);
    m_controls.EnableWindow(kIdLogfile, true);
    m_controls.EnableWindow(kIdPlus10, false);
}
