#include "FsdSockets.h"

#include "proxy/fsd/FsdPackets.h"

#include <cstring>
#include <memory>

namespace {

std::string PeerText(const platform::CAsyncSocket& socket)
{
    std::string address;
    unsigned port = 0;
    if (!socket.GetPeerName(address, port))
        return "an unknown address";
    return address.find(':') != std::string::npos ? "[" + address + "]:" + std::to_string(port)
                                                  : address + ":" + std::to_string(port);
}

// The callsign an "#AA" line asks for.
std::string_view LoginCallsign(const char* line)
{
    const std::string_view callsign(line + 3);
    return callsign.substr(0, callsign.find_first_of(":\r\n"));
}

} // namespace

bool CFsdListenerSocket::ProcessLine(char* /*line*/)
{
    return true;
}

void CFsdListenerSocket::OnAccept(int /*errorCode*/)
{
    auto client = std::make_unique<CFsdClientSocket>();
    if (!Accept(*client) || m_pDlg == nullptr)
        return; // the connection stays with the system, or is offered again; nothing is listed
    const std::string peer = PeerText(*client);
    if (m_pAccess != nullptr && !m_pAccess->allowed.empty()) {
        std::string address;
        unsigned port = 0;
        if (!client->GetPeerName(address, port) || !m_pAccess->Allows(address)) {
            client->Close();
            if (m_pLog != nullptr)
                m_pLog->Log(LogLevel::Warning, "client-not-allowed",
                    "refused a radar client from " + peer + ": not in the allow list");
            return;
        }
    }
    if (m_pAccess != nullptr && m_pAccess->maxClients > 0
        && m_pDlg->ClientCount() >= m_pAccess->maxClients) {
        client->SendString(ComposeServerText("", kServerFullText));
        client->Close();
        if (m_pLog != nullptr)
            m_pLog->Log(LogLevel::Warning, "client-server-full",
                "refused a radar client from " + peer + ": the server is full ("
                    + std::to_string(m_pAccess->maxClients) + " clients)");
        return;
    }
    client->m_pAccess = m_pAccess;
    client->m_pLog = m_pLog;
    client->m_strPeer = peer;
    if (m_pLog != nullptr)
        m_pLog->Log(LogLevel::Info, "client-accepted", "radar client connected from " + peer);
    m_pDlg->AddClient(std::move(client));
}

int CFsdClientSocket::SendString(std::string_view text)
{
    if (m_bDetached)
        return kSocketError;
    return Sent(CCommonSocket::SendString(text));
}

int CFsdClientSocket::SendSharedString(std::shared_ptr<const std::string> text)
{
    if (m_bDetached)
        return kSocketError;
    return Sent(SendShared(std::move(text)));
}

int CFsdClientSocket::Sent(int sent)
{
    if (sent > 0 && m_pMetrics != nullptr)
        m_pMetrics->m_nBytesSent += sent;
    if (GetSendBacklog() > kMaxSendBacklog && m_pDlg != nullptr) {
        if (m_pMetrics != nullptr)
            ++m_pMetrics->m_nClientsDroppedBacklog;
        Tell(LogLevel::Warning, "client-cut-off",
            "cut off radar client " + m_strPeer + " (" + m_strCallsign
                + "): " + std::to_string(GetSendBacklog()) + " bytes unread");
        m_pDlg->RemoveClient(this);
    }
    return sent;
}

void CFsdClientSocket::Detach()
{
    m_bDetached = true;
    Close();
}

void CFsdClientSocket::OnClose(int /*errorCode*/)
{
    Tell(LogLevel::Info, "client-gone",
        "radar client " + m_strPeer
            + (m_strCallsign.empty() ? std::string(" gone") : " (" + m_strCallsign + ") gone"));
    if (m_pDlg != nullptr)
        m_pDlg->RemoveClient(this);
}

bool CFsdClientSocket::ProcessLine(char* line)
{
    if (m_bDetached || m_pDlg == nullptr)
        return false;
    const bool login = std::strncmp(line, "#AA", 3) == 0;
    if (m_pAccess != nullptr && m_pAccess->password) {
        // With a password nothing but a login counts before one is accepted: what a client
        // sends can neither reach the others nor ask anything of the server until then.
        if (!login && m_strCallsign.empty())
            return true;
        if (login && !m_pAccess->IsPasswordAccepted(line))
            return RefuseLogin(line, kWrongPasswordText);
    }
    const std::string before = login ? m_strCallsign : std::string();
    const std::string requested = login ? std::string(LoginCallsign(line)) : std::string();
    if (!ApplyPacketRules(line, m_strCallsign, *this, *m_pDlg)) {
        if (m_pMetrics != nullptr)
            ++m_pMetrics->m_nClientsRefusedCallsign; // the only line the rules refuse: a login
        Tell(LogLevel::Warning, "client-login-refused",
            "refused the login of radar client " + m_strPeer + " as " + requested + ": "
                + std::string(kCallsignInUseText));
        m_pDlg->RemoveClient(this);
    } else if (login && m_strCallsign != before) {
        Tell(LogLevel::Info, "client-logged-in",
            "radar client " + m_strPeer + " logged in as " + m_strCallsign);
    }
    return !m_bDetached;
}

bool CFsdClientSocket::RefuseLogin(const char* line, std::string_view reason)
{
    const std::string_view requested = LoginCallsign(line);
    SendString(ComposeServerText(requested, reason));
    Tell(LogLevel::Warning, "client-login-refused",
        "refused the login of radar client " + m_strPeer + " as " + std::string(requested) + ": "
            + std::string(reason));
    if (m_pDlg != nullptr)
        m_pDlg->RemoveClient(this);
    return false;
}

void CFsdClientSocket::Tell(LogLevel level, std::string_view kind, std::string text)
{
    if (m_pLog != nullptr)
        m_pLog->Log(level, kind, std::move(text));
}
