// The socket base of the proxy: the FSD listener, the FSD clients and the SBS feed connection all
// receive through the same line assembly and send texts the same way.
#pragma once

#include "LineFramer.h"
#include "platform/AsyncSocket.h"

#include <string_view>

class CCommonSocket : public platform::CAsyncSocket {
public:
    // Handles one complete line as CLineFramer hands it over (its LF included, NUL-terminated,
    // never holding a NUL of its own); the handler may cut it in place. Returns false to stop
    // this receive: the lines after it that arrived with it are dropped.
    virtual bool ProcessLine(char* line) = 0;

    // Sends the text as it is; returns what Send returned.
    virtual int SendString(std::string_view text);

    // Forgets any unfinished line and any over-long line being dropped, so that a new connection
    // starts with a clean line assembly. Never inside the socket's own receive handler.
    void ResetLineAssembly() { m_framer.Reset(); }

protected:
    // Reads at most what the line buffer can take and hands every complete line to ProcessLine,
    // in order; the bytes after the last LF wait for the next receive.
    void OnReceive(int errorCode) override;

    CLineFramer m_framer;
};
