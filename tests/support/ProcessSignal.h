// Asking a program a test started to end, as a user would: SIGTERM or SIGINT on POSIX systems;
// Ctrl+Break through the console on Windows (the program must have been started with
// AllowSignals, in a process group of its own, so that the test itself is not hit).
#pragma once

#include <QProcess>

#include <csignal>

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/types.h>
#endif

namespace qstest {

inline void AllowSignals(QProcess& process)
{
#ifdef _WIN32
    if (::GetConsoleWindow() == nullptr)
        ::AllocConsole(); // the child shares it, and the events travel through it
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* arguments) {
        arguments->flags |= CREATE_NEW_PROCESS_GROUP;
    });
#else
    (void)process;
#endif
}

// Sends `signal` (SIGTERM or SIGINT) to the process, never to anything else (a process that has
// ended has no id). False when it cannot be sent.
inline bool SendSignal(QProcess& process, int signal)
{
    const qint64 pid = process.processId();
    if (pid <= 0)
        return false;
#ifdef _WIN32
    (void)signal;
    return ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(pid)) != 0;
#else
    return ::kill(static_cast<pid_t>(pid), signal) == 0;
#endif
}

} // namespace qstest
