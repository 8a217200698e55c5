// SIGINT and SIGTERM (and, when asked, SIGHUP) into the Qt event loop: the signal handler only
// writes the signal's number as a byte to a socket pair, which a QSocketNotifier watches; the
// program's own end runs later from the loop, where it may do anything.
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
    // The same, and SIGHUP runs `onHangup` (on the loop's thread) instead of ending the program.
    CSignalBridge(
        std::function<void()> onSignal, std::function<void()> onHangup, QObject* parent = nullptr);
    // Restores the default handlers.
    ~CSignalBridge() override;
    CSignalBridge(const CSignalBridge&) = delete;
    CSignalBridge& operator=(const CSignalBridge&) = delete;

    bool IsInstalled() const { return m_notifier != nullptr; }

private:
    std::function<void()> m_onSignal;
    std::function<void()> m_onHangup; // empty: SIGHUP keeps its default
    int m_fds[2] = { -1, -1 };
    QSocketNotifier* m_notifier = nullptr; // a child
};

} // namespace platform
