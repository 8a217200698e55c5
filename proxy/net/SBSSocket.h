// The connection to an SBS-1 BaseStation receiver's data port. It only receives: every complete
// line goes to the feed parser. Its connect and close events move the window between idle,
// connecting and connected.
#pragma once

#include "CommonSocket.h"

#include <string_view>

// What the feed connection needs of its owner: a place for its lines and for its connect and
// close events. The window implements it.
class CFeedLineSink {
public:
    // One NUL-terminated feed line, which the sink may cut in place; true to go on with the next.
    virtual bool HandleFeedLine(char* line) = 0;
    // Called after the lines of one receive have been handled.
    virtual void OnFeedReceived() { }
    // The bytes of a connection's first receive, as they came, before its lines are handled: a
    // feed in a binary format holds NUL bytes, and the line assembly drops the lines that do.
    virtual void OnFeedStart(std::string_view /*bytes*/) { }
    // The connection is up.
    virtual void OnFeedConnected() = 0;
    // The connection failed, closed or broke.
    virtual void OnDisconnect() = 0;
    // The same, with the reason in words, for an owner that retries; by default OnDisconnect.
    virtual void OnFeedLost(std::string_view /*reason*/) { OnDisconnect(); }

protected:
    ~CFeedLineSink() = default;
};

class CSBSSocket : public CCommonSocket {
public:
    // Hands the line to the owner's HandleFeedLine; always true.
    bool ProcessLine(char* line) override;

    CFeedLineSink* m_pDlg = nullptr; // the owner of this connection; not owned

private:
    bool m_bFirstReceive = false; // connected, and nothing received yet

protected:
    // Hands the complete lines to ProcessLine, then tells the owner the receive is done; the
    // first receive of a connection goes to the owner's OnFeedStart before.
    void OnReceive(int errorCode) override;
    // Success: a new stream, then OnFeedConnected. Failure, also of an attempt that could not even
    // be started (no socket, a bad port, a host name that does not resolve): OnFeedLost.
    void OnConnect(int errorCode) override;
    // The receiver closed the connection, or it broke: OnFeedLost, whatever the error.
    void OnClose(int errorCode) override;
};
