#include "SBSSocket.h"

bool CSBSSocket::ProcessLine(char* line)
{
    return m_pDlg->HandleFeedLine(line);
}

void CSBSSocket::OnReceive(int errorCode)
{
    CCommonSocket::OnReceive(errorCode);
    m_pDlg->OnFeedReceived();
}

void CSBSSocket::OnConnect(int errorCode)
{
    if (errorCode != platform::kSocketOk)
        m_pDlg->OnDisconnect();
    else
        m_pDlg->OnFeedConnected();
}

void CSBSSocket::OnClose(int /*errorCode*/)
{
    m_pDlg->OnDisconnect();
}
