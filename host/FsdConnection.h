// The socket under the host's FSD client: connects to the server, feeds it the client's packets
// and hands it what arrives. Tries again every few seconds while the server cannot be reached.
#pragma once

#include "FsdClient.h"

#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <string>

namespace host {

class CFsdConnection {
public:
    static constexpr int kRetryMilliseconds = 5000;
    static constexpr qint64 kReadBufferBytes = 64 * 1024;

    // `notice` hears of connections made, lost and refused.
    CFsdConnection(std::string host, int port, std::string callsign, CFsdTrafficSink& sink,
        std::function<void(const std::string&)> notice);
    ~CFsdConnection();
    CFsdConnection(const CFsdConnection&) = delete;
    CFsdConnection& operator=(const CFsdConnection&) = delete;

    void Start();
    bool IsConnected() const { return m_Socket.state() == QAbstractSocket::ConnectedState; }

private:
    void Connect();
    void OnFailure(const std::string& what);

    std::string m_Host;
    int m_Port;
    std::function<void(const std::string&)> m_Notice;
    QTcpSocket m_Socket;
    QTimer m_Retry;
    CFsdClient m_Client;
    std::string m_LastFailure; // told once until something changes
};

} // namespace host
