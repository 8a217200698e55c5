// The FSD server's sockets: the listener that takes radar clients in, and one object per client
// connection that applies the packet rules to what the client sends.
#pragma once

#include "CommonSocket.h"
#include "EventLog.h"
#include "FsdAccess.h"
#include "platform/Clock.h"
#include "proxy/status/StatusMetrics.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class CFsdClientSocket;

// The client list the FSD sockets belong to: taking clients in and out, and the lines they send.
// The FSD server implements it.
class CFsdClientList {
public:
    // Takes the client over and lists it last.
    virtual void AddClient(std::unique_ptr<CFsdClientSocket> client) = 0;
    // Takes the client out of the list at once and closes it (no packet reaches it any more, no
    // event of it comes); the object itself is destroyed later, after the handler that removed it
    // has returned. Nothing for a client that is not listed.
    virtual void RemoveClient(CFsdClientSocket* client) = 0;
    virtual std::size_t ClientCount() const = 0;
    // A line of a listed client (as CLineFramer hands it over), which may be cut in place.
    // Returns false once the client has been removed: the rest of its receive is dropped.
    virtual bool OnClientLine(CFsdClientSocket& client, char* line) = 0;

protected:
    ~CFsdClientList() = default;
};

// Listens for radar clients; every connection it accepts from an allowed address becomes a
// CFsdClientSocket handed to the client list. It reads no lines.
class CFsdListenerSocket : public platform::CAsyncSocket {
public:
    CFsdClientList* m_pList = nullptr; // the list that takes the clients; not owned
    const CFsdAccess* m_pAccess = nullptr; // who may connect; none: everybody. Not owned
    CEventSink* m_pLog = nullptr; // where accepted and refused connections are told; not owned

protected:
    // A connection that cannot be accepted is discarded, not listed. One from outside the allow
    // list is closed at once, before it is sent or kept anything.
    void OnAccept(int errorCode) override;
};

// One radar client. The client list owns it.
class CFsdClientSocket : public CCommonSocket {
public:
    // Bytes a client may leave unread before it is cut off: over 13 position broadcasts of 5,000
    // aircraft (about 300 KB each), a minute of traffic, which a client that reads at all never
    // reaches, while a client that stopped reading holds at most this much memory.
    static constexpr std::size_t kMaxSendBacklog = 4 * 1024 * 1024;

    // Hands the line to the list. Returns false once the client has been removed (a refused
    // login, or a backlog past the bound): the rest of its receive is dropped.
    bool ProcessLine(char* line) override;

    // Sends the text, or nothing once the client is removed. A client whose backlog passes
    // kMaxSendBacklog is removed from the list like a client that closed, at once; a walk of the
    // list must therefore take the next client before sending to the current one.
    int SendString(std::string_view text) override;
    // The same for a text that many clients send: the socket queues a reference to it, not a
    // copy.
    int SendSharedString(std::shared_ptr<const std::string> text);

    // The list calls this when it takes the client out: the connection closes (what is queued
    // still goes out) and the client sends and handles nothing more.
    void Detach();
    bool IsDetached() const { return m_bDetached; }

    std::string m_strCallsign; // the login callsign; empty until a login is accepted
    CFsdClientList* m_pList = nullptr; // the list that owns this client; not owned
    status::CStatusMetrics* m_pMetrics = nullptr; // the proxy's counters; not owned
    std::int64_t m_tConnected = platform::Time64(); // seconds since 1970, when it was accepted
    // Set by the listener: where the end of the connection is told. Not owned; null: nothing.
    CEventSink* m_pLog = nullptr;
    std::string m_strPeer; // "address:port" of the client, for the log

protected:
    void OnClose(int errorCode) override;

private:
    void Tell(LogLevel level, std::string_view kind, std::string text);
    // What follows every send: the count of bytes sent, and the backlog bound.
    int Sent(int sent);

    bool m_bDetached = false;
};
