// POSIX signals: the handler only writes the signal's number as a byte to a socket pair, which a
// QSocketNotifier watches.
#include "SignalBridge.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {
namespace {

int g_signalWriteFd = -1; // the write end of the bridge's socket pair, for the handler

extern "C" void WriteSignalByte(int signal)
{
    const char byte = static_cast<char>(signal);
    const int saved = errno;
    [[maybe_unused]] const ssize_t written = ::write(g_signalWriteFd, &byte, 1);
    errno = saved;
}

} // namespace

struct CSignalBridge::SystemState {
    int fds[2] = { -1, -1 };
    QSocketNotifier* notifier = nullptr; // a child of the bridge
};

bool CSignalBridge::HasHangup()
{
    return true;
}

CSignalBridge::CSignalBridge(
    std::function<void()> onSignal, std::function<void()> onHangup, QObject* parent)
    : QObject(parent)
    , m_onSignal(std::move(onSignal))
    , m_onHangup(std::move(onHangup))
{
    auto state = std::make_unique<SystemState>();
    if (g_signalWriteFd >= 0
        || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, state->fds) != 0)
        return;
    ::fcntl(state->fds[1], F_SETFL, O_NONBLOCK); // a flood of signals must never block the handler
    g_signalWriteFd = state->fds[1];
    state->notifier = new QSocketNotifier(state->fds[0], QSocketNotifier::Read, this);
    connect(state->notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        const ssize_t read = ::read(m_state->fds[0], bytes, sizeof bytes);
        bool hangup = false;
        bool end = read <= 0; // as before: a wake-up without a byte ends too
        for (ssize_t i = 0; i < read; ++i)
            (bytes[i] == SIGHUP && m_onHangup ? hangup : end) = true;
        Deliver(hangup, end);
    });
    m_state = std::move(state);
    struct sigaction action { };
    action.sa_handler = WriteSignalByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    if (m_onHangup)
        sigaction(SIGHUP, &action, nullptr);
}

CSignalBridge::~CSignalBridge()
{
    if (m_state == nullptr)
        return;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    if (m_onHangup)
        std::signal(SIGHUP, SIG_DFL);
    g_signalWriteFd = -1;
    ::close(m_state->fds[0]);
    ::close(m_state->fds[1]);
}

} // namespace platform
