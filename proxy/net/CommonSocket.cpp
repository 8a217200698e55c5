#include "CommonSocket.h"

int CCommonSocket::SendString(std::string_view text)
{
    return Send(text.data(), static_cast<int>(text.size()));
}

void CCommonSocket::OnReceive(int /*errorCode*/)
{
    const int received = Receive(m_framer.Space(), m_framer.SpaceLength());
    if (received <= 0)
        return; // nothing yet, or the connection ended: the close event follows
    m_framer.Commit(received, [this](char* line) { return ProcessLine(line); });
}
