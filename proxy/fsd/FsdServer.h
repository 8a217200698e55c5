// The FSD server: the listeners, the radar clients and who may be one, the packet rules on what
// they send, and what the proxy sends them: the texts of the feed's state, the callsigns the
// traffic learns, the answers to flight-plan queries and the position broadcast of every tick,
// read from the traffic model.
#pragma once

#include "FsdRules.h"
#include "platform/DeferredCall.h"
#include "proxy/net/EventLog.h"
#include "proxy/net/FsdAccess.h"
#include "proxy/net/FsdSockets.h"
#include "proxy/status/StatusMetrics.h"
#include "proxy/traffic/TrafficModel.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The FSD server listens on this port of the loopback address only, unless told otherwise.
inline constexpr unsigned kFsdPort = 6809;

class CFsdServer : public CFsdClientList, public CFsdRouter, public CTrafficListener {
public:
    // Listens to `traffic`, which must outlive the server.
    explicit CFsdServer(CTrafficModel& traffic);
    virtual ~CFsdServer();
    CFsdServer(const CFsdServer&) = delete;
    CFsdServer& operator=(const CFsdServer&) = delete;

    // Listens on `port` of the loopback address (tests pass 0 for any free port), or on every
    // address of m_listenAddresses when there are some, and goes on without the listeners that
    // failed. Returns whether every listener listens; m_strListenFailure then says why the first
    // one that failed did.
    bool Start(unsigned port = kFsdPort);

    // The client list, in order of acceptance. AddClient takes a client over unless the server is
    // full (it is then told so and closed); RemoveClient takes it out of the list and closes it at
    // once, and destroys it on the event loop's next turn, so that it is safe anywhere, also
    // inside the client's own event handler. Both tell m_onClientCount.
    void AddClient(std::unique_ptr<CFsdClientSocket> client) override;
    void RemoveClient(CFsdClientSocket* client) override;
    std::size_t ClientCount() const override { return m_clientList.size(); }
    bool OnClientLine(CFsdClientSocket& client, char* line) override;
    const std::list<std::unique_ptr<CFsdClientSocket>>& Clients() const { return m_clientList; }

    // Routing. A send may remove the client it goes to (its backlog past the bound), so every
    // walk of the client list takes the next client before sending to the current one.
    //
    // Sends `text` to every client whose login callsign differs from `callsign` (ASCII case
    // ignored); the empty callsign reaches every logged-in client.
    void BroadcastPacket(std::string_view text, std::string_view callsign) override;
    // Sends the text to every logged-in client like BroadcastPacket(*text, {}), each client
    // queuing a reference to the one text instead of a copy of it.
    void BroadcastShared(const std::shared_ptr<const std::string>& text);
    void SendToCallsign(std::string_view callsign, std::string_view text) override;
    // Sends every client, logged in or not, the server text `message` addressed to itself.
    void SendServerText(std::string_view message);
    // Answers a "$CQ" flight-plan query (its split fields, at least four) with the first aircraft
    // whose callsign, registration or hex id is the name asked for, sent to the clients logged in
    // as the query's sender; nothing when no aircraft matches.
    void SendFlightPlan(const CFieldList& fields) override;
    bool IsCallsignInUse(std::string_view callsign) const override;

    // The feed's state, for the status text of a login. Announcing it tells every client.
    bool IsFeedConnected() const override { return m_bFeedConnected; }
    void SetFeedConnected(bool connected) { m_bFeedConnected = connected; }
    void AnnounceFeed(bool connected);

    // One "@" packet per aircraft with a position at most kMaxPositionAge seconds old at `now`,
    // in map order, composed once; the packets of the tick go to every logged-in client as one
    // shared text, so the backlog bound is checked once per tick and client. Nothing without a
    // client.
    void BroadcastPositions(std::int64_t now);

    // The clients learn an aircraft's callsign: its old entry is deleted.
    void OnCallsignKnown(const CTrackedAircraft& aircraft, std::string_view oldName) override;

    // Set before Start. Where the server listens (none: the loopback address on the port given
    // to Start) and who may use it (by default, everybody who reaches it).
    std::vector<CListenAddress> m_listenAddresses;
    CFsdAccess m_fsdAccess;
    CEventSink* m_pEventLog = nullptr; // where events are told; none: nowhere. Not owned
    status::CStatusMetrics* m_pMetrics = nullptr; // the proxy's counters; none: not counted
    std::function<void(std::size_t)> m_onClientCount; // told the count after every change
    std::string m_strListenFailure; // why the first listener that failed did
    CFsdListenerSocket m_listenerSocket; // the first listener
    // The listeners after the first of m_listenAddresses.
    std::vector<std::unique_ptr<CFsdListenerSocket>> m_extraListeners;

private:
    void Log(LogLevel level, std::string_view kind, std::string text);
    bool RefuseLogin(CFsdClientSocket& client, const char* line, std::string_view reason);
    void ClientCountChanged();
    void DestroyRemovedClients();

    CTrafficModel& m_traffic;
    bool m_bFeedConnected = false;
    std::list<std::unique_ptr<CFsdClientSocket>> m_clientList; // owns the listed clients
    // The position packets of the last broadcast. The clients' sockets hold it until it has
    // gone to their peers; once none does, the next tick reuses it.
    std::shared_ptr<std::string> m_pTick;
    // Clients taken out of the list, closed, waiting for the loop's next turn to be destroyed.
    std::vector<std::unique_ptr<CFsdClientSocket>> m_removedClients;
    // Declared after m_removedClients: goes first, and with it any pending call.
    platform::CDeferredCall m_destroyRemoved { [this] { DestroyRemovedClients(); } };
};
