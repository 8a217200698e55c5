// The FSD server side of the main window: the listener, the client list and its routing
// operations.
#include "QuorvexDlg.h"
#include "proxy/fsd/FsdPackets.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr int kListenBacklog = 5;
constexpr std::string_view kListenFailedText
    = "Local FSD port binding failed. Clients can not connect to the proxy";

} // namespace

bool CQuorvexDlg::StartFsdListener(unsigned port)
{
    // Bound to the loopback address alone: the server has no access control of its own.
    const bool listening
        = m_listenerSocket.Create(port, "localhost") && m_listenerSocket.Listen(kListenBacklog);
    if (!listening) {
        m_listenerSocket.Close();
        m_controls.MessageBox(kListenFailedText);
    }
    m_listenerSocket.m_pDlg = this;
    return listening;
}

void CQuorvexDlg::AddClient(std::unique_ptr<CFsdClientSocket> client)
{
    client->m_pDlg = this;
    client->m_pMetrics = &m_metrics;
    m_clientList.push_back(std::move(client));
    ShowClientCount();
}

void CQuorvexDlg::RemoveClient(CFsdClientSocket* client)
{
    const auto it = std::find_if(m_clientList.begin(), m_clientList.end(),
        [client](
            const std::unique_ptr<CFsdClientSocket>& listed) { return listed.get() == client; });
    if (it == m_clientList.end())
        return;
    // The client may be in the middle of its own handler, or of a send inside a walk of the list:
    // it is closed and unlisted now, and destroyed once the running handler has returned.
    client->Detach();
    m_removedClients.push_back(std::move(*it));
    m_clientList.erase(it);
    ShowClientCount();
    m_destroyRemoved.Post();
}

void CQuorvexDlg::DestroyRemovedClients()
{
    m_removedClients.clear();
}

void CQuorvexDlg::ShowClientCount()
{
    m_controls.SetWindowText(kIdClients, std::to_string(m_clientList.size()));
}

bool CQuorvexDlg::IsCallsignInUse(std::string_view callsign) const
{
    return std::any_of(m_clientList.begin(), m_clientList.end(),
        [callsign](const auto& client) { return EqualsNoCase(client->m_strCallsign, callsign); });
}

void CQuorvexDlg::BroadcastPacket(std::string_view text, std::string_view callsign)
{
    for (auto it = m_clientList.begin(); it != m_clientList.end();) {
        CFsdClientSocket& client = **it++;
        if (!EqualsNoCase(client.m_strCallsign, callsign))
            client.SendString(text);
    }
}

void CQuorvexDlg::SendToCallsign(std::string_view callsign, std::string_view text)
{
    for (auto it = m_clientList.begin(); it != m_clientList.end();) {
        CFsdClientSocket& client = **it++;
        if (EqualsNoCase(client.m_strCallsign, callsign))
            client.SendString(text);
    }
}

void CQuorvexDlg::SendServerText(std::string_view message)
{
    for (auto it = m_clientList.begin(); it != m_clientList.end();) {
        CFsdClientSocket& client = **it++;
        client.SendString(ComposeServerText(client.m_strCallsign, message));
    }
}

void CQuorvexDlg::SendFlightPlan(const CFieldList& fields)
{
    const std::string_view requested = fields.field[3];
    for (const auto& [key, aircraft] : m_aircraftMap) {
        if (EqualsNoCase(aircraft->callsign, requested)
            || EqualsNoCase(aircraft->registration, requested)
            || EqualsNoCase(aircraft->hexId, requested)) {
            SendToCallsign(fields.field[0] + 3, ComposeFlightPlan(requested, *aircraft));
            return;
        }
    }
}
