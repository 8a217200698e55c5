#include "SBSSocket.h"

#include <string>

namespace {

// The reason of a failed or broken feed connection, as the event log says it.
std::string Reason(int errorCode)
{
    switch (errorCode) {
    case platform::kInvalidAddress:
        return "a bad address or port";
    case platform::kHostNotFound:
        return "the host name did not resolve";
    case platform::kConnectionRefused:
        return "refused";
    case platform::kTimedOut:
        return "timed out";
    case platform::kNetworkError:
        return "a network error";
    default:
        return "error " + std::to_string(errorCode);
    }
}

} // namespace

bool CSBSSocket::ProcessLine(char* line)
{
    return m_pDlg->HandleFeedLine(line);
}

void CSBSSocket::OnReceive(int errorCode)
{
    if (!m_bFirstReceive) {
        CCommonSocket::OnReceive(errorCode);
    } else if (const int received = Receive(m_framer.Space(), m_framer.SpaceLength());
               received > 0) {
        m_bFirstReceive = false;
        m_pDlg->OnFeedStart(std::string_view(m_framer.Space(), static_cast<std::size_t>(received)));
        m_framer.Commit(received, [this](char* line) { return ProcessLine(line); });
    }
    m_pDlg->OnFeedReceived();
}

void CSBSSocket::OnConnect(int errorCode)
{
    if (errorCode != platform::kSocketOk) {
        m_pDlg->OnFeedLost("cannot connect: " + Reason(errorCode));
        return;
    }
    // Half a line left by an earlier connection must not prefix the first line of this one.
    m_framer.Reset();
    m_bFirstReceive = true;
    m_pDlg->OnFeedConnected();
}

void CSBSSocket::OnClose(int errorCode)
{
    m_pDlg->OnFeedLost(errorCode == platform::kSocketOk ? std::string("closed by the receiver")
                                                        : "broken: " + Reason(errorCode));
}
