// The SBS feed connection over real loopback sockets: a stand-in receiver on an ephemeral port, and
// radar clients of the window's FSD server that are told how the feed goes.
#include "fsd/FsdServerFixture.h"
#include "support/FeedSamples.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

using qstest::Settle;
using qstest::WaitFor;

constexpr std::string_view kSorry = "Sorry, but SBS data feed is disconnetced\r\n";
constexpr std::string_view kBeHappy = "Be happy, the SBS data feed is connetced!!!\r\n";

class FeedConnectionTest : public CWindowFixture {
protected:
    void ConnectTo(const std::string& server, const std::string& port)
    {
        m_controls.SetWindowText(kIdEditServer, server);
        m_controls.SetWindowText(kIdEditPort, port);
        m_dlg.OnConnectClicked();
        ASSERT_EQ(m_controls.GetWindowText(kIdConnect), "Connecting ...");
    }

    bool IsIdle() const
    {
        return m_controls.IsWindowEnabled(kIdConnect) && m_controls.IsWindowEnabled(kIdLogfile)
            && !m_controls.IsWindowEnabled(kIdDisconnect) && !m_controls.IsWindowEnabled(kIdPlus10)
            && m_controls.GetWindowText(kIdConnect) == "Connect" && !m_dlg.IsFeedConnected();
    }

    // A port on which nobody listens.
    static unsigned ClosedPort()
    {
        QTcpServer probe;
        EXPECT_TRUE(probe.listen(QHostAddress::LocalHost));
        return probe.serverPort(); // free again once the probe goes
    }

    // The receiver's side of an accepted feed connection.
    std::unique_ptr<QTcpSocket> AcceptFeed(QTcpServer& receiver)
    {
        EXPECT_TRUE(WaitFor([&] { return receiver.hasPendingConnections(); }));
        std::unique_ptr<QTcpSocket> feed(receiver.nextPendingConnection());
        feed->setParent(nullptr);
        return feed;
    }
};

TEST_F(FeedConnectionTest, RefusedConnectionTellsEveryClientOnceAndReturnsToIdle)
{
    CFsdTestPeer& app = Login("APP");
    CFsdTestPeer& anonymous = Connect();
    ConnectTo("127.0.0.1", std::to_string(ClosedPort()));
    ASSERT_TRUE(WaitFor([&] { return IsIdle(); }));
    Settle(50); // a second "Sorry" would have its chance now
    Sync();
    EXPECT_EQ(Drain(app), "#TMserver:APP:" + std::string(kSorry));
    EXPECT_EQ(Drain(anonymous), "#TMserver::" + std::string(kSorry));
    EXPECT_TRUE(m_controls.MessageBoxes().empty());
}

TEST_F(FeedConnectionTest, ConnectionThatCannotStartEndsAsAFailedOne)
{
    CFsdTestPeer& app = Login("APP");
    // No digits, port 0, beyond the port range: no attempt can even start.
    for (const char* port : { "abc", "0", "70000" }) {
        ConnectTo("127.0.0.1", port);
        ASSERT_TRUE(WaitFor([&] { return IsIdle(); })) << port;
        Sync();
        EXPECT_EQ(Drain(app), "#TMserver:APP:" + std::string(kSorry)) << port;
    }
}

TEST_F(FeedConnectionTest, ConnectedFeedReachesTheParserAndItsEndIsAnnounced)
{
    QTcpServer receiver;
    ASSERT_TRUE(receiver.listen(QHostAddress::LocalHost));
    CFsdTestPeer& app = Login("APP");
    CFsdTestPeer& anonymous = Connect();
    ConnectTo("127.0.0.1", std::to_string(receiver.serverPort()));
    std::unique_ptr<QTcpSocket> feed = AcceptFeed(receiver);
    ASSERT_TRUE(WaitFor([&] { return m_dlg.IsFeedConnected(); }));
    EXPECT_EQ(m_controls.GetWindowText(kIdConnect), "Connected");
    EXPECT_FALSE(m_controls.IsWindowEnabled(kIdConnect));
    EXPECT_TRUE(m_controls.IsWindowEnabled(kIdDisconnect));
    Sync();
    EXPECT_EQ(Drain(app), "#TMserver:APP:" + std::string(kBeHappy));
    EXPECT_EQ(Drain(anonymous), "#TMserver::" + std::string(kBeHappy));

    // One line in two receives is handled once, whole.
    feed->write("MSG,3,1,1,4CA2D6,1,2010/02/19,18:06:07.710,2010/02/19,18:06:07.710,,36000,,,52.3");
    feed->flush();
    ASSERT_TRUE(WaitFor([&] { return feed->bytesToWrite() == 0; }));
    Settle(50);
    EXPECT_EQ(m_dlg.m_nLinesReceived, 0);
    feed->write("6210,13.50070,,,0,0,0,0\r\n");
    feed->flush();
    ASSERT_TRUE(WaitFor([&] { return m_dlg.m_nLinesReceived == 1; }));
    EXPECT_EQ(m_dlg.m_nLinesAccepted, 1);
    EXPECT_EQ(m_controls.GetWindowText(kIdLastLine),
        "MSG,3,1,1,4CA2D6,1,2010/02/19,18:06:07.710,2010/02/19,18:06:07.710,,36000,,,52.36210,"
        "13.50070,,,0,0,0,0\r\n");
    EXPECT_EQ(m_controls.Cell(kIdAircraftList, 0, kColPosition), "52.3621,13.5007");

    // The receiver ends the connection: back to idle, everybody told, the counters kept.
    feed->disconnectFromHost();
    ASSERT_TRUE(WaitFor([&] { return IsIdle(); }));
    Sync();
    EXPECT_EQ(Drain(app), "#TMserver:APP:" + std::string(kSorry));
    EXPECT_EQ(m_controls.GetWindowText(kIdLineCount), "1 / 1");
    EXPECT_EQ(m_dlg.Traffic().m_aircraftMap.size(), 1u);
}

TEST_F(FeedConnectionTest, EveryConnectionStartsWithoutTheLastOnesUnfinishedLine)
{
    QTcpServer receiver;
    ASSERT_TRUE(receiver.listen(QHostAddress::LocalHost));
    const std::string port = std::to_string(receiver.serverPort());
    const std::string good
        = "MSG,3,1,1,A00002,1,2010/02/19,x,2010/02/19,x,,36000,,,52.3,13.5,,,0,0,0,0\r\n";
    // Each connection ends in the middle of a line: half a line, then the head of an over-long
    // one, which the next connection must not take for the rest of its line either.
    for (const std::string& tail : { std::string("MSG,3,1,1,BAD"), std::string(1500, 'x') }) {
        ConnectTo("127.0.0.1", port);
        std::unique_ptr<QTcpSocket> feed = AcceptFeed(receiver);
        ASSERT_TRUE(WaitFor([&] { return m_dlg.IsFeedConnected(); }));
        feed->write(tail.data(), static_cast<qint64>(tail.size()));
        feed->flush();
        ASSERT_TRUE(WaitFor([&] { return feed->bytesToWrite() == 0; }));
        Settle(50);
        feed->disconnectFromHost();
        ASSERT_TRUE(WaitFor([&] { return IsIdle(); }));

        ConnectTo("127.0.0.1", port);
        feed = AcceptFeed(receiver);
        ASSERT_TRUE(WaitFor([&] { return m_dlg.IsFeedConnected(); }));
        feed->write(good.data(), static_cast<qint64>(good.size()));
        feed->flush();
        ASSERT_TRUE(WaitFor([&] { return m_dlg.m_nLinesReceived == 1; })) << tail.size();
        EXPECT_EQ(m_dlg.m_nLinesAccepted, 1) << tail.size();
        EXPECT_EQ(m_dlg.Traffic().m_aircraftMap.size(), 1u);
        EXPECT_NE(m_dlg.Traffic().m_aircraftMap.Find("A00002"), nullptr) << tail.size();
        feed->disconnectFromHost();
        ASSERT_TRUE(WaitFor([&] { return IsIdle(); }));
    }
}

TEST_F(FeedConnectionTest, BeastFeedIsNamedFromItsFirstBytesAndEveryConnectionAgain)
{
    CTextLog log;
    m_dlg.m_pEventLog = &log;
    QTcpServer receiver;
    ASSERT_TRUE(receiver.listen(QHostAddress::LocalHost));
    const std::string port = std::to_string(receiver.serverPort());
    // The frames' NUL bytes make the line assembly drop the first line: the start of the
    // connection is looked at as it came.
    const std::string frames = BeastFrames(200);
    for (int connection = 0; connection < 2; ++connection) {
        ConnectTo("127.0.0.1", port);
        std::unique_ptr<QTcpSocket> feed = AcceptFeed(receiver);
        ASSERT_TRUE(WaitFor([&] { return m_dlg.IsFeedConnected(); }));
        feed->write(frames.data(), static_cast<qint64>(frames.size()));
        feed->flush();
        ASSERT_TRUE(WaitFor([&] { return feed->bytesToWrite() == 0; }));
        const auto warnings = [&] {
            return std::count(log.texts.begin(), log.texts.end(),
                "feed: " + FeedFormatWarning(FeedFormat::Beast));
        };
        ASSERT_TRUE(WaitFor([&] { return warnings() == connection + 1; }));
        Settle(50);
        EXPECT_EQ(warnings(), connection + 1);
        EXPECT_EQ(m_dlg.FeedFormatSeen(), FeedFormat::Beast);
        EXPECT_EQ(m_dlg.m_nLinesAccepted, 0);
        EXPECT_EQ(m_dlg.Traffic().Size(), 0u);
        m_dlg.OnDisconnect();
    }
    m_dlg.m_pEventLog = nullptr;
}

TEST_F(FeedConnectionTest, ClientLoggingInWhileConnectingIsToldTheFeedIsDown)
{
    // A receiver whose queue of waiting connections is full: the system leaves further attempts
    // unanswered, so the window stays in "Connecting ..." while the client logs in.
    QTcpServer receiver;
    receiver.setListenBacklogSize(0);
    ASSERT_TRUE(receiver.listen(QHostAddress::LocalHost));
    receiver.pauseAccepting();
    QTcpSocket filler;
    filler.connectToHost(QHostAddress::LocalHost, receiver.serverPort());
    ASSERT_TRUE(filler.waitForConnected(5000));

    ConnectTo("127.0.0.1", std::to_string(receiver.serverPort()));
    CFsdTestPeer& late = Connect();
    late.Write("#AALATE:SERVER:A B:1:1:100\r\n");
    ASSERT_TRUE(WaitFor([&] { return late.received.find("sever") != std::string::npos; }));
    ASSERT_EQ(m_controls.GetWindowText(kIdConnect), "Connecting ...") << "the attempt went through";
    EXPECT_EQ(late.received,
        "#TMserver:LATE:Hello to Quorvex server by Dorvath\r\n"
        "#TMserver:LATE:Unfortunately SBS-1 sever is not connected\r\n");

    // Disconnect while connecting: idle, and the client is told.
    late.received.clear();
    m_dlg.OnDisconnect();
    EXPECT_TRUE(IsIdle());
    Sync();
    EXPECT_EQ(Drain(late), "#TMserver:LATE:" + std::string(kSorry));
}

TEST_F(FeedConnectionTest, DisconnectDuringAReplayTellsEveryClient)
{
    CScratchDirectory scratch;
    scratch.Write("feed.sbs", std::string(100, '\n'));
    CFsdTestPeer& app = Login("APP");
    CFsdTestPeer& anonymous = Connect();
    m_controls.SetWindowText(kIdEditServer, "feed.sbs");
    m_dlg.OnLogfileClicked();
    ASSERT_TRUE(m_dlg.IsReplaying());
    m_dlg.OnDisconnect();
    EXPECT_FALSE(m_dlg.IsReplaying());
    EXPECT_TRUE(IsIdle());
    Sync();
    EXPECT_EQ(Drain(app), "#TMserver:APP:" + std::string(kSorry));
    EXPECT_EQ(Drain(anonymous), "#TMserver::" + std::string(kSorry));
}

} // namespace
