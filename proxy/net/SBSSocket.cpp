#include "SBSSocket.h"

#include <string>

bool CSBSSocket::ProcessLine(char* line)
{
    return m_pDlg->HandleFeedLine(line);
}

void CSBSSocket::OnConnect(int errorCode)
{
    if (errorCode != platform::kSocketOk) {
        m_pDlg->OnFeedLost("cannot connect (error " + std::to_string(errorCode) + ")");
        return;
    }
    // Half a line left by an earlier connection must not prefix the first line of this one.
    m_framer.Reset();
    m_pDlg->OnFeedConnected();
}

void CSBSSocket::OnClose(int errorCode)
{
    m_pDlg->OnFeedLost(errorCode == platform::kSocketOk
            ? std::string("closed by the receiver")
            : "broken (error " + std::to_string(errorCode) + ")");
}
