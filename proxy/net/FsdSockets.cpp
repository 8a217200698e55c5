#include "FsdSockets.h"

#include <memory>

bool CFsdListenerSocket::ProcessLine(char* /*line*/)
{
    return true;
}

void CFsdListenerSocket::OnAccept(int /*errorCode*/)
{
    auto client = std::make_unique<CFsdClientSocket>();
    if (!Accept(*client) || m_pDlg == nullptr)
        return; // the connection stays with the system, or is offered again; nothing is listed
    m_pDlg->AddClient(std::move(client));
}

int CFsdClientSocket::SendString(std::string_view text)
{
    if (m_bDetached)
        return kSocketError;
    const int sent = CCommonSocket::SendString(text);
    if (sent > 0 && m_pMetrics != nullptr)
        m_pMetrics->m_nBytesSent += sent;
    if (GetSendBacklog() > kMaxSendBacklog && m_pDlg != nullptr) {
        if (m_pMetrics != nullptr)
            ++m_pMetrics->m_nClientsDroppedBacklog;
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
    if (m_pDlg != nullptr)
        m_pDlg->RemoveClient(this);
}

bool CFsdClientSocket::ProcessLine(char* line)
{
    if (m_bDetached || m_pDlg == nullptr)
        return false;
    if (!ApplyPacketRules(line, m_strCallsign, *this, *m_pDlg)) {
        if (m_pMetrics != nullptr)
            ++m_pMetrics->m_nClientsRefusedCallsign; // the only line the rules refuse: a login
        m_pDlg->RemoveClient(this);
    }
    return !m_bDetached;
}
