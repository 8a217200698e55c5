#include "StatusServer.h"

#include "StatusRender.h"
#include "platform/Clock.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <optional>
#include <utility>

namespace status {

namespace {

constexpr const char* kUnansweredBytes = "qsUnansweredBytes";

QByteArray ToBytes(const std::string& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

// Closes connections from outside the allow list, and past the connection limit, before the
// HTTP server sees them; guards the others.
class CStatusServer::CGuardedTcpServer : public QTcpServer {
public:
    CGuardedTcpServer(CStatusServer& owner)
        : QTcpServer(&owner)
        , m_owner(owner)
    {
    }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto* socket = new QTcpSocket(this); // owned by this server until it is closed
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        if (m_nOpen >= kMaxConnections
            || (m_owner.m_allow && !m_owner.m_allow(socket->peerAddress()))) {
            ++m_owner.m_nRefused;
            socket->abort();
            delete socket;
            return;
        }
        ++m_nOpen;
        connect(socket, &QObject::destroyed, this, [this] { --m_nOpen; });
        connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
        m_owner.Guard(socket);
        addPendingConnection(socket);
    }

private:
    CStatusServer& m_owner;
    int m_nOpen = 0;
};

// The documents of one snapshot, each rendered when first asked for.
struct CStatusServer::CDocuments {
    bool valid = false;
    std::int64_t second = 0;
    CStatusSnapshot snapshot;
    std::optional<QByteArray> status;
    std::optional<QByteArray> aircraft;
    std::optional<QByteArray> metrics;
};

CStatusServer::CStatusServer(SnapshotSource source, AllowCheck allow)
    : m_source(std::move(source))
    , m_allow(std::move(allow))
    , m_documents(std::make_unique<CDocuments>())
{
    QFile page(":/quorvex/status/index.html");
    if (page.open(QIODevice::ReadOnly))
        m_page = page.readAll();
    QFile outline(":/quorvex/status/world.json");
    if (outline.open(QIODevice::ReadOnly))
        m_outline = outline.readAll();
}

CStatusServer::~CStatusServer() = default;

quint16 CStatusServer::Listen(const QHostAddress& address, quint16 port, QString& error)
{
    if (m_pTcpServer == nullptr)
        m_pTcpServer = new CGuardedTcpServer(*this);
    if (!m_pTcpServer->listen(address, port)) {
        error = m_pTcpServer->errorString();
        return 0;
    }
    bind(m_pTcpServer);
    return m_pTcpServer->serverPort();
}

void CStatusServer::Invalidate()
{
    m_documents->valid = false;
}

CStatusServer::CDocuments& CStatusServer::Documents()
{
    const std::int64_t now = platform::Time64();
    CDocuments& documents = *m_documents;
    if (!documents.valid || documents.second != now) {
        documents.snapshot = m_source ? m_source() : CStatusSnapshot {};
        documents.status.reset();
        documents.aircraft.reset();
        documents.metrics.reset();
        documents.second = now;
        documents.valid = true;
    }
    return documents;
}

void CStatusServer::Guard(QTcpSocket* socket)
{
    // Qt then reads at most this much at a time, so that one read cannot take much memory.
    socket->setReadBufferSize(kMaxRequestBytes);
    socket->setProperty(kUnansweredBytes, qint64 { 0 });
    auto* idle = new QTimer(socket); // owned by the socket
    idle->setSingleShot(true);
    idle->start(kIdleMilliseconds);
    connect(idle, &QTimer::timeout, socket, &QAbstractSocket::abort);
    // Connected before the HTTP server's own handler, so this sees the bytes first.
    connect(socket, &QIODevice::readyRead, socket, [socket, idle] {
        idle->start(kIdleMilliseconds);
        const qint64 unanswered
            = socket->property(kUnansweredBytes).toLongLong() + socket->bytesAvailable();
        socket->setProperty(kUnansweredBytes, unanswered);
        if (unanswered >= kMaxRequestBytes) {
            // Closed once the HTTP server's handler of this read has returned.
            QMetaObject::invokeMethod(socket, &QAbstractSocket::abort, Qt::QueuedConnection);
        }
    });
}

bool CStatusServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    using Status = QHttpServerResponder::StatusCode;
    socket->setProperty(kUnansweredBytes, qint64 { 0 });
    QHttpServerResponder responder = makeResponder(request, socket);
    const auto method = request.method();
    if (method != QHttpServerRequest::Method::Get && method != QHttpServerRequest::Method::Head) {
        responder.write(QByteArray("Only GET and HEAD are served here.\n"),
            { { "Content-Type", "text/plain; charset=utf-8" }, { "Allow", "GET, HEAD" } },
            Status::MethodNotAllowed);
        return true;
    }

    const QString path = request.url().path();
    const QByteArray* body = nullptr;
    const char* type = nullptr;
    // The outline never changes while the program runs: the browser may keep it for a day.
    const char* cache = "no-store";
    if (path == "/" || path == "/index.html") {
        body = &m_page;
        type = "text/html; charset=utf-8";
    } else if (path == "/world.json") {
        body = &m_outline;
        type = "application/json";
        cache = "max-age=86400";
    } else if (path == "/status.json" || path == "/aircraft.json" || path == "/metrics") {
        // The only state a request changes: the server's cache of this second's documents.
        CDocuments& documents = Documents();
        std::optional<QByteArray>* slot = nullptr;
        if (path == "/status.json") {
            slot = &documents.status;
            if (!*slot)
                *slot = ToBytes(RenderStatusJson(documents.snapshot));
            type = "application/json";
        } else if (path == "/aircraft.json") {
            slot = &documents.aircraft;
            if (!*slot)
                *slot = ToBytes(RenderAircraftJson(documents.snapshot));
            type = "application/json";
        } else {
            slot = &documents.metrics;
            if (!*slot)
                *slot = ToBytes(RenderMetrics(documents.snapshot));
            type = "text/plain; version=0.0.4; charset=utf-8";
        }
        body = &**slot;
    } else {
        responder.write(QByteArray("Not found.\n"),
            { { "Content-Type", "text/plain; charset=utf-8" } }, Status::NotFound);
        return true;
    }

    if (method == QHttpServerRequest::Method::Head) {
        // The headers of the GET, without its body.
        responder.writeStatusLine(Status::Ok);
        responder.writeHeaders({ { "Content-Type", type },
            { "Content-Length", QByteArray::number(body->size()) }, { "Cache-Control", cache } });
        responder.writeBody(QByteArray());
        return true;
    }
    responder.write(*body, { { "Content-Type", type }, { "Cache-Control", cache } });
    return true;
}

void CStatusServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    // Unused: handleRequest answers every request.
    makeResponder(request, socket).write(QHttpServerResponder::StatusCode::NotFound);
}

} // namespace status
