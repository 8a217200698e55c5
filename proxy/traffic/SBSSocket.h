// The connection to an SBS-1 BaseStation receiver's data port. It only receives: every complete
// line goes to the window's feed parser. Its connect and close events move the window between
// idle, connecting and connected.
#pragma once

#include "proxy/fsd/CommonSocket.h"

class CSBSSocket : public CCommonSocket {
public:
    // Hands the line to the window's HandleFeedLine; always true.
    bool ProcessLine(char* line) override;

protected:
    // Success: the window shows "Connected" and tells the FSD clients. Failure, also of an attempt
    // that could not even be started (no socket, a bad port, a host name that does not resolve):
    // the window returns to idle through OnDisconnect.
    void OnConnect(int errorCode) override;
    // The receiver closed the connection, or it broke: OnDisconnect, whatever the error.
    void OnClose(int errorCode) override;
};
