// The packet rules of the FSD server: what a line from a radar client makes the server do. They
// reach the other clients through CFsdRouter, the client list's routing operations, and know
// nothing of sockets or the window.
#pragma once

#include "proxy/traffic/FieldList.h"

#include <string>
#include <string_view>

// The routing operations of the client list.
class CFsdRouter {
public:
    // Sends `text` to every client whose login callsign differs from `callsign` (ASCII case
    // ignored); the empty callsign reaches every logged-in client.
    virtual void BroadcastPacket(std::string_view text, std::string_view callsign) = 0;
    // Sends `text` to every client logged in as `callsign` (ASCII case ignored).
    virtual void SendToCallsign(std::string_view callsign, std::string_view text) = 0;
    // Answers a "$CQ" flight-plan query (its split fields, at least four).
    virtual void SendFlightPlan(const CFieldList& fields) = 0;
    // Whether any client is logged in as `callsign` (ASCII case ignored); the empty callsign is
    // in use while any client has not logged in.
    virtual bool IsCallsignInUse(std::string_view callsign) const = 0;
    // Whether the SBS feed is connected, for the status text of a login.
    virtual bool IsFeedConnected() const = 0;

protected:
    ~CFsdRouter() = default;
};

// The client a line came from: its own answers go straight to it.
class CFsdSender {
public:
    virtual int SendString(std::string_view text) = 0;

protected:
    ~CFsdSender() = default;
};

// Applies the packet rules to one line of the client `sender`, logged in as `callsign` (empty
// until a login is accepted, which sets it): login, relays, text forwarding, flight-plan queries;
// other lines are ignored. The line is cut in place. Returns false for a refused login, after
// which the client is to be removed and the rest of its receive dropped.
bool ApplyPacketRules(char* line, std::string& callsign, CFsdSender& sender, CFsdRouter& router);
