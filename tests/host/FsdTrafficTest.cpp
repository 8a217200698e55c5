// The host as a radar client of a small FSD server written here, on the loopback address.
#include "RecordingPlugIn.h"
#include "host/FsdConnection.h"
#include "host/HostSession.h"
#include "platform/Clock.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Runs the event loop until the condition holds or five seconds have passed.
bool WaitFor(const std::function<bool()>& condition)
{
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
        if (elapsed.elapsed() > 5000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class FsdTrafficTest : public testing::Test {
protected:
    FsdTrafficTest()
    {
        VeltrixPlugIn::CPosition lhbp;
        lhbp.m_Latitude = 47.4394;
        lhbp.m_Longitude = 19.2619;
        host::CAirportTable airports;
        airports.Add("LHBP", lhbp);
        m_Session = std::make_unique<host::CHostSession>(
            airports, [this](const std::string& n) { m_Notices.push_back(n); });
        m_Session->UsePlugIn(m_PlugIn);
        std::string error;
        EXPECT_TRUE(
            m_Session->OpenDisplay(hosttest::kTestDisplayType, host::CDisplaySettings(), &error));
    }

    // The server's side: accepts the host and collects the lines it sends.
    void Accept()
    {
        ASSERT_TRUE(WaitFor([this] { return m_Server.hasPendingConnections(); }));
        m_Peer = m_Server.nextPendingConnection();
        const auto readLines = [this] {
            while (m_Peer->canReadLine())
                m_Received.push_back(m_Peer->readLine().toStdString());
        };
        QObject::connect(m_Peer, &QTcpSocket::readyRead, m_Peer, readLines);
        readLines(); // what came before the connection above
    }
    void Send(const std::string& bytes) { m_Peer->write(bytes.data(), qint64(bytes.size())); }
    bool Logged(const std::string& entry) const
    {
        return std::find(m_PlugIn.log.begin(), m_PlugIn.log.end(), entry) != m_PlugIn.log.end();
    }

    platform::FakeClock m_Clock { 1'700'000'000 };
    hosttest::RecordingPlugIn m_PlugIn;
    std::vector<std::string> m_Notices;
    std::unique_ptr<host::CHostSession> m_Session;
    QTcpServer m_Server;
    QTcpSocket* m_Peer = nullptr; // owned by the server
    std::vector<std::string> m_Received;
};

TEST_F(FsdTrafficTest, LogsInFollowsPositionsAsksForFlightPlansAndForgets)
{
    ASSERT_TRUE(m_Server.listen(QHostAddress::LocalHost, 0));
    host::CFsdConnection connection("127.0.0.1", m_Server.serverPort(), "OBS", *m_Session,
        [this](const std::string& n) { m_Notices.push_back(n); });
    connection.Start();
    Accept();
    ASSERT_TRUE(WaitFor([this] { return !m_Received.empty(); }));
    EXPECT_EQ(m_Received[0].rfind("#AAOBS:", 0), 0u) << m_Received[0];

    // A server text and the first position of an aircraft: the host asks for its flight plan.
    Send("#TMserver:OBS:Hello to Quorvex server by Dorvath\r\n"
         "@N:WZZ123:1234:1:47.93940:19.26190:2500:145:0:0\r\n");
    ASSERT_TRUE(WaitFor([this] { return m_Received.size() >= 2; }));
    EXPECT_EQ(m_Received[1], "$CQOBS:SERVER:FP:WZZ123\r\n");
    EXPECT_TRUE(Logged("screen1 position WZZ123 145 "));
    EXPECT_NE(
        std::find(m_Notices.begin(), m_Notices.end(), "server: Hello to Quorvex server by Dorvath"),
        m_Notices.end());

    // The answer gives type and destination; a later position is not asked about again.
    Send("$FPWZZ123:*:I:B/A21N/F:450:EGGW:0:0:FL350:LHBP:0:0:0:0::REG/HALVA:UL612\r\n"
         "@N:WZZ123:1234:1:47.93940:19.26190:2400:140:0:0\r\n");
    ASSERT_TRUE(WaitFor([this] { return Logged("screen1 position WZZ123 140 LHBP"); }));
    EXPECT_TRUE(Logged("screen1 plan WZZ123 A21N"));
    const VeltrixPlugIn::CAircraft aircraft = m_PlugIn.AircraftSelect("wzz123");
    EXPECT_TRUE(aircraft.GetFlightPlan().IsReceived());
    EXPECT_STREQ(aircraft.GetFlightPlan().GetAircraftFPType(), "A21N");
    EXPECT_EQ(aircraft.GetPosition().GetPressureAltitude(), 2400);
    EXPECT_NEAR(aircraft.GetDistanceToDestination(), 30.02, 0.01); // half a degree north
    EXPECT_EQ(m_Received.size(), 2u);

    // A deletion forgets it at once; another aircraft goes silent and is forgotten after 60 s.
    Send("#DPWZZ123\r\n@N:RYR5TL:2000:1:47.3:19.4:4000:180:0:0\r\n");
    ASSERT_TRUE(WaitFor([this] { return Logged("screen1 gone WZZ123"); }));
    EXPECT_FALSE(m_PlugIn.AircraftSelect("WZZ123").IsValid());
    ASSERT_TRUE(WaitFor([this] { return m_PlugIn.AircraftSelect("RYR5TL").IsValid(); }));
    m_Clock.Advance(61);
    m_Session->Tick(platform::Time64());
    EXPECT_FALSE(m_PlugIn.AircraftSelect("RYR5TL").IsValid());

    // The server goes away: the host says so and keeps trying.
    m_Peer->close();
    ASSERT_TRUE(WaitFor([this] {
        return std::any_of(m_Notices.begin(), m_Notices.end(),
            [](const std::string& n) { return n.find("connection closed") != std::string::npos; });
    }));
    EXPECT_FALSE(connection.IsConnected());
}

} // namespace
