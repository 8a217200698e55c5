// The FSD server's sockets: the listener that takes radar clients in, and one object per client
// connection that applies the packet rules to what the client sends.
#pragma once

#include "CommonSocket.h"
#include "platform/Clock.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Listens for radar clients; every connection it accepts becomes a CFsdClientSocket in the
// window's client list.
class CFsdListenerSocket : public CCommonSocket {
public:
    bool ProcessLine(char* line) override;

protected:
    // A connection that cannot be accepted is discarded, not listed.
    void OnAccept(int errorCode) override;
};

// One radar client. The window's client list owns it; RemoveClient destroys it.
class CFsdClientSocket : public CCommonSocket {
public:
    // Bytes a client may leave unread before it is cut off: over 13 position broadcasts of 5,000
    // aircraft (about 300 KB each), a minute of traffic, which a client that reads at all never
    // reaches, while a client that stopped reading holds at most this much memory.
    static constexpr std::size_t kMaxSendBacklog = 4 * 1024 * 1024;

    // The packet rules: login, relays, text forwarding, flight-plan queries; other lines are
    // ignored. Returns false when the client was removed (a refused login, or a backlog past the
    // bound): the object no longer exists then.
    bool ProcessLine(char* line) override;

    // Sends the text, or nothing once the client is cut off. A client whose backlog passes
    // kMaxSendBacklog is closed and removed from the window's list like a client that closed:
    // at once, which destroys it inside this call (callers walking the list take the next node
    // first), or, while it is handling its own line, when that line is done.
    int SendString(std::string_view text) override;

    // Cut off for its backlog: sends nothing more, and goes from the list when it can.
    bool IsCutOff() const { return m_bCutOff; }

    std::string m_strCallsign; // the login callsign; empty until a login is accepted
    std::int64_t m_tConnected = platform::Time64(); // seconds since 1970, when it was accepted

protected:
    void OnClose(int errorCode) override;

private:
    // Returns false after a refused login, which has removed the client.
    bool ApplyPacketRules(char* line);
    bool Login(std::string_view line, std::string_view callsign);

    bool m_bHandlingLine = false;
    bool m_bCutOff = false;
};
