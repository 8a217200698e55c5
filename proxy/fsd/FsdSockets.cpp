#include "FsdSockets.h"

#include "FsdPackets.h"
#include "proxy/app/QuorvexDlg.h"
#include "proxy/traffic/FieldList.h"

#include <cstring>
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
    if (m_bCutOff)
        return kSocketError;
    const int sent = CCommonSocket::SendString(text);
    if (sent > 0 && m_pDlg != nullptr)
        m_pDlg->m_metrics.m_nBytesSent += sent;
    if (GetSendBacklog() > kMaxSendBacklog) {
        m_bCutOff = true;
        if (m_pDlg != nullptr)
            ++m_pDlg->m_metrics.m_nClientsDroppedBacklog;
        if (!m_bHandlingLine && m_pDlg != nullptr)
            m_pDlg->RemoveClient(this); // destroys this object
    }
    return sent;
}

void CFsdClientSocket::OnClose(int /*errorCode*/)
{
    m_pDlg->RemoveClient(this);
}

bool CFsdClientSocket::ProcessLine(char* line)
{
    m_bHandlingLine = true;
    if (!ApplyPacketRules(line))
        return false;
    m_bHandlingLine = false;
    if (m_bCutOff) {
        m_pDlg->RemoveClient(this);
        return false;
    }
    return true;
}

bool CFsdClientSocket::ApplyPacketRules(char* line)
{
    // Relayed lines go on byte for byte, line end included: copied before the split cuts them.
    const std::string received(line);
    CFieldList fields;
    const int count = fields.Split(line, ':');
    CQuorvexDlg& dlg = *m_pDlg;

    if (received.compare(0, 3, "#AA") == 0)
        return Login(received, fields.field[0] + 3);
    if (received.compare(0, 1, "%") == 0 || received.compare(0, 3, "#DA") == 0)
        dlg.BroadcastPacket(received, m_strCallsign);
    else if (received.compare(0, 3, "#TM") == 0 && count > 1)
        dlg.SendToCallsign(fields.field[1], received);
    else if (received.compare(0, 3, "$CQ") == 0 && count > 3
        && std::strcmp(fields.field[2], "FP") == 0)
        dlg.SendFlightPlan(fields);
    return true;
}

bool CFsdClientSocket::Login(std::string_view line, std::string_view callsign)
{
    CQuorvexDlg& dlg = *m_pDlg;
    // Also refused: the client's own callsign, and the empty one (equal to every client that has
    // not logged in, this one included).
    if (dlg.IsCallsignInUse(callsign)) {
        SendString(ComposeServerText(callsign, kCallsignInUseText));
        ++dlg.m_metrics.m_nClientsRefusedCallsign;
        dlg.RemoveClient(this);
        return false;
    }
    m_strCallsign = callsign;
    SendString(ComposeServerText(m_strCallsign, kHelloText));
    SendString(
        ComposeServerText(m_strCallsign, dlg.m_bFeedConnected ? kFeedUpText : kFeedDownText));
    dlg.BroadcastPacket(line, m_strCallsign);
    return true;
}
