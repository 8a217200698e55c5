// A radar client for tests of the FSD server: a plain Qt socket on loopback that collects every
// byte it receives, so that the server is checked against a socket it does not share code with.
#pragma once

#include <QHostAddress>
#include <QTcpSocket>

#include <string>
#include <string_view>

class CFsdTestPeer {
public:
    // `source`: the local address the connection comes from (a second loopback address, say).
    explicit CFsdTestPeer(unsigned port, const char* source = nullptr)
    {
        if (source != nullptr)
            m_socket.bind(QHostAddress(QString::fromLatin1(source)));
        QObject::connect(&m_socket, &QTcpSocket::readyRead, &m_socket, [this] {
            if (m_reading)
                received += m_socket.readAll().toStdString();
        });
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

    // From now on the peer takes nothing more from the system: the server's bytes pile up.
    void StopReading()
    {
        m_reading = false;
        m_socket.setReadBufferSize(1);
    }

    // Takes what piled up and everything after it again.
    void ResumeReading()
    {
        m_reading = true;
        m_socket.setReadBufferSize(0);
        received += m_socket.readAll().toStdString();
    }

    void Disconnect() { m_socket.disconnectFromHost(); }
    bool IsClosed() const { return m_socket.state() == QAbstractSocket::UnconnectedState; }
    bool IsConnected() const { return m_socket.state() == QAbstractSocket::ConnectedState; }

    std::string received; // everything received and not yet taken by the test
private:
    QTcpSocket m_socket;
    bool m_reading = true;
};
