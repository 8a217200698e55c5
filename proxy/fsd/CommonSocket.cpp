#include "CommonSocket.h"

#include <cstring>

char g_lineBuffer[kMaxLineLength + 1];

int CCommonSocket::SendString(std::string_view text)
{
    return Send(text.data(), static_cast<int>(text.size()));
}

void CCommonSocket::OnReceive(int /*errorCode*/)
{
    const int received = Receive(m_buffer + m_nBufferLen, kMaxLineLength - m_nBufferLen);
    if (received <= 0)
        return; // nothing yet, or the connection ended: the close event follows
    m_nBufferLen += received;

    int start = 0;
    while (const void* found = std::memchr(m_buffer + start, '\n', m_nBufferLen - start)) {
        const int end = static_cast<int>(static_cast<const char*>(found) - m_buffer) + 1;
        const int length = end - start;
        const bool drop = m_bSkippingLine || std::memchr(m_buffer + start, '\0', length) != nullptr;
        m_bSkippingLine = false;
        if (!drop) {
            std::memcpy(g_lineBuffer, m_buffer + start, length);
            g_lineBuffer[length] = '\0';
        }
        start = end;
        if (!drop && !ProcessLine(g_lineBuffer))
            return;
    }

    int held = m_nBufferLen - start;
    if (held == kMaxLineLength)
        m_bSkippingLine = true; // no room left and still no LF: the line is too long
    if (m_bSkippingLine)
        held = 0;
    std::memmove(m_buffer, m_buffer + start, held);
    m_nBufferLen = held;
    m_buffer[held] = '\0';
}
