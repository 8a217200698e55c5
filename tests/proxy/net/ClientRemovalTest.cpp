// Clients removed inside their own handlers: out of the list at once, destroyed only after the
// handler has returned.
#include "fsd/FsdServerFixture.h"
#include "support/EventLoop.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using qstest::Settle;
using qstest::WaitFor;

// What a probe client saw, kept by the test: the probe itself goes on the loop's next turn.
struct CProbeRecord {
    bool destroyed = false;
    int linesHandled = 0;
    bool aliveAfterHandler = true;
    bool closeHandled = false;
};

// A client that notes, after its own handlers have run, whether it still exists.
class CProbeClient : public CFsdClientSocket {
public:
    explicit CProbeClient(CProbeRecord& record)
        : m_record(record)
    {
    }
    ~CProbeClient() override { m_record.destroyed = true; }

    bool ProcessLine(char* line) override
    {
        const bool goOn = CFsdClientSocket::ProcessLine(line);
        ++m_nLinesHandled; // the object is touched after it may have removed itself
        m_record.linesHandled = m_nLinesHandled;
        m_record.aliveAfterHandler = m_record.aliveAfterHandler && !m_record.destroyed;
        return goOn;
    }

protected:
    void OnClose(int errorCode) override
    {
        CFsdClientSocket::OnClose(errorCode);
        m_record.closeHandled = !m_record.destroyed && IsDetached();
    }

private:
    CProbeRecord& m_record;
    int m_nLinesHandled = 0;
};

class ClientRemovalTest : public CFsdServerFixture {
protected:
    // A probe connected to `server` and listed; returns the server's end of it.
    QTcpSocket* ConnectProbe(QTcpServer& server, CProbeRecord& record)
    {
        auto probe = std::make_unique<CProbeClient>(record);
        EXPECT_TRUE(probe->Create());
        EXPECT_TRUE(probe->Connect("127.0.0.1", server.serverPort()));
        EXPECT_TRUE(WaitFor([&] { return server.hasPendingConnections(); }));
        m_server.AddClient(std::move(probe));
        return server.nextPendingConnection();
    }
};

TEST_F(ClientRemovalTest, TheRestOfTheReceiveIsDroppedAndTheObjectOutlivesItsHandlers)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    CProbeRecord refused;
    CProbeRecord closed;
    QTcpSocket* refusedPeer = ConnectProbe(server, refused);
    QTcpSocket* closedPeer = ConnectProbe(server, closed);
    ASSERT_TRUE(refusedPeer != nullptr && closedPeer != nullptr);

    refusedPeer->write("#AA:SERVER\r\n%X:dropped\r\n");
    ASSERT_TRUE(WaitFor([&] { return m_server.Clients().size() == 1; }));
    EXPECT_EQ(refused.linesHandled, 1);
    EXPECT_TRUE(refused.aliveAfterHandler);
    EXPECT_EQ(ShownClientCount(), "1");
    const std::string refusal = "#TMserver::Sorry, but callsign is in use\r\n";
    ASSERT_TRUE(WaitFor([&] { return refusedPeer->bytesAvailable() >= qint64(refusal.size()); }));
    EXPECT_EQ(refusedPeer->readAll().toStdString(), refusal);

    closedPeer->disconnectFromHost();
    ASSERT_TRUE(WaitFor([&] { return m_server.Clients().empty(); }));
    EXPECT_TRUE(closed.closeHandled);
    EXPECT_TRUE(WaitFor([&] { return refused.destroyed && closed.destroyed; }));
}

TEST_F(ClientRemovalTest, AClientCutOffByItsOwnTextsGoesAndTheOthersStay)
{
    CFsdTestPeer& other = Login("OTHER");
    CFsdTestPeer& self = Login("SELF");
    self.StopReading();
    // Texts to itself, about 1 KB each: its backlog passes the bound while it handles one.
    const std::string text = "#TMSELF:SELF:" + std::string(1000, 'x') + "\r\n";
    std::string chunk;
    for (int i = 0; i < 500; ++i)
        chunk += text;
    for (int i = 0; i < 100 && m_server.IsCallsignInUse("SELF"); ++i) {
        self.Write(chunk);
        WaitFor([&] { return !m_server.IsCallsignInUse("SELF"); }, 200);
    }
    ASSERT_FALSE(m_server.IsCallsignInUse("SELF")) << "never cut off";
    EXPECT_EQ(ShownClientCount(), "1");
    Settle(50);
    Sync();
    EXPECT_EQ(Drain(other), "");
    other.Write("#TMOTHER:OTHER:still served\r\n");
    EXPECT_TRUE(Receives(other, "still served"));
}

} // namespace
