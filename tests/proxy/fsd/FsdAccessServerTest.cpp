// Who may use the FSD server, over loopback connections: the allow list (with a second loopback
// address as the outside machine), the limit of clients and the login password, and what the
// event log hears of them.
#include "FsdServerFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class CRecordingLog final : public CEventSink {
public:
    void Log(LogLevel level, std::string_view /*kind*/, std::string text) override
    {
        lines.push_back(std::to_string(static_cast<int>(level)) + " " + text);
    }
    // Whether a line starts with `start` and holds `part`.
    bool Has(std::string_view start, std::string_view part = {}) const
    {
        for (const std::string& line : lines)
            if (line.rfind(start, 0) == 0 && line.find(part) != std::string::npos)
                return true;
        return false;
    }
    std::vector<std::string> lines;
};

class FsdAccessServerTest : public CFsdServerFixture {
protected:
    FsdAccessServerTest() { m_server.m_pEventLog = &m_log; }

    CRecordingLog m_log;
};

TEST_F(FsdAccessServerTest, ClientOutsideTheAllowListNeverReceivesAByte)
{
    m_server.m_fsdAccess.allowed.push_back(*CAddressRange::Parse("127.0.0.1/32"));
    CFsdTestPeer& inside = Login("ABC");
    CFsdTestPeer outside(m_port, "127.0.0.2");
    outside.Write("#AAEVIL:SERVER:x:1:pw\r\n%EVIL:1:2\r\n");
    ASSERT_TRUE(qstest::WaitFor([&] { return outside.IsClosed(); }));
    m_server.SendServerText("after");
    m_server.BroadcastPacket("@N:ABC:1:1:1:1:1:1:1\r\n", "");
    ASSERT_TRUE(Receives(inside, "after"));
    EXPECT_EQ(outside.received, "");
    EXPECT_EQ(m_server.Clients().size(), 1u);
    EXPECT_EQ(inside.received.find("EVIL"), std::string::npos) << inside.received;
    EXPECT_TRUE(m_log.Has("4 refused a radar client from 127.0.0.2:", ": not in the allow list"));
    EXPECT_TRUE(m_log.Has("6 radar client 127.0.0.1:", " logged in as ABC"));
}

TEST_F(FsdAccessServerTest, ClientOverTheLimitIsToldTheServerIsFullThenClosed)
{
    m_server.m_fsdAccess.maxClients = 64;
    for (int i = 0; i < 64; ++i)
        Connect();
    CFsdTestPeer extra(m_port);
    ASSERT_TRUE(qstest::WaitFor([&] { return extra.IsClosed(); }));
    EXPECT_EQ(extra.received, "#TMserver::Sorry, but the server is full\r\n");
    EXPECT_EQ(m_server.Clients().size(), 64u);
    EXPECT_TRUE(m_log.Has("4 refused a radar client from 127.0.0.1:", "the server is full"));

    // A place that comes free is taken again.
    m_peers.front().Disconnect();
    ASSERT_TRUE(qstest::WaitFor([&] { return m_server.Clients().size() == 63; }));
    Login("LAST");
}

TEST_F(FsdAccessServerTest, WrongPasswordIsRefusedLikeACallsignInUseARightOneLogsIn)
{
    m_server.m_fsdAccess.password = "letmein";
    CFsdTestPeer& watcher = Connect(); // has not logged in: hears no relay with a password
    CFsdTestPeer& wrong = Connect();
    wrong.Write("%WRONG:relayed before any login\r\n#AAWRONG:SERVER:x:1:guess:1:9\r\n");
    ASSERT_TRUE(qstest::WaitFor([&] { return wrong.IsClosed(); }));
    EXPECT_EQ(wrong.received, "#TMserver:WRONG:Sorry, but the password is wrong\r\n");
    EXPECT_TRUE(m_log.Has("4 refused the login of radar client 127.0.0.1:",
        " as WRONG: Sorry, but the password is wrong"));

    CFsdTestPeer& right = Connect();
    right.Write("#AARIGHT:SERVER:x:1:letmein:1:9\r\n");
    ASSERT_TRUE(Receives(right, "Hello to Quorvex server by Dorvath"));
    EXPECT_EQ(m_server.Clients().back()->m_strCallsign, "RIGHT");
    EXPECT_TRUE(m_log.Has("6 radar client 127.0.0.1:", " logged in as RIGHT"));
    right.Write("%RIGHT:relayed\r\n");
    Sync();
    EXPECT_EQ(Drain(watcher), "");
    Drain(right);
    // Nor does anything of a client that has not logged in reach the others.
    CFsdTestPeer& sneak = Connect();
    sneak.Write("%SNEAK:relayed\r\n#TMSNEAK:RIGHT:hello\r\n#AASNEAK:SERVER:x:1:letmein\r\n");
    ASSERT_TRUE(Receives(sneak, "Hello")); // so the lines before the login have been handled
    Sync();
    EXPECT_EQ(Drain(right), "#AASNEAK:SERVER:x:1:letmein\r\n");

    // The same refusal as a callsign in use, which the password does not get around either.
    CFsdTestPeer& twin = Connect();
    twin.Write("#AAright:SERVER:x:1:letmein:1:9\r\n");
    ASSERT_TRUE(qstest::WaitFor([&] { return twin.IsClosed(); }));
    EXPECT_EQ(twin.received, "#TMserver:right:Sorry, but callsign is in use\r\n");
}

} // namespace
