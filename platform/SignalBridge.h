// SIGINT and SIGTERM into the Qt event loop: the signal handler only writes a byte to a socket
// pair, which a QSocketNotifier watches; the program's own end runs later from the loop, where it
// may do anything.
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace platform {

class CSignalBridge : public QObject {
public:
    // Installs the handlers; `onSignal` runs on the loop's thread after either signal. One bridge
    // at a time: the handlers write to the bridge's socket pair, the one process-wide value here.
    explicit CSignalBridge(std::function<void()> onSignal, QObject* parent = nullptr);
    // Restores the default handlers.
    ~CSignalBridge() override;
    CSignalBridge(const CSignalBridge&) = delete;
    CSignalBridge& operator=(const CSignalBridge&) = delete;

    bool IsInstalled() const { return m_notifier != nullptr; }

private:
    std::function<void()> m_onSignal;
    int m_fds[2] = { -1, -1 };
    QSocketNotifier* m_notifier = nullptr; // a child
};

} // namespace platform
