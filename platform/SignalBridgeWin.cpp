// The Windows console's control events: Ctrl+C, Ctrl+Break, and the console's close, log-off and
// shutdown, which Windows delivers on a thread of its own. The handler posts the end to the
// bridge's thread; for a close it then waits a little for the program to end in order, since the
// system ends the process once the handler returns.
#include "SignalBridge.h"

#include <QMetaObject>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <windows.h>

namespace platform {
namespace {

std::mutex g_mutex;
std::condition_variable g_ended; // the bridge went away: the program's end has run
CSignalBridge* g_bridge = nullptr; // the installed bridge, under g_mutex
void (*g_post)(CSignalBridge*) = nullptr; // posts the end to the bridge's thread

BOOL WINAPI OnConsoleEvent(DWORD event)
{
    std::unique_lock lock(g_mutex);
    if (g_bridge == nullptr)
        return FALSE; // the system's default: end the process
    g_post(g_bridge);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        // Windows allows about five seconds before it ends the process anyway.
        g_ended.wait_for(lock, std::chrono::milliseconds(4500), [] { return g_bridge == nullptr; });
    }
    return TRUE;
}

} // namespace

struct CSignalBridge::SystemState { };

bool CSignalBridge::HasHangup()
{
    return false;
}

CSignalBridge::CSignalBridge(
    std::function<void()> onSignal, std::function<void()> onHangup, QObject* parent)
    : QObject(parent)
    , m_onSignal(std::move(onSignal))
    , m_onHangup(std::move(onHangup))
{
    std::lock_guard lock(g_mutex);
    if (g_bridge != nullptr)
        return;
    g_post = [](CSignalBridge* bridge) {
        QMetaObject::invokeMethod(
            bridge, [bridge] { bridge->Deliver(false, true); }, Qt::QueuedConnection);
    };
    if (!::SetConsoleCtrlHandler(OnConsoleEvent, TRUE))
        return;
    g_bridge = this;
    m_state = std::make_unique<SystemState>();
}

CSignalBridge::~CSignalBridge()
{
    if (m_state == nullptr)
        return;
    {
        std::lock_guard lock(g_mutex);
        g_bridge = nullptr;
    }
    g_ended.notify_all();
    ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

} // namespace platform
