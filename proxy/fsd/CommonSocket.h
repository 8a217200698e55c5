// The socket base of the proxy: the FSD listener, the FSD clients and the SBS feed connection all
// receive through the same line assembly and send texts the same way.
#pragma once

#include "platform/AsyncSocket.h"

#include <string_view>

class CQuorvexDlg;

// The longest line a connection hands over, its line end included.
inline constexpr int kMaxLineLength = 1024;

// The line being handed to ProcessLine, NUL-terminated; shared by every socket of the program, as
// one handler runs at a time. A handler that needs the line after it returns keeps a copy.
extern char g_lineBuffer[kMaxLineLength + 1];

class CCommonSocket : public platform::CAsyncSocket {
public:
    // Handles one complete line in g_lineBuffer: the bytes up to and including its LF (and any CR
    // before it), NUL-terminated, never holding a NUL of its own. The handler may cut it in place.
    // Returns false when the socket object no longer exists: the caller must not touch it then.
    virtual bool ProcessLine(char* line) = 0;

    // Sends the text as it is; returns what Send returned.
    virtual int SendString(std::string_view text);

    CQuorvexDlg* m_pDlg = nullptr; // the window that owns this socket; not owned

protected:
    // Line assembly: appends what arrived to the held bytes and hands every complete line to
    // ProcessLine, in order; the bytes after the last LF wait for the next receive. A line that
    // does not fit in kMaxLineLength bytes is dropped up to its LF, and so is a line that holds a
    // NUL byte: neither can be a valid packet or feed line, and passed on they would corrupt the
    // peers' streams. The lines around them go through unharmed.
    void OnReceive(int errorCode) override;

    char m_buffer[1040] = {}; // received bytes not yet handed on, NUL after them
    int m_nBufferLen = 0; // 0 to kMaxLineLength

private:
    bool m_bSkippingLine = false; // dropping the rest of an over-long line, up to its LF
};
