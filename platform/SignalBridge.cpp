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

extern "C" void WriteSignalByte(int /*signal*/)
{
    const char byte = 1;
    const int saved = errno;
    [[maybe_unused]] const ssize_t written = ::write(g_signalWriteFd, &byte, 1);
    errno = saved;
}

} // namespace

CSignalBridge::CSignalBridge(std::function<void()> onSignal, QObject* parent)
    : QObject(parent)
    , m_onSignal(std::move(onSignal))
{
    if (g_signalWriteFd >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, m_fds) != 0)
        return;
    ::fcntl(m_fds[1], F_SETFL, O_NONBLOCK); // a flood of signals must never block the handler
    g_signalWriteFd = m_fds[1];
    m_notifier = new QSocketNotifier(m_fds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        [[maybe_unused]] const ssize_t read = ::read(m_fds[0], bytes, sizeof bytes);
        m_onSignal();
    });
    struct sigaction action { };
    action.sa_handler = WriteSignalByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

CSignalBridge::~CSignalBridge()
{
    if (m_notifier == nullptr)
        return;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    g_signalWriteFd = -1;
    ::close(m_fds[0]);
    ::close(m_fds[1]);
}

} // namespace platform
