#include "FsdSockets.h"

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

} // namespace

void CFsdListenerSocket::OnAccept(int /*errorCode*/)
{
    auto client = std::make_unique<CFsdClientSocket>();
    if (!Accept(*client) || m_pList == nullptr)
        return; // the connection stays with the system, or is offered again; nothing is listed
    client->m_strPeer = PeerText(*client);
    if (m_pAccess != nullptr && !m_pAccess->allowed.empty()) {
        std::string address;
        unsigned port = 0;
        if (!client->GetPeerName(address, port) || !m_pAccess->Allows(address)) {
            client->Close();
            if (m_pLog != nullptr)
                m_pLog->Log(LogLevel::Warning, "failure:client-not-allowed",
                    "refused a radar client from " + client->m_strPeer + ": not in the allow list");
            return;
        }
    }
    client->m_pLog = m_pLog;
    m_pList->AddClient(std::move(client));
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
    if (GetSendBacklog() > kMaxSendBacklog && m_pList != nullptr) {
        if (m_pMetrics != nullptr)
            ++m_pMetrics->m_nClientsDroppedBacklog;
        Tell(LogLevel::Warning, "client-cut-off",
            "cut off radar client " + m_strPeer + " (" + m_strCallsign
                + "): " + std::to_string(GetSendBacklog()) + " bytes unread");
        m_pList->RemoveClient(this);
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
    if (m_pList != nullptr)
        m_pList->RemoveClient(this);
}

bool CFsdClientSocket::ProcessLine(char* line)
{
    if (m_bDetached || m_pList == nullptr)
        return false;
    return m_pList->OnClientLine(*this, line);
}

void CFsdClientSocket::Tell(LogLevel level, std::string_view kind, std::string text)
{
    if (m_pLog != nullptr)
        m_pLog->Log(level, kind, std::move(text));
}
