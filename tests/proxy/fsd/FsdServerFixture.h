// A fixture for tests of the FSD server over real loopback connections: the main window listening
// on an ephemeral port, and radar clients that connect, log in and collect what they receive.
#pragma once

#include "FsdTestPeer.h"
#include "platform/Clock.h"
#include "proxy/traffic/ReferencePoint.h"
#include "support/EventLoop.h"
#include "support/RecordingControls.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>

inline constexpr std::int64_t kNow = 1'700'000'000;

class CFsdServerFixture : public testing::Test {
protected:
    CFsdServerFixture() { ResetReferencePoint(); }
    ~CFsdServerFixture() override { ResetReferencePoint(); }

    void SetUp() override
    {
        ASSERT_TRUE(m_dlg.StartFsdListener(0));
        std::string address;
        ASSERT_TRUE(m_dlg.m_listenerSocket.GetSockName(address, m_port));
        EXPECT_EQ(address, "127.0.0.1");
    }

    // A client connected and listed by the server, not logged in.
    CFsdTestPeer& Connect()
    {
        const std::size_t listed = m_dlg.m_clientList.size();
        CFsdTestPeer& peer = m_peers.emplace_back(m_port);
        EXPECT_TRUE(qstest::WaitFor([&] { return m_dlg.m_clientList.size() == listed + 1; }));
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
    void Sync() { m_dlg.SendServerText("sync"); }

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

    CTrackedAircraft& AddAircraft(const std::string& hexId)
    {
        CTrackedAircraft& aircraft = *m_dlg.m_aircraftMap.Insert(hexId, {}).first;
        aircraft = CTrackedAircraft {};
        aircraft.hexId = hexId;
        return aircraft;
    }

    platform::FakeClock m_clock { kNow };
    CRecordingControls m_controls;
    CQuorvexDlg m_dlg { m_controls };
    unsigned m_port = 0;
    std::list<CFsdTestPeer> m_peers;
};
