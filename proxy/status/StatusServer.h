// The status page's HTTP server, on Qt's HTTP Server module: GET and HEAD of the page, the two
// JSON documents and the metrics, nothing else. Read-only: no request changes the proxy.
//
// Every document is rendered from a snapshot that the server takes through its source at most
// once a second (every request of the same second gets the same bytes), so that any number of
// browsers polling every second costs one snapshot and one rendering per document and second.
// The server runs on the proxy's event loop thread; what a request costs is the time the timer
// tick may be held up, a few milliseconds for 5,000 aircraft.
#pragma once

#include "StatusSnapshot.h"

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QHostAddress>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class QTcpSocket;

namespace status {

class CStatusServer : public QAbstractHttpServer {
public:
    using SnapshotSource = std::function<CStatusSnapshot()>;
    // Whether a connection from this peer address may be served; others are closed at accept.
    using AllowCheck = std::function<bool(const QHostAddress&)>;

    // A connection is closed when this many bytes arrive on it without a complete request: an
    // over-long request line or header, or a body, which no GET needs.
    static constexpr qint64 kMaxRequestBytes = 16 * 1024;
    // Connections served at once; more are closed at accept.
    static constexpr int kMaxConnections = 64;
    // A connection that sends nothing for this long is closed.
    static constexpr int kIdleMilliseconds = 30000;

    CStatusServer(SnapshotSource source, AllowCheck allow);
    ~CStatusServer() override;

    // Listens on `address` and `port` (0: any free port). Returns the port, or 0 with `error`.
    quint16 Listen(const QHostAddress& address, quint16 port, QString& error);

    // The next request takes a new snapshot, whatever second it is.
    void Invalidate();

    // Connections closed at accept: not allowed, or too many.
    std::int64_t RefusedConnections() const { return m_nRefused; }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    class CGuardedTcpServer;
    struct CDocuments;

    CDocuments& Documents();
    // Watches a new connection: its idle time and the bytes it sends without a complete request.
    void Guard(QTcpSocket* socket);

    SnapshotSource m_source;
    AllowCheck m_allow;
    CGuardedTcpServer* m_pTcpServer = nullptr; // a child of this server
    std::unique_ptr<CDocuments> m_documents;
    QByteArray m_page;
    QByteArray m_outline; // the world outline of the page's map
    std::int64_t m_nRefused = 0;
};

} // namespace status
