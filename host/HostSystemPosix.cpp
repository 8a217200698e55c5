#include "HostSystem.h"

#include <QString>
#include <QtGlobal>

#include <csignal>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace host {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;
// /dev/null, opened at start: the handler puts it in place of standard input, so that a script
// read from a terminal or a pipe that stays silent ends at once, whether the signal comes during
// the read or just before it.
int g_nullInput = -1;

void OnInterrupt(int)
{
    g_interrupted = 1;
    if (g_nullInput >= 0)
        dup2(g_nullInput, STDIN_FILENO);
}

} // namespace

// Without SA_RESTART, so that a read in progress returns at once.
void InstallInterruptHandlers()
{
    g_nullInput = open("/dev/null", O_RDONLY | O_CLOEXEC);
    struct sigaction action { };
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted()
{
    return g_interrupted != 0;
}

void UseOffscreenPlatform()
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace host
