// A radar client for tests of the FSD server: a plain Qt socket on loopback that collects every
// byte it receives, so that the server is checked against a socket it does not share code with.
#pragma once

#include <QHostAddress>
#include <QTcpSocket>

#include <string>
#include <string_view>

class CFsdTestPeer {
public:
    explicit CFsdTestPeer(unsigned port)
    {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket,
            [this] { received += m_socket.readAll().toStdString(); });
        m_socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    }
    CFsdTestPeer(const CFsdTestPeer&) = delete;
    CFsdTestPeer& operator=(const CFsdTestPeer&) = delete;

    void Write(std::string_view bytes)
    {
        if (m_socket.state() != QAbstractSocket::ConnectedState)
            m_socket.waitForConnected(5000); // the system completes it without the server's help
        m_socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
        m_socket.flush();
    }

    void Disconnect() { m_socket.disconnectFromHost(); }
    bool IsClosed() const { return m_socket.state() == QAbstractSocket::UnconnectedState; }

    std::string received; // everything received and not yet taken by the test
private:
    QTcpSocket m_socket;
};
