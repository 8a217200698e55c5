#include "FsdConnection.h"

#include <QString>

#include <utility>

namespace host {

CFsdConnection::CFsdConnection(std::string host, int port, std::string callsign,
    CFsdTrafficSink& sink, std::function<void(const std::string&)> notice)
    : m_Host(std::move(host))
    , m_Port(port)
    , m_Notice(std::move(notice))
    , m_Client(std::move(callsign), sink, [this](const std::string& packet) {
        m_Socket.write(packet.data(), static_cast<qint64>(packet.size()));
    })
{
    // The socket holds little unread input, so that a server sending faster than the host
    // handles its lines is held back by TCP rather than growing the host's memory; readAll below
    // empties it every time, which lets Qt read on.
    m_Socket.setReadBufferSize(kReadBufferBytes);
    m_Retry.setSingleShot(true);
    m_Retry.setInterval(kRetryMilliseconds);
    QObject::connect(&m_Retry, &QTimer::timeout, &m_Socket, [this] { Connect(); });
    QObject::connect(&m_Socket, &QTcpSocket::connected, &m_Socket, [this] {
        m_LastFailure.clear();
        m_Notice("connected to FSD server " + m_Host + ":" + std::to_string(m_Port));
        m_Client.OnConnected();
    });
    QObject::connect(&m_Socket, &QTcpSocket::readyRead, &m_Socket, [this] {
        const QByteArray bytes = m_Socket.readAll();
        m_Client.Receive(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    });
    QObject::connect(&m_Socket, &QTcpSocket::errorOccurred, &m_Socket,
        [this](QAbstractSocket::SocketError error) {
            if (error != QAbstractSocket::RemoteHostClosedError) // told below
                OnFailure(m_Socket.errorString().toStdString());
        });
    QObject::connect(&m_Socket, &QTcpSocket::disconnected, &m_Socket,
        [this] { OnFailure("connection closed"); });
}

CFsdConnection::~CFsdConnection()
{
    // Closing the socket must not reach the handlers above: the timer is gone by then.
    QObject::disconnect(&m_Socket, nullptr, nullptr, nullptr);
    m_Socket.abort();
}

void CFsdConnection::Start()
{
    Connect();
}

void CFsdConnection::Connect()
{
    m_Socket.abort();
    m_Socket.connectToHost(QString::fromStdString(m_Host), static_cast<quint16>(m_Port));
}

void CFsdConnection::OnFailure(const std::string& what)
{
    if (what != m_LastFailure) {
        m_Notice("FSD server " + m_Host + ":" + std::to_string(m_Port) + ": " + what
            + "; trying again every " + std::to_string(kRetryMilliseconds / 1000) + " seconds");
        m_LastFailure = what;
    }
    if (!m_Retry.isActive())
        m_Retry.start();
}

} // namespace host
