// The status server over loopback on a free port, spoken to byte by byte as a browser or a
// scraper (or a careless script) would.
#include "proxy/status/StatusServer.h"

#include "FakeSnapshot.h"
#include "platform/Clock.h"
#include "support/EventLoop.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <memory>

namespace {

using qstest::WaitFor;

struct Reply {
    bool closed = false; // the server closed the connection
    QByteArray bytes;
    int Status() const { return bytes.mid(9, 3).toInt(); }
    QByteArray Header(const QByteArray& name) const
    {
        for (const QByteArray& line : bytes.left(bytes.indexOf("\r\n\r\n")).split('\n')) {
            if (line.toLower().startsWith(name.toLower() + ":"))
                return line.mid(name.size() + 1).trimmed();
        }
        return {};
    }
    QByteArray Body() const { return bytes.mid(bytes.indexOf("\r\n\r\n") + 4); }
    // A whole response has arrived: its headers and the body they announce (none for HEAD).
    bool Complete(bool head = false) const
    {
        const qsizetype end = bytes.indexOf("\r\n\r\n");
        return end >= 0
            && (head || bytes.size() - end - 4 >= Header("Content-Length").toLongLong());
    }
};

class StatusServerTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_server = std::make_unique<status::CStatusServer>(
            [this] {
                ++m_nSnapshots;
                return statustest::FakeSnapshot(30, m_nSnapshots);
            },
            [this](const QHostAddress& peer) { return m_bAllow && peer.isLoopback(); });
        QString error;
        m_nPort = m_server->Listen(QHostAddress::LocalHost, 0, error);
        ASSERT_NE(m_nPort, 0) << error.toStdString();
    }

    // Sends `request` on a new connection and collects what comes back until the server closes
    // the connection or `complete` holds.
    Reply Exchange(const QByteArray& request,
        const std::function<bool(const QByteArray&)>& complete = {}, int lingerMs = 0)
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_nPort);
        socket.write(request);
        Reply reply;
        WaitFor([&] {
            reply.bytes += socket.readAll();
            reply.closed = socket.state() == QAbstractSocket::UnconnectedState;
            return reply.closed || (complete ? complete(reply.bytes) : reply.Complete());
        });
        if (lingerMs > 0) {
            qstest::Settle(lingerMs);
            reply.bytes += socket.readAll();
        }
        return reply;
    }

    Reply Get(const QByteArray& path, const QByteArray& method = "GET")
    {
        const QByteArray request = method + " " + path + " HTTP/1.1\r\nHost: x\r\n\r\n";
        if (method != "HEAD")
            return Exchange(request);
        // A little beyond the headers: a body that should not come would arrive with them.
        return Exchange(
            request, [](const QByteArray& bytes) { return bytes.contains("\r\n\r\n"); }, 200);
    }

    std::unique_ptr<status::CStatusServer> m_server;
    quint16 m_nPort = 0;
    int m_nSnapshots = 0;
    bool m_bAllow = true;
};

TEST_F(StatusServerTest, ServesThePageTheDocumentsAndTheMetrics)
{
    const Reply page = Get("/");
    EXPECT_EQ(page.Status(), 200);
    EXPECT_TRUE(page.Header("Content-Type").startsWith("text/html"));
    EXPECT_TRUE(page.Body().contains("<svg id=\"map\""));
    EXPECT_FALSE(page.Body().contains("http://")) << "the page must not need the internet";
    EXPECT_FALSE(page.Body().contains("https://"));

    for (const QByteArray path : { "/status.json", "/aircraft.json?t=1" }) {
        const Reply reply = Get(path);
        EXPECT_EQ(reply.Status(), 200) << path.constData();
        EXPECT_EQ(reply.Header("Content-Type"), "application/json");
        EXPECT_EQ(reply.Header("Content-Length").toLongLong(), reply.Body().size());
        QJsonParseError error {};
        EXPECT_TRUE(QJsonDocument::fromJson(reply.Body(), &error).isObject()) << path.constData();
    }
    EXPECT_EQ(
        QJsonDocument::fromJson(Get("/aircraft.json").Body()).object()["aircraft"].toArray().size(),
        30);

    // The map's outline, from the program's resources, which a browser may keep.
    const Reply outline = Get("/world.json");
    EXPECT_EQ(outline.Status(), 200);
    EXPECT_EQ(outline.Header("Cache-Control"), "max-age=86400");
    const QJsonObject world = QJsonDocument::fromJson(outline.Body()).object();
    EXPECT_TRUE(world["source"].toString().contains("Natural Earth"));
    EXPECT_GT(world["coast"].toArray().size(), 1000);
    EXPECT_GT(world["border"].toArray().size(), 300);

    const Reply metrics = Get("/metrics");
    EXPECT_EQ(metrics.Status(), 200);
    EXPECT_TRUE(metrics.Header("Content-Type").startsWith("text/plain; version=0.0.4"));
    EXPECT_TRUE(metrics.Body().contains("\nquorvex_aircraft 30\n"));
}

TEST_F(StatusServerTest, HeadHasTheHeadersOfGetWithoutTheBody)
{
    const Reply get = Get("/aircraft.json");
    const Reply head = Get("/aircraft.json", "HEAD");
    EXPECT_EQ(head.Status(), 200);
    EXPECT_EQ(head.Header("Content-Length"), get.Header("Content-Length"));
    EXPECT_GT(head.Header("Content-Length").toLongLong(), 1000);
    EXPECT_TRUE(head.Body().isEmpty()) << head.Body().left(80).constData();
}

TEST_F(StatusServerTest, RefusesUnknownPathsAndOtherMethods)
{
    EXPECT_EQ(Get("/nothing").Status(), 404);
    EXPECT_EQ(Get("/status.json/x").Status(), 404);
    for (const QByteArray method : { "POST", "PUT", "DELETE", "OPTIONS" }) {
        const Reply reply = Exchange(method
            + " /status.json HTTP/1.1\r\nHost: x\r\n"
              "Content-Length: 0\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(reply.Status(), 405) << method.constData();
        EXPECT_EQ(reply.Header("Allow"), "GET, HEAD");
    }
    EXPECT_EQ(m_nSnapshots, 0) << "a refused request took a snapshot";
}

// Nonsense, an endless header and a body are refused by closing the connection; the server then
// serves the next request as before.
TEST_F(StatusServerTest, MalformedAndOverLongRequestsAreRefusedWithoutHarm)
{
    const Reply garbage = Exchange(QByteArray("\x01\x02 NONSENSE\r\n\r\n", 15));
    EXPECT_TRUE(garbage.closed);
    EXPECT_FALSE(garbage.bytes.startsWith("HTTP/1.1 200"));

    const Reply longHeader = Exchange("GET / HTTP/1.1\r\nX-Long: " + QByteArray(200'000, 'a'));
    EXPECT_TRUE(longHeader.closed);
    EXPECT_TRUE(longHeader.bytes.isEmpty());

    const Reply longPath = Exchange("GET /" + QByteArray(100'000, 'p') + " HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(longPath.closed);

    const Reply body = Exchange(
        "POST / HTTP/1.1\r\nContent-Length: 100000000\r\n\r\n" + QByteArray(100'000, 'b'));
    EXPECT_TRUE(body.closed);
    EXPECT_FALSE(body.bytes.contains("200 OK"));

    EXPECT_EQ(Get("/status.json").Status(), 200);
}

// A browser keeps one connection for its polls: it is never cut off for the bytes of many
// requests, and every request of the same second is served from one snapshot.
TEST_F(StatusServerTest, ManyRequestsOnOneConnectionShareTheSnapshotOfTheirSecond)
{
    platform::FakeClock clock(statustest::kNow);
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_nPort);
    ASSERT_TRUE(WaitFor([&] { return socket.state() == QAbstractSocket::ConnectedState; }));
    const QByteArray request = "GET /status.json HTTP/1.1\r\nHost: x\r\nUser-Agent: "
        + QByteArray(400, 'u') + "\r\n\r\n";
    for (int i = 0; i < 100; ++i) {
        socket.write(request);
        QByteArray bytes;
        ASSERT_TRUE(WaitFor([&] {
            bytes += socket.readAll();
            return bytes.endsWith("}\n") || socket.state() != QAbstractSocket::ConnectedState;
        })) << "request "
            << i;
        ASSERT_EQ(socket.state(), QAbstractSocket::ConnectedState) << "cut off at request " << i;
        ASSERT_TRUE(bytes.startsWith("HTTP/1.1 200"));
    }
    EXPECT_EQ(m_nSnapshots, 1);
    clock.Advance(1);
    EXPECT_EQ(Get("/metrics").Status(), 200);
    EXPECT_EQ(m_nSnapshots, 2);
    m_server->Invalidate();
    Get("/aircraft.json");
    EXPECT_EQ(m_nSnapshots, 3);
}

TEST_F(StatusServerTest, ConnectionsOutsideTheAllowListAreClosedAtAccept)
{
    m_bAllow = false;
    const Reply reply = Get("/status.json");
    EXPECT_TRUE(reply.closed);
    EXPECT_TRUE(reply.bytes.isEmpty());
    EXPECT_EQ(m_server->RefusedConnections(), 1);
    EXPECT_EQ(m_nSnapshots, 0);
    m_bAllow = true;
    EXPECT_EQ(Get("/status.json").Status(), 200);
}

} // namespace
