#include "StatusPage.h"

#include "QuorvexApp.h"
#include "QuorvexDlg.h"
#include "QuorvexStatus.h"
#include "proxy/status/StatusServer.h"

#include <cstdio>

bool BuildHasStatusPage()
{
    return true;
}

std::unique_ptr<QObject> StartStatusServer(const CQuorvexOptions& options, const CQuorvexDlg& dlg,
    const platform::CDialogControls& controls, status::CLineRate& rate, bool& failed)
{
    failed = false;
    if (!options.http)
        return nullptr;
    auto server = std::make_unique<status::CStatusServer>(
        [&dlg, &controls, &rate] { return TakeStatusSnapshot(dlg, controls, rate); },
        [access = options.access](const QHostAddress& peer) {
            // The same rule as the FSD port's; without a list the page is on loopback only.
            const std::string address = peer.toString().toStdString();
            return access.allowed.empty() ? IsLoopbackAddress(address) : access.Allows(address);
        });
    QString error;
    const quint16 port = server->Listen(options.httpAddress, options.httpPort, error);
    const QString address = options.httpAddress.protocol() == QAbstractSocket::IPv6Protocol
        ? "[" + options.httpAddress.toString() + "]"
        : options.httpAddress.toString();
    // Told in the event log when there is one, so that a service's journal has it as one of its
    // events.
    const auto tell = [&dlg](LogLevel level, const QString& text) {
        if (dlg.m_pEventLog != nullptr)
            dlg.m_pEventLog->Log(level, "status-page", text.toStdString());
        else
            std::fprintf(stderr, "quorvex: %s\n", text.toLocal8Bit().constData());
    };
    if (port == 0) {
        tell(LogLevel::Error,
            QString("cannot serve the status page on %1:%2: %3")
                .arg(address)
                .arg(options.httpPort)
                .arg(error));
        failed = true;
        return nullptr;
    }
    tell(LogLevel::Info, QString("status page on http://%1:%2/").arg(address).arg(port));
    return server;
}
