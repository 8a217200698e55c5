// A fixture for tests of the FSD server over real loopback connections: the server over a traffic
// model, listening on an ephemeral port, and radar clients that connect, log in and collect what
// they receive.
#pragma once

#include "FsdTestPeer.h"
#include "platform/Clock.h"
#include "proxy/fsd/FsdServer.h"
#include "proxy/traffic/TrafficModel.h"
#include "support/EventLoop.h"
#include "support/RecordingControls.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::int64_t kNow = 1'700'000'000;

// Radar clients of an FSD server, which the derived fixture owns.
class CFsdPeersFixture : public testing::Test {
protected:
    virtual CFsdServer& Server() = 0;

    void SetUp() override
    {
        ASSERT_TRUE(Server().Start(0));
        std::string address;
        ASSERT_TRUE(Server().m_listenerSocket.GetSockName(address, m_port));
        EXPECT_EQ(address, "127.0.0.1");
    }

    // A client connected and listed by the server, not logged in.
    CFsdTestPeer& Connect()
    {
        const std::size_t listed = Server().Clients().size();
        CFsdTestPeer& peer = m_peers.emplace_back(m_port);
        EXPECT_TRUE(qstest::WaitFor([&] { return Server().Clients().size() == listed + 1; }));
        return peer;
    }

    // A client logged in as `callsign`, its hello and status texts taken, and the relay of its
    // login taken from the clients before it.
    CFsdTestPeer& Login(const std::string& callsign)
    {
        CFsdTestPeer& peer = Connect();
        const std::string login = "#AA" + callsign + ":SERVER:Some One:1234567:3:100\r\n";
        peer.Write(login);
        EXPECT_TRUE(Receives(peer, "sever"));
        peer.received.clear();
        for (CFsdTestPeer& earlier : m_peers) {
            if (&earlier == &peer || earlier.IsClosed())
                continue;
            EXPECT_TRUE(Receives(earlier, login));
            earlier.received.erase(earlier.received.find(login), login.size());
        }
        return peer;
    }

    static bool Receives(CFsdTestPeer& peer, std::string_view text)
    {
        return qstest::WaitFor([&] { return peer.received.find(text) != std::string::npos; });
    }

    // Sends every client a marker text behind what the server has sent it so far.
    void Sync() { Server().SendServerText("sync"); }

    // What `peer` received before the marker of the last Sync; the received text is emptied.
    static std::string Drain(CFsdTestPeer& peer)
    {
        const std::string_view marker = "sync\r\n";
        EXPECT_TRUE(
            qstest::WaitFor([&] { return peer.received.find(marker) != std::string::npos; }));
        const std::size_t end = peer.received.find(marker);
        const std::size_t start = peer.received.rfind("#TMserver:", end);
        std::string before = peer.received.substr(0, start == std::string::npos ? end : start);
        peer.received.clear();
        return before;
    }

    platform::FakeClock m_clock { kNow };
    unsigned m_port = 0;
    std::list<CFsdTestPeer> m_peers;
};

// The FSD server alone, over a traffic model of its own.
class CFsdServerFixture : public CFsdPeersFixture {
protected:
    CFsdServer& Server() override { return m_server; }

    void SetUp() override
    {
        m_server.m_onClientCount = [this](std::size_t count) { m_clientCounts.push_back(count); };
        CFsdPeersFixture::SetUp();
    }

    CTrackedAircraft& AddAircraft(const std::string& hexId)
    {
        CTrackedAircraft& aircraft = *m_traffic.m_aircraftMap.Insert(hexId, {}).first;
        aircraft = CTrackedAircraft {};
        aircraft.hexId = hexId;
        return aircraft;
    }

    // One feed line, as the feed hands it over.
    bool Feed(std::string line)
    {
        return m_traffic.HandleFeedLine(line.data(), line.size(), platform::Time64());
    }

    // The client count as the server last told it, as the window shows it; empty before.
    std::string ShownClientCount() const
    {
        return m_clientCounts.empty() ? std::string() : std::to_string(m_clientCounts.back());
    }

    CTrafficModel m_traffic;
    CFsdServer m_server { m_traffic };
    std::vector<std::size_t> m_clientCounts; // every count the server told
};

// The main window with its FSD server, over recording controls.
class CWindowFixture : public CFsdPeersFixture {
protected:
    CFsdServer& Server() override { return m_dlg.Server(); }

    // One feed line, as the feed hands it over.
    void Feed(std::string line) { m_dlg.HandleFeedLine(line.data()); }

    CRecordingControls m_controls;
    CQuorvexDlg m_dlg { m_controls };
};
