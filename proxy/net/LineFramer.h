// The line assembly of every connection of the proxy, apart from any socket: received bytes in,
// complete lines out.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>

// The longest line a connection hands over, its line end included.
inline constexpr int kMaxLineLength = 1024;

// Holds the bytes of an unfinished line between receives. The caller receives straight into
// Space(), at most SpaceLength() bytes, so that no more is read from the network than a line can
// take, and then hands the number received to Commit.
//
// Every complete line goes to the handler in order: the bytes up to and including its LF (and
// any CR before it), NUL-terminated, in a buffer of the framer's that the handler may cut in place
// and that stays valid until the handler returns. A line that does not fit in kMaxLineLength
// bytes is dropped up to its LF, and so is a line that holds a NUL byte: neither can be a valid
// packet or feed line, and passed on they would corrupt the peers' streams. The lines around them
// go through unharmed.
class CLineFramer {
public:
    char* Space() { return m_buffer + m_nBufferLen; }
    // Never 0: a full buffer without an LF is dropped at once.
    int SpaceLength() const { return kMaxLineLength - m_nBufferLen; }

    // Takes `received` bytes (1 to SpaceLength()) written at Space() and calls `handler(char*
    // line)` for every line they complete. A handler returning false stops this receive: the
    // bytes after its line, and whatever was held, are dropped.
    template <typename Handler> void Commit(int received, Handler&& handler);

    // Commit for bytes from anywhere: copies them in as pieces of at most SpaceLength() bytes, the
    // way successive receives would bring them. Returns false when the handler stopped.
    template <typename Handler> bool Feed(const char* bytes, std::size_t length, Handler&& handler);

    // Forgets the held bytes and any line being dropped: a new stream starts.
    void Reset()
    {
        m_nBufferLen = 0;
        m_buffer[0] = '\0';
        m_bSkippingLine = false;
    }

    // Bytes held of an unfinished line.
    int HeldLength() const { return m_nBufferLen; }

private:
    char m_buffer[kMaxLineLength + 1] = {}; // received bytes not yet handed on, NUL after them
    int m_nBufferLen = 0; // 0 to kMaxLineLength - 1 between calls
    bool m_bSkippingLine = false; // dropping the rest of an over-long line, up to its LF
    char m_line[kMaxLineLength + 1] = {}; // the line being handed on
};

template <typename Handler> void CLineFramer::Commit(int received, Handler&& handler)
{
    m_nBufferLen += received;

    int start = 0;
    while (const void* found = std::memchr(m_buffer + start, '\n', m_nBufferLen - start)) {
        const int end = static_cast<int>(static_cast<const char*>(found) - m_buffer) + 1;
        const int length = end - start;
        const bool drop = m_bSkippingLine || std::memchr(m_buffer + start, '\0', length) != nullptr;
        m_bSkippingLine = false;
        const char* const line = m_buffer + start;
        start = end;
        if (drop)
            continue;
        std::memcpy(m_line, line, length);
        m_line[length] = '\0';
        if (!handler(m_line)) {
            Reset();
            return;
        }
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

template <typename Handler>
bool CLineFramer::Feed(const char* bytes, std::size_t length, Handler&& handler)
{
    bool goOn = true;
    const auto watch = [&](char* line) { return goOn = handler(line); };
    while (length > 0 && goOn) {
        const std::size_t piece = std::min(length, static_cast<std::size_t>(SpaceLength()));
        std::memcpy(Space(), bytes, piece);
        Commit(static_cast<int>(piece), watch);
        bytes += piece;
        length -= piece;
    }
    return goOn;
}
