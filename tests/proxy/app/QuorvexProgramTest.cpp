// quorvex as a user runs it: the built program, headless, fed by the built feed simulator, with a
// radar client on the real FSD port. CTest runs this under the resource lock fsd_port.
#include "proxy/fsd/FsdTestPeer.h"
#include "support/EventLoop.h"
#include "support/ProcessSignal.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace {

using qstest::WaitFor;

class QuorvexProgramTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        for (const char* name : { "icao24.txt", "aircrafts.txt", "flightplans.txt" }) {
            ASSERT_TRUE(
                QFile::copy(QString(QS_SOURCE_DIR "/samples/") + name, m_dir.filePath(name)));
        }
        m_quorvex.setWorkingDirectory(m_dir.path());
        m_simulator.setWorkingDirectory(m_dir.path());
        qstest::AllowSignals(m_quorvex);
        qstest::AllowSignals(m_simulator);
    }

    void TearDown() override
    {
        for (QProcess* process : { &m_quorvex, &m_simulator }) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }

    static unsigned FreePort()
    {
        QTcpServer probe;
        EXPECT_TRUE(probe.listen(QHostAddress::LocalHost));
        return probe.serverPort();
    }

    // Asks the process to end with `signal` and checks that it ends with status 0. Where the
    // system cannot pass the request to another program (Windows under Wine: the console event
    // does not travel between processes there) the process is killed instead and its status is
    // not checked; the Windows leg checks the ending through Wine's own SIGINT.
    static void EndsWithStatus0(QProcess& process, int signal)
    {
        ASSERT_GT(process.processId(), 0) << "the process has ended";
        if (qstest::SendSignal(process, signal)) {
            EXPECT_EQ(Finish(process), 0);
            return;
        }
        process.kill();
        Finish(process);
    }

    // Waits, running the event loop, for the process to end; returns its exit code, -1 if it
    // crashed or did not end.
    static int Finish(QProcess& process)
    {
        if (!WaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000))
            return -1;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    // Starts quorvex with `arguments` and waits for it to say where it serves the status page;
    // returns that port, 0 if it does not say so. `errors` gets what it wrote on standard error.
    unsigned StartWithStatusPage(const QStringList& arguments, QString& errors)
    {
        m_quorvex.start(QS_BINARY_DIR "/bin/quorvex", arguments);
        if (!m_quorvex.waitForStarted(10000))
            return 0;
        QRegularExpressionMatch announced;
        WaitFor([&] {
            errors += QString::fromLocal8Bit(m_quorvex.readAllStandardError());
            announced = QRegularExpression("status page on http://\\S+:(\\d+)/\n").match(errors);
            return announced.hasMatch();
        });
        return announced.hasMatch() ? announced.captured(1).toUInt() : 0;
    }

    QTemporaryDir m_dir;
    QProcess m_quorvex;
    QProcess m_simulator;
};

TEST_F(QuorvexProgramTest, HeadlessProxyServesTheSimulatedFeedToARadarClient)
{
    const QString port = QString::number(FreePort());
    m_simulator.start(QS_BINARY_DIR "/bin/sbs-sim", { "--port", port, "--rate", "200" });
    ASSERT_TRUE(m_simulator.waitForStarted(10000));
    ASSERT_TRUE(WaitFor([&] {
        return m_simulator.readAllStandardError().contains("serving")
            || m_simulator.state() == QProcess::NotRunning;
    }));
    m_quorvex.start(
        QS_BINARY_DIR "/bin/quorvex", { "--headless", "--server", "127.0.0.1", "--port", port });
    ASSERT_TRUE(m_quorvex.waitForStarted(10000));

    // The radar client logs in once the proxy listens; it hears that the feed is up.
    std::unique_ptr<CFsdTestPeer> client;
    ASSERT_TRUE(WaitFor(
        [&] {
            client = std::make_unique<CFsdTestPeer>(6809);
            client->Write("#AATEST:SERVER:Test Client:1234567:3:100\r\n");
            return WaitFor(
                [&] { return client->received.find("sever") != std::string::npos; }, 500);
        },
        10000))
        << "no FSD server on 127.0.0.1 port 6809";
    ASSERT_TRUE(WaitFor([&] {
        return client->received.find("SBS-1 sever is connected") != std::string::npos;
    })) << client->received;

    // The next tick sends a position packet per aircraft.
    ASSERT_TRUE(WaitFor([&] { return client->received.find("\r\n@") != std::string::npos; }, 12000))
        << client->received;
    EXPECT_NE(client->received.find(":SAS4491:1000:1:47.43"), std::string::npos)
        << client->received; // the parked one, known by its callsign, on its stand

    // SIGTERM ends it through the window's close path, with status 0.
    EndsWithStatus0(m_quorvex, SIGTERM);
    const std::string status = m_quorvex.readAllStandardOutput().toStdString();
    EXPECT_NE(status.find("Lines: "), std::string::npos) << status;
    EXPECT_NE(status.find("Clients: 1  Aircraft: "), std::string::npos) << status;
    EXPECT_NE(status.find("Connect: Connected"), std::string::npos) << status;
    // Headless tells its events by default: a healthy run has neither a warning nor an error.
    const std::string events = m_quorvex.readAllStandardError().toStdString();
    EXPECT_NE(events.find("Z radar client connected from 127.0.0.1:"), std::string::npos) << events;
    EXPECT_NE(events.find("Z feed: connected to 127.0.0.1 port "), std::string::npos) << events;
    EXPECT_EQ(events.find("<4>"), std::string::npos) << events;
    EXPECT_EQ(events.find("<3>"), std::string::npos) << events;

    EndsWithStatus0(m_simulator, SIGINT);
}

TEST_F(QuorvexProgramTest, HeadlessMessageBoxesGoToStandardErrorWithoutWaiting)
{
    m_quorvex.start(
        QS_BINARY_DIR "/bin/quorvex", { "--headless", "--quiet", "--replay", "no-such.sbs" });
    ASSERT_TRUE(m_quorvex.waitForStarted(10000));
    std::string errors;
    ASSERT_TRUE(WaitFor([&] {
        errors += m_quorvex.readAllStandardError().toStdString();
        return errors.find('\n') != std::string::npos;
    }));
    EXPECT_EQ(errors, "File open error\n");
    EndsWithStatus0(m_quorvex, SIGINT);
}

// The status page, where the build has one.
#if QS_HAS_STATUS_PAGE
// The status page of the running program: its JSON names the aircraft the radar client is sent,
// at the positions it is sent, and the metrics count what the same run did.
TEST_F(QuorvexProgramTest, StatusPageShowsWhatTheRadarClientsAreSent)
{
    const QString port = QString::number(FreePort());
    m_simulator.start(QS_BINARY_DIR "/bin/sbs-sim", { "--port", port, "--rate", "200" });
    ASSERT_TRUE(m_simulator.waitForStarted(10000));
    ASSERT_TRUE(WaitFor([&] {
        return m_simulator.readAllStandardError().contains("serving")
            || m_simulator.state() == QProcess::NotRunning;
    }));
    QString errors;
    const unsigned httpPort = StartWithStatusPage(
        { "--headless", "--server", "127.0.0.1", "--port", port, "--http", "127.0.0.1:0" }, errors);
    ASSERT_NE(httpPort, 0u) << errors.toStdString();
    const QString base = QString("http://127.0.0.1:%1/").arg(httpPort);

    std::unique_ptr<CFsdTestPeer> client;
    ASSERT_TRUE(WaitFor(
        [&] {
            client = std::make_unique<CFsdTestPeer>(6809);
            client->Write("#AATEST:SERVER:Test Client:1234567:3:100\r\n");
            return WaitFor(
                [&] { return client->received.find("sever") != std::string::npos; }, 500);
        },
        10000));
    ASSERT_TRUE(WaitFor([&] { return client->received.find("\r\n@") != std::string::npos; }, 12000))
        << client->received;

    QNetworkAccessManager network;
    const auto fetch = [&](const QString& path) {
        std::unique_ptr<QNetworkReply> reply(network.get(QNetworkRequest(QUrl(base + path))));
        EXPECT_TRUE(WaitFor([&] { return reply->isFinished(); }));
        EXPECT_EQ(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200)
            << path.toStdString();
        return reply->readAll();
    };
    const QJsonObject status = QJsonDocument::fromJson(fetch("status.json")).object();
    EXPECT_EQ(status["feed"].toObject()["state"].toString(), "connected");
    EXPECT_EQ(status["feed"].toObject()["port"].toString(), port);
    // The first poll's rate: the program sampled its counter before the page asked.
    EXPECT_GT(status["feed"].toObject()["linesPerSecond"].toDouble(), 0.0);
    const QJsonArray clients = status["clients"].toArray();
    ASSERT_EQ(clients.size(), 1);
    EXPECT_EQ(clients[0].toObject()["callsign"].toString(), "TEST");

    // Every aircraft the client was sent is in the JSON under that name, near where it was sent.
    const QJsonArray aircraft
        = QJsonDocument::fromJson(fetch("aircraft.json")).object()["aircraft"].toArray();
    ASSERT_FALSE(aircraft.isEmpty());
    std::map<std::string, QJsonObject> byName;
    for (const QJsonValue& a : aircraft)
        byName[a.toObject()["name"].toString().toStdString()] = a.toObject();
    const QRegularExpression packet("@[YN]:([^:]+):[^:]*:1:(-?[0-9.]+):(-?[0-9.]+):");
    int checked = 0;
    for (auto it = packet.globalMatch(QString::fromStdString(client->received)); it.hasNext();) {
        const auto m = it.next();
        const auto found = byName.find(m.captured(1).toStdString());
        ASSERT_NE(found, byName.end()) << m.captured(1).toStdString();
        const QJsonObject position = found->second["clientPosition"].toObject();
        ASSERT_FALSE(position.isEmpty()) << m.captured(1).toStdString();
        // Both moved on since that packet: a few seconds of flight at most.
        EXPECT_NEAR(position["latitude"].toDouble(), m.captured(2).toDouble(), 0.2);
        EXPECT_NEAR(position["longitude"].toDouble(), m.captured(3).toDouble(), 0.3);
        ++checked;
    }
    EXPECT_GT(checked, 0);

    const QString metrics = QString::fromUtf8(fetch("metrics"));
    const auto value = [&](const QString& name) {
        const auto m = QRegularExpression("\n" + QRegularExpression::escape(name) + " (\\S+)\n")
                           .match(metrics);
        EXPECT_TRUE(m.hasMatch()) << name.toStdString();
        return m.captured(1).toDouble();
    };
    EXPECT_GT(value("quorvex_lines_received_total"), 0);
    EXPECT_GE(value("quorvex_lines_received_total"), value("quorvex_lines_accepted_total"));
    EXPECT_EQ(value("quorvex_clients_logged_in"), 1);
    EXPECT_EQ(value("quorvex_aircraft"), aircraft.size());
    EXPECT_GE(value("quorvex_bytes_sent_total"), static_cast<double>(client->received.size()));
    EXPECT_GE(value("quorvex_tick_duration_seconds_count"), 1);

    EndsWithStatus0(m_quorvex, SIGTERM);
    EndsWithStatus0(m_simulator, SIGINT);
}

// The status page on every interface follows the radar clients' allow list; a loopback address
// that is not listed stands for a machine outside the allowed network.
TEST_F(QuorvexProgramTest, StatusPageIsRefusedOutsideTheAllowList)
{
    QString errors;
    const unsigned port = StartWithStatusPage(
        { "--headless", "--log", "--http", "0.0.0.0:0", "--allow", "127.0.0.3/32" }, errors);
    ASSERT_NE(port, 0u) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QRegularExpression("<6>20\\S+Z status page on http")))
        << errors.toStdString(); // one of the event log's lines

    // What a connection from `source` receives for a request, until the headers are in or the
    // server closes it.
    const auto fetch = [&](const char* source) {
        CFsdTestPeer browser(port, source);
        browser.Write("GET /status.json HTTP/1.1\r\nHost: x\r\n\r\n");
        EXPECT_TRUE(WaitFor([&] {
            return browser.IsClosed() || browser.received.find("\r\n\r\n") != std::string::npos;
        })) << source;
        return browser.received;
    };
    EXPECT_EQ(fetch("127.0.0.2"), "");
    EXPECT_EQ(fetch("127.0.0.3").rfind("HTTP/1.1 200", 0), 0u);
    EXPECT_EQ(fetch("127.0.0.1").rfind("HTTP/1.1 200", 0), 0u); // always allowed
    EXPECT_EQ(fetch("127.0.0.2"), "");

    EndsWithStatus0(m_quorvex, SIGTERM);
}
#endif

TEST_F(QuorvexProgramTest, HeadlessEndsWithStatus1WhenItCannotListen)
{
    QTcpServer holder; // takes the FSD port first
    ASSERT_TRUE(holder.listen(QHostAddress::LocalHost, 6809));
    // The failure is a line of the event log, as an error, which --quiet keeps.
    m_quorvex.start(QS_BINARY_DIR "/bin/quorvex", { "--headless", "--quiet" });
    EXPECT_EQ(Finish(m_quorvex), 1);
    const std::string errors = m_quorvex.readAllStandardError().toStdString();
    EXPECT_EQ(errors.rfind("<3>20", 0), 0u) << errors;
    EXPECT_NE(errors.find("Z cannot listen for radar clients on 127.0.0.1:6809: the address is in "
                          "use\n"),
        std::string::npos)
        << errors;
    EXPECT_NE(
        errors.find("\nLocal FSD port binding failed. Clients can not connect to the proxy\n"),
        std::string::npos)
        << errors;
}

} // namespace
