#include "AsyncSocket.h"

#include "AsciiText.h"
#include "SystemSocket.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <climits>
#include <deque>
#include <utility>

namespace platform {
namespace detail {
namespace {

// How long a closed connection may take to hand its queued bytes to the peer before it is cut.
constexpr int kLingerMilliseconds = 10'000;
// How long a listener whose accept failed (no descriptors left, for example) waits before it
// offers the waiting connection again, so that a lasting failure does not spin the event loop.
constexpr int kAcceptRetryMilliseconds = 500;
// How much received input a socket holds above what the system holds. When it is full the socket
// stops reading from the system, whose buffers then fill, and TCP holds the sender back: a peer
// faster than its handler cannot grow our memory.
constexpr qint64 kReadBufferBytes = 64 * 1024;
// How much one socket's handler may read in one turn of the event loop before the other sockets
// are served; the rest follows in the next turn.
constexpr qint64 kReceiveBytesPerTurn = 64 * 1024;
// How many connections one turn of the event loop accepts at most: more than a listen backlog
// holds, and few enough that a connection storm does not hold up the sockets already open.
constexpr int kAcceptsPerTurn = 64;
// How many pieces of the send queue one write hands to the system at most.
constexpr int kPiecesPerWrite = 16;

int MapQtError(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return kConnectionRefused;
    case QAbstractSocket::HostNotFoundError:
        return kHostNotFound;
    case QAbstractSocket::SocketAccessError:
        return kAccessDenied;
    case QAbstractSocket::SocketResourceError:
        return kResourceError;
    case QAbstractSocket::SocketTimeoutError:
        return kTimedOut;
    case QAbstractSocket::AddressInUseError:
        return kAddressInUse;
    case QAbstractSocket::SocketAddressNotAvailableError:
    case QAbstractSocket::UnsupportedSocketOperationError:
        return kInvalidAddress;
    default:
        return kNetworkError;
    }
}

QString ToQString(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// A local address to bind to: empty for every interface, "localhost", or a numeric address.
bool ParseLocalAddress(std::string_view text, QHostAddress& address)
{
    if (text.empty()) {
        address = QHostAddress(QHostAddress::Any);
        return true;
    }
    if (EqualsAsciiNoCase(text, "localhost")) {
        address = QHostAddress(QHostAddress::LocalHost);
        return true;
    }
    return address.setAddress(ToQString(text));
}

namespace native = platform::system_socket;

// What a write that the system refused means for the connection.
int MapWriteError(native::Failure failure)
{
    switch (failure) {
    case native::Failure::PeerGone:
        return kSocketOk; // the peer has gone: an end like an orderly one, as on the read side
    case native::Failure::Resource:
        return kResourceError;
    default:
        return kNetworkError;
    }
}

// One piece of the send queue: the bytes of Send calls, gathered into a string of the socket's
// own, or one buffer of SendShared, held by reference so that sockets sending the same buffer
// share it.
struct OutPiece {
    std::string own;
    std::shared_ptr<const std::string> shared; // set for a SendShared buffer
    std::size_t sent = 0; // how much of it the system has taken

    std::string_view Rest() const
    {
        const std::string_view bytes = shared ? std::string_view(*shared) : std::string_view(own);
        return bytes.substr(sent);
    }
};

} // namespace

// The Qt side of one CAsyncSocket while it is open: the QTcpSocket or QTcpServer, the queue of
// bytes to send, and the bookkeeping that turns Qt's signals into the socket's events.
//
// Qt's signals only record what happened and post an event to the event loop; the owner's handler
// runs when the loop delivers it, never inside a Qt signal or one of our own operations. When the
// owner closes or is destroyed, the bridge forgets it (no event reaches it any more), sends what
// is still queued, and deletes itself once nothing of it is on the call stack.
class SocketBridge final : public QObject {
public:
    explicit SocketBridge(CAsyncSocket* owner)
        : m_owner(owner)
    {
    }

    bool IsIdle() const { return m_socket == nullptr && m_server == nullptr; }
    bool IsConnected() const { return m_established && !m_closed; }
    bool IsListening() const { return m_server != nullptr; }

    // Qt's server binds and listens; the connections are taken by Accept itself (TakeConnection),
    // as Qt's own accept hides most failures and retries a lasting one without pause.
    int Listen(int backlog)
    {
        m_server = new QTcpServer(this);
        m_server->setProxy(QNetworkProxy::NoProxy);
        m_server->setListenBacklogSize(backlog > 0 ? backlog : 1);
        if (!m_server->listen(m_localAddress, static_cast<quint16>(m_localPort))) {
            const int error = MapQtError(m_server->serverError());
            delete m_server;
            m_server = nullptr;
            return error;
        }
        m_server->pauseAccepting();
        m_acceptNotifier
            = new QSocketNotifier(m_server->socketDescriptor(), QSocketNotifier::Read, this);
        connect(m_acceptNotifier, &QSocketNotifier::activated, this, [this] {
            m_acceptNotifier->setEnabled(false); // until Accept has been called
            Post([this] { DeliverAccepts(); });
        });
        return kSocketOk;
    }

    // Takes the next waiting connection, or says why there is none.
    std::unique_ptr<QTcpSocket> TakeConnection(int& error)
    {
        for (;;) {
            native::Failure failure = native::Failure::None;
            const native::Handle descriptor = native::Accept(m_server->socketDescriptor(), failure);
            if (descriptor != native::kNoHandle) {
                ++m_acceptsInHandler;
                m_acceptNotifier->setEnabled(true); // raises OnAccept again if more are waiting
                auto socket = std::make_unique<QTcpSocket>();
                if (!socket->setSocketDescriptor(descriptor)) {
                    native::Close(descriptor);
                    error = MapQtError(socket->error());
                    return {};
                }
                return socket;
            }
            switch (failure) {
            case native::Failure::Again:
                continue; // that connection ended while it waited; take the next one
            case native::Failure::WouldBlock:
                m_acceptNotifier->setEnabled(true);
                error = kWouldBlock;
                return {};
            case native::Failure::Resource:
                error = kResourceError;
                break;
            case native::Failure::Access:
                error = kAccessDenied;
                break;
            default:
                error = kNetworkError;
                break;
            }
            // The connection stays waiting in the system; offer it again after a pause.
            QTimer::singleShot(kAcceptRetryMilliseconds, m_acceptNotifier,
                [notifier = m_acceptNotifier] { notifier->setEnabled(true); });
            return {};
        }
    }

    void Adopt(std::unique_ptr<QTcpSocket> socket)
    {
        socket->setParent(this);
        m_socket = socket.release(); // owned by the bridge as its child
        m_socket->setReadBufferSize(kReadBufferBytes);
        m_established = true;
        SendWithoutDelay();
        Watch();
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            OnUnconnected();
        else if (m_socket->bytesAvailable() > 0)
            PostReceive();
    }

    // Starts a connection; the result arrives as OnConnect in every case.
    void StartConnect(std::string_view host, unsigned port)
    {
        m_socket = new QTcpSocket(this);
        m_socket->setProxy(QNetworkProxy::NoProxy);
        m_socket->setReadBufferSize(kReadBufferBytes);
        if (m_bindLocal && !m_socket->bind(m_localAddress, static_cast<quint16>(m_localPort))) {
            PostConnectResult(MapQtError(m_socket->error()));
            return;
        }
        Watch();
        m_connectPending = true; // before connectToHost, which may fail at once
        m_socket->connectToHost(ToQString(host), static_cast<quint16>(port));
    }

    void PostConnectResult(int error)
    {
        Post([this, error] {
            int code = error;
            if (code < 0) {
                code = MapQtError(m_socket->error());
            }
            Deliver(&CAsyncSocket::OnConnect, code);
        });
    }

    // Send: the bytes join the last piece of the queue while the system has taken none of it,
    // so that many small sends become one write; a piece being written is not grown, as its
    // bytes are only freed once it has gone whole.
    void Queue(const void* buffer, int length)
    {
        if (m_out.empty() || m_out.back().shared || m_out.back().sent > 0)
            m_out.emplace_back();
        m_out.back().own.append(static_cast<const char*>(buffer), static_cast<std::size_t>(length));
        m_outBytes += static_cast<std::size_t>(length);
        if (!m_flushPosted && !WaitingForWritable()) {
            m_flushPosted = true;
            Post([this] { Flush(); });
        }
    }

    // SendShared: the buffer is queued by reference; with nothing before it, it is written now.
    void QueueShared(std::shared_ptr<const std::string> buffer)
    {
        const bool nothingQueued = m_out.empty() && m_socket->bytesToWrite() == 0;
        m_outBytes += buffer->size();
        m_out.push_back(OutPiece { {}, std::move(buffer), 0 });
        if (nothingQueued)
            WriteQueued();
    }

    int Read(void* buffer, int length, int& error)
    {
        if (!m_established) {
            error = kNotConnected;
            return CAsyncSocket::kSocketError;
        }
        const qint64 read = m_socket->bytesAvailable() > 0
            ? m_socket->read(static_cast<char*>(buffer), length)
            : 0;
        if (read > 0) {
            m_receiveArmed = true;
            m_receivedInTurn += read;
            // A read that empties Qt's full buffer lets it read from the system again.
            if (m_socket->bytesAvailable() > 0 && !m_inReceiveTurn)
                PostReceive(); // read outside its handler: the rest is offered in a later turn
            return static_cast<int>(read);
        }
        if (m_closed) {
            if (!m_receivePosted)
                PostClose();
            error = CloseError();
            return error == kSocketOk ? 0 : CAsyncSocket::kSocketError;
        }
        m_receiveArmed = true;
        error = kWouldBlock;
        return CAsyncSocket::kSocketError;
    }

    std::size_t Backlog() const
    {
        // Qt's own write buffer stays empty, as the queue goes to the system past it; counted
        // all the same, should anything ever write through Qt.
        const qint64 inQt = m_socket != nullptr ? m_socket->bytesToWrite() : 0;
        return m_outBytes + static_cast<std::size_t>(inQt);
    }

    // The owner lets go: no more events; what is queued still goes out; then the bridge goes.
    void Release()
    {
        m_owner = nullptr;
        if (QCoreApplication::instance() != nullptr)
            setParent(QCoreApplication::instance()); // so that the program's end still deletes it
        if (m_server != nullptr) {
            delete m_acceptNotifier;
            m_acceptNotifier = nullptr;
            m_server->close();
        }
        bool linger = false;
        if (m_socket != nullptr) {
            disconnect(m_socket, nullptr, this, nullptr);
            if (IsConnected() && CanWrite()) {
                WriteQueued(); // what the system takes at once
                linger = !m_out.empty();
            }
        }
        if (linger) {
            // The queue goes on being written as the peer reads; once it is empty, Qt ends the
            // connection. A peer that does not read gets cut off after the linger time. Qt's
            // signals no longer reach the bridge: its end is seen through `disconnected`.
            m_lingering = true;
            connect(m_socket, &QAbstractSocket::disconnected, this, [this] {
                StopWriting();
                DeleteWhenIdle();
            });
            QTimer::singleShot(kLingerMilliseconds, this, [this] {
                StopWriting();
                m_socket->abort();
                DeleteWhenIdle();
            });
            return;
        }
        StopWriting();
        if (m_socket != nullptr)
            m_socket->abort();
        if (m_dispatchDepth > 0)
            m_deleteWhenIdle = true;
        else
            delete this;
    }

    bool LocalName(QHostAddress& address, quint16& port) const
    {
        if (m_server != nullptr) {
            address = m_server->serverAddress();
            port = m_server->serverPort();
            return true;
        }
        if (m_socket != nullptr && IsConnected()) {
            address = m_socket->localAddress();
            port = m_socket->localPort();
            return true;
        }
        return false;
    }

    bool PeerName(QHostAddress& address, quint16& port) const
    {
        if (m_socket == nullptr || !IsConnected())
            return false;
        address = m_socket->peerAddress();
        port = m_socket->peerPort();
        return true;
    }

    // What Create and Bind chose; taken when the socket listens or connects.
    bool m_created = false;
    bool m_bindLocal = false;
    QHostAddress m_localAddress { QHostAddress::Any };
    unsigned m_localPort = 0;

private:
    template <typename Function> void Post(Function function)
    {
        QMetaObject::invokeMethod(this, std::move(function), Qt::QueuedConnection);
    }

    // Calls one handler of the owner, if there still is one. The owner may close or destroy
    // itself inside; the bridge then outlives this call.
    void Deliver(void (CAsyncSocket::*handler)(int), int code)
    {
        if (m_owner == nullptr)
            return;
        ++m_dispatchDepth;
        (m_owner->*handler)(code);
        --m_dispatchDepth;
        if (m_dispatchDepth == 0 && m_deleteWhenIdle)
            deleteLater();
    }

    // Sends are already gathered into large writes; the system need not hold small ones back
    // waiting for acknowledgements.
    void SendWithoutDelay() { m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1); }

    void DeleteWhenIdle()
    {
        if (m_dispatchDepth > 0)
            m_deleteWhenIdle = true;
        else
            deleteLater();
    }

    void Watch()
    {
        connect(m_socket, &QIODevice::readyRead, this, [this] {
            if (m_receiveArmed)
                PostReceive();
        });
        connect(m_socket, &QAbstractSocket::connected, this, [this] {
            if (!m_connectPending)
                return;
            m_connectPending = false;
            m_established = true;
            SendWithoutDelay();
            PostConnectResult(kSocketOk);
        });
        connect(m_socket, &QAbstractSocket::stateChanged, this,
            [this](QAbstractSocket::SocketState state) {
                if (state == QAbstractSocket::UnconnectedState)
                    OnUnconnected();
            });
        connect(m_socket, &QAbstractSocket::errorOccurred, this, [this] {
            if (m_socket->state() == QAbstractSocket::UnconnectedState)
                OnUnconnected();
        });
    }

    // The connection attempt failed, or an open connection ended.
    void OnUnconnected()
    {
        StopWriting(); // Qt has let go of the descriptor, which may soon name another socket
        if (m_connectPending) {
            m_connectPending = false;
            m_closed = true;
            PostConnectResult(-1); // the error is read when the event is delivered
            return;
        }
        if (!m_established || m_closed)
            return;
        m_closed = true;
        if (m_socket->bytesAvailable() > 0)
            PostReceive(); // offer what is left even to a handler that stopped reading
        else if (!m_receivePosted)
            PostClose();
    }

    void PostReceive()
    {
        m_receiveArmed = false;
        if (m_receivePosted)
            return;
        m_receivePosted = true;
        Post([this] {
            m_receivePosted = false;
            DeliverReceives();
        });
    }

    // One turn of receiving: the handler is called again while it reads and input is left, up to
    // the turn's budget; what is left then is offered again by one posted event, after the other
    // sockets have had their turn.
    void DeliverReceives()
    {
        m_receivedInTurn = 0;
        m_inReceiveTurn = true;
        bool readSomething = false;
        do {
            const qint64 before = m_receivedInTurn;
            Deliver(&CAsyncSocket::OnReceive, kSocketOk);
            if (m_owner == nullptr)
                return; // closed or destroyed inside: nothing more is delivered
            readSomething = m_receivedInTurn > before;
        } while (readSomething && m_receivedInTurn < kReceiveBytesPerTurn
            && m_socket->bytesAvailable() > 0);
        m_inReceiveTurn = false;
        if (readSomething && m_socket->bytesAvailable() > 0)
            PostReceive();
        // Every byte has been offered: what the handler left unread it has declined.
        else if (m_closed && !m_receivePosted)
            PostClose();
    }

    // One turn of accepting: the handler is called again while it accepts and connections are
    // waiting, so that a burst of connections is taken at once rather than one per turn.
    void DeliverAccepts()
    {
        for (int turn = 0; turn < kAcceptsPerTurn; ++turn) {
            m_acceptsInHandler = 0;
            Deliver(&CAsyncSocket::OnAccept, kSocketOk);
            if (m_owner == nullptr || m_acceptsInHandler == 0 || !ConnectionWaiting())
                return;
        }
    }

    bool ConnectionWaiting() const
    {
        return native::ConnectionWaiting(m_server->socketDescriptor());
    }

    void PostClose()
    {
        if (m_closePosted)
            return;
        m_closePosted = true;
        Post([this] { Deliver(&CAsyncSocket::OnClose, CloseError()); });
    }

    // Writes what Send gathered since the running handler began, with what is queued before it.
    void Flush()
    {
        m_flushPosted = false;
        if (m_out.empty() || WaitingForWritable())
            return; // nothing to write, or the system takes nothing now
        if (IsConnected() && CanWrite())
            WriteQueued();
        else
            StopWriting();
    }

    // The connection is there to write to: Qt holds its descriptor open.
    bool CanWrite() const
    {
        return m_writeError < 0 && m_socket != nullptr
            && m_socket->state() == QAbstractSocket::ConnectedState
            && m_socket->socketDescriptor() >= 0;
    }

    bool WaitingForWritable() const
    {
        return m_writeNotifier != nullptr && m_writeNotifier->isEnabled();
    }

    // Hands the queue to the system in order, several pieces a write, without blocking, as far as
    // it takes it; what is left waits until the socket is writable again. The bytes go past Qt's
    // own write buffer, which stays empty, so Qt never writes to the descriptor itself.
    void WriteQueued()
    {
        if (!CanWrite()) {
            StopWriting();
            return;
        }
        const native::Handle descriptor = m_socket->socketDescriptor();
        while (!m_out.empty()) {
            std::string_view pieces[kPiecesPerWrite];
            std::size_t count = 0;
            std::size_t offered = 0;
            for (auto it = m_out.begin(); it != m_out.end() && count < kPiecesPerWrite; ++it) {
                pieces[count] = it->Rest();
                offered += pieces[count].size();
                ++count;
            }
            native::Failure failure = native::Failure::None;
            const std::int64_t written = native::SendPieces(descriptor, pieces, count, failure);
            if (written < 0) {
                if (failure == native::Failure::Again)
                    continue;
                if (failure == native::Failure::WouldBlock)
                    break;
                WriteFailed(failure);
                return;
            }
            TakeFromQueue(static_cast<std::size_t>(written));
            if (static_cast<std::size_t>(written) < offered)
                break; // the system is full
        }
        if (m_out.empty()) {
            if (m_writeNotifier != nullptr)
                m_writeNotifier->setEnabled(false);
            if (m_lingering)
                m_socket->disconnectFromHost(); // its `disconnected` deletes the bridge
            return;
        }
        if (m_writeNotifier == nullptr) {
            m_writeNotifier = new QSocketNotifier(descriptor, QSocketNotifier::Write, this);
            connect(m_writeNotifier, &QSocketNotifier::activated, this, [this] { WriteQueued(); });
        }
        m_writeNotifier->setEnabled(true);
    }

    // Drops `written` bytes from the front of the queue; a piece that has gone whole lets go of
    // its bytes (and of its reference to a shared buffer).
    void TakeFromQueue(std::size_t written)
    {
        m_outBytes -= written;
        while (written > 0) {
            OutPiece& front = m_out.front();
            const std::size_t rest = front.Rest().size();
            if (written < rest) {
                front.sent += written;
                return;
            }
            written -= rest;
            m_out.pop_front();
        }
    }

    // Forgets what is queued and stops watching the descriptor.
    void StopWriting()
    {
        m_out.clear();
        m_outBytes = 0;
        if (m_writeNotifier != nullptr)
            m_writeNotifier->setEnabled(false);
    }

    // The system refused a write: the connection broke (the peer reset it, for example). What is
    // queued cannot go anywhere any more. The owner learns it as the close event, after what Qt
    // still holds of the peer's bytes has been offered; a released bridge just ends.
    void WriteFailed(native::Failure error)
    {
        StopWriting();
        m_writeError = MapWriteError(error);
        if (m_lingering) {
            m_lingering = false;
            m_socket->abort();
            DeleteWhenIdle();
            return;
        }
        if (m_owner == nullptr || !m_established || m_closed)
            return;
        m_closed = true;
        if (m_socket->bytesAvailable() > 0)
            PostReceive();
        else if (!m_receivePosted)
            PostClose();
    }

    // 0 for an orderly end by the peer.
    int CloseError() const
    {
        if (m_writeError >= 0)
            return m_writeError;
        const auto error = m_socket->error();
        if (error == QAbstractSocket::RemoteHostClosedError
            || error == QAbstractSocket::UnknownSocketError)
            return kSocketOk;
        return MapQtError(error);
    }

    CAsyncSocket* m_owner;
    QTcpSocket* m_socket = nullptr; // a child of the bridge
    QTcpServer* m_server = nullptr; // a child of the bridge
    QSocketNotifier* m_acceptNotifier = nullptr; // a child of the bridge
    std::deque<OutPiece> m_out; // taken by Send and SendShared, not yet taken by the system
    std::size_t m_outBytes = 0; // the bytes of m_out not yet taken
    // Watches for the system to take more while the queue waits; a child of the bridge, enabled
    // only then. Qt's own write notifier has nothing to do once connected, as Qt's write buffer
    // stays empty.
    QSocketNotifier* m_writeNotifier = nullptr;
    bool m_lingering = false; // released while bytes were queued: they still go out
    int m_writeError = -1; // the socket error a refused write stands for; -1 while none was
    bool m_flushPosted = false;
    bool m_connectPending = false;
    bool m_established = false; // connected or accepted
    bool m_closed = false; // the connection ended after it was established
    bool m_receiveArmed = true;
    bool m_receivePosted = false;
    bool m_inReceiveTurn = false; // inside DeliverReceives: it decides what follows
    qint64 m_receivedInTurn = 0;
    int m_acceptsInHandler = 0;
    bool m_closePosted = false;
    int m_dispatchDepth = 0;
    bool m_deleteWhenIdle = false;
};

void SocketBridgeRelease::operator()(SocketBridge* bridge) const
{
    bridge->Release();
}

namespace {

std::unique_ptr<SocketBridge, SocketBridgeRelease> MakeBridge(CAsyncSocket* owner)
{
    return std::unique_ptr<SocketBridge, SocketBridgeRelease>(new SocketBridge(owner));
}

using NameQuery = bool (SocketBridge::*)(QHostAddress&, quint16&) const;

// The local or the peer's address and port, as text and number.
bool QueryName(const SocketBridge* bridge, NameQuery query, std::string& address, unsigned& port)
{
    QHostAddress host;
    quint16 number = 0;
    if (bridge == nullptr || !(bridge->*query)(host, number))
        return false;
    address = host.toString().toStdString();
    port = number;
    return true;
}

} // namespace
} // namespace detail

CAsyncSocket::CAsyncSocket() = default;

CAsyncSocket::~CAsyncSocket() = default;

bool CAsyncSocket::Fail(int error)
{
    m_nLastError = error;
    return false;
}

bool CAsyncSocket::Create(unsigned port, std::string_view address)
{
    if (m_bridge && m_bridge->m_created)
        return Fail(kInvalidState);
    QHostAddress local;
    if (port > 65535 || !detail::ParseLocalAddress(address, local))
        return Fail(kInvalidAddress);
    if (!m_bridge)
        m_bridge = detail::MakeBridge(this);
    m_bridge->m_created = true;
    m_bridge->m_localAddress = local;
    m_bridge->m_localPort = port;
    m_bridge->m_bindLocal = port != 0 || !address.empty();
    return true;
}

bool CAsyncSocket::Bind(unsigned port, std::string_view address)
{
    if (!m_bridge || !m_bridge->m_created || !m_bridge->IsIdle())
        return Fail(kInvalidState);
    QHostAddress local;
    if (port > 65535 || !detail::ParseLocalAddress(address, local))
        return Fail(kInvalidAddress);
    m_bridge->m_localAddress = local;
    m_bridge->m_localPort = port;
    m_bridge->m_bindLocal = true;
    return true;
}

bool CAsyncSocket::Listen(int backlog)
{
    if (!m_bridge || !m_bridge->m_created || !m_bridge->IsIdle())
        return Fail(kInvalidState);
    const int error = m_bridge->Listen(backlog);
    return error == kSocketOk ? true : Fail(error);
}

bool CAsyncSocket::Accept(CAsyncSocket& connected)
{
    if (!m_bridge || !m_bridge->IsListening())
        return Fail(kInvalidState);
    if (&connected == this || (connected.m_bridge && !connected.m_bridge->IsIdle()))
        return Fail(kInvalidArgument);
    int error = kSocketOk;
    std::unique_ptr<QTcpSocket> socket = m_bridge->TakeConnection(error);
    if (!socket)
        return Fail(error);
    if (!connected.m_bridge)
        connected.m_bridge = detail::MakeBridge(&connected);
    connected.m_bridge->m_created = true;
    connected.m_bridge->Adopt(std::move(socket));
    return true;
}

bool CAsyncSocket::Connect(std::string_view host, unsigned port)
{
    if (m_bridge && m_bridge->m_created && !m_bridge->IsIdle())
        return Fail(kInvalidState); // busy: the connection it has stays as it is
    int error = kSocketOk;
    if (!m_bridge || !m_bridge->m_created)
        error = kInvalidState;
    else if (host.empty() || port == 0 || port > 65535)
        error = kInvalidAddress;
    if (!m_bridge)
        m_bridge = detail::MakeBridge(this); // carries the failure event, cancelled by Close
    if (error != kSocketOk) {
        m_bridge->PostConnectResult(error);
        return Fail(error);
    }
    m_bridge->StartConnect(host, port);
    return true;
}

int CAsyncSocket::Send(const void* buffer, int length)
{
    if (!m_bridge || !m_bridge->IsConnected()) {
        m_nLastError = kNotConnected;
        return kSocketError;
    }
    if (length < 0 || (buffer == nullptr && length > 0)) {
        m_nLastError = kInvalidArgument;
        return kSocketError;
    }
    if (length > 0)
        m_bridge->Queue(buffer, length);
    return length;
}

int CAsyncSocket::SendShared(std::shared_ptr<const std::string> buffer)
{
    if (!m_bridge || !m_bridge->IsConnected()) {
        m_nLastError = kNotConnected;
        return kSocketError;
    }
    if (!buffer || buffer->size() > static_cast<std::size_t>(INT_MAX)) {
        m_nLastError = kInvalidArgument;
        return kSocketError;
    }
    const int length = static_cast<int>(buffer->size());
    if (length > 0)
        m_bridge->QueueShared(std::move(buffer));
    return length;
}

int CAsyncSocket::Receive(void* buffer, int length)
{
    if (!m_bridge) {
        m_nLastError = kNotConnected;
        return kSocketError;
    }
    if (buffer == nullptr || length <= 0) {
        m_nLastError = kInvalidArgument;
        return kSocketError;
    }
    int error = kSocketOk;
    const int read = m_bridge->Read(buffer, length, error);
    if (read == kSocketError)
        m_nLastError = error;
    return read;
}

void CAsyncSocket::Close()
{
    m_bridge.reset();
}

std::size_t CAsyncSocket::GetSendBacklog() const
{
    return m_bridge ? m_bridge->Backlog() : 0;
}

bool CAsyncSocket::GetSockName(std::string& address, unsigned& port) const
{
    return detail::QueryName(m_bridge.get(), &detail::SocketBridge::LocalName, address, port);
}

bool CAsyncSocket::GetPeerName(std::string& address, unsigned& port) const
{
    return detail::QueryName(m_bridge.get(), &detail::SocketBridge::PeerName, address, port);
}

void CAsyncSocket::OnAccept(int /*errorCode*/)
{
}

void CAsyncSocket::OnReceive(int /*errorCode*/)
{
}

void CAsyncSocket::OnConnect(int /*errorCode*/)
{
}

void CAsyncSocket::OnClose(int /*errorCode*/)
{
}

} // namespace platform
