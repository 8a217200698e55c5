// The program's ending signals into the Qt event loop: SIGINT and SIGTERM (and, when asked,
// SIGHUP) on POSIX systems; Ctrl+C, Ctrl+Break and the console's close on Windows. The handler
// only records what came; the program's own end runs later from the loop, where it may do
// anything.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

namespace platform {

class CSignalBridge : public QObject {
public:
    // Installs the handlers; `onSignal` runs on the loop's thread after any ending signal. One
    // bridge at a time: the handlers reach the one installed bridge, the one process-wide value.
    explicit CSignalBridge(std::function<void()> onSignal, QObject* parent = nullptr);
    // The same, and SIGHUP runs `onHangup` (on the loop's thread) instead of ending the program.
    // A system without SIGHUP (see HasHangup) never runs it.
    CSignalBridge(
        std::function<void()> onSignal, std::function<void()> onHangup, QObject* parent = nullptr);
    // Restores the default handlers.
    ~CSignalBridge() override;
    CSignalBridge(const CSignalBridge&) = delete;
    CSignalBridge& operator=(const CSignalBridge&) = delete;

    bool IsInstalled() const { return m_state != nullptr; }

    // Whether this system has a hang-up signal to reload on (Windows has none).
    static bool HasHangup();

private:
    struct SystemState; // the system's side: a socket pair, or a console handler

    // Runs the handlers for what came, one call each however many signals came: the end last,
    // as it may destroy what the reload works on.
    void Deliver(bool hangup, bool end);

    std::function<void()> m_onSignal;
    std::function<void()> m_onHangup; // empty: SIGHUP keeps its default
    std::unique_ptr<SystemState> m_state; // null when the handlers could not be installed
};

} // namespace platform
