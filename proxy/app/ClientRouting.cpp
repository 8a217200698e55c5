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

std::string SocketErrorText(int error)
{
    switch (error) {
    case platform::kAddressInUse:
        return "the address is in use";
    case platform::kAccessDenied:
        return "permission denied";
    case platform::kInvalidAddress:
        return "not an address of this machine";
    case platform::kResourceError:
        return "out of sockets";
    default:
        return "socket error " + std::to_string(error);
    }
}

} // namespace

bool CQuorvexDlg::StartFsdListener(unsigned port)
{
    // By default bound to the loopback address alone; other addresses come from the command
    // line, which asks for an allow list with them.
    std::vector<CListenAddress> addresses = m_listenAddresses;
    const bool loopbackOnly = addresses.empty();
    if (loopbackOnly)
        addresses.push_back({ "127.0.0.1", port });
    m_extraListeners.clear();
    m_strListenFailure.clear();
    bool all = true;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        CFsdListenerSocket* listener = &m_listenerSocket;
        if (i > 0)
            listener = m_extraListeners.emplace_back(std::make_unique<CFsdListenerSocket>()).get();
        const CListenAddress& at = addresses[i];
        const bool listening = listener->Create(at.port, loopbackOnly ? "localhost" : at.address)
            && listener->Listen(kListenBacklog);
        if (listening) {
            std::string address;
            unsigned boundPort = at.port;
            listener->GetSockName(address, boundPort);
            Log(LogLevel::Info, "listening",
                "listening for radar clients on "
                    + CListenAddress { at.address, boundPort }.Text());
        } else {
            const std::string failure = "cannot listen for radar clients on " + at.Text() + ": "
                + SocketErrorText(listener->GetLastError());
            if (m_strListenFailure.empty())
                m_strListenFailure = failure;
            Log(LogLevel::Error, "listen-failed", failure);
            listener->Close();
            if (all)
                m_controls.MessageBox(kListenFailedText);
            all = false;
        }
        listener->m_pDlg = this;
        listener->m_pAccess = &m_fsdAccess;
        listener->m_pLog = m_pEventLog;
    }
    return all;
}

void CQuorvexDlg::Log(LogLevel level, std::string_view kind, std::string text)
{
    if (m_pEventLog != nullptr)
        m_pEventLog->Log(level, kind, std::move(text));
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
        // With a password, what the clients relay stays among those that gave it.
        if (m_fsdAccess.password && client.m_strCallsign.empty())
            continue;
        if (!EqualsNoCase(client.m_strCallsign, callsign))
            client.SendString(text);
    }
}

void CQuorvexDlg::BroadcastShared(const std::shared_ptr<const std::string>& text)
{
    for (auto it = m_clientList.begin(); it != m_clientList.end();) {
        CFsdClientSocket& client = **it++;
        if (!client.m_strCallsign.empty()) // the clients the empty callsign reaches
            client.SendSharedString(text);
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
        if (EqualsNoCase(aircraft.callsign, requested)
            || EqualsNoCase(aircraft.registration, requested)
            || EqualsNoCase(aircraft.hexId, requested)) {
            SendToCallsign(fields.field[0] + 3, ComposeFlightPlan(requested, aircraft));
            return;
        }
    }
}
