#include "HostSystem.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <windows.h>

namespace host {
namespace {

std::atomic<bool> g_interrupted { false };

// Runs on a thread of the system's. A console read in progress is cancelled, so that a script
// read from standard input ends at once; after a close the system ends the process when the
// handler returns, so the handler gives the loop a moment to end in order first.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    g_interrupted = true;
    ::CloseHandle(::GetStdHandle(STD_INPUT_HANDLE));
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        ::Sleep(2000);
    return TRUE;
}

} // namespace

void InstallInterruptHandlers()
{
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool Interrupted()
{
    return g_interrupted;
}

void UseOffscreenPlatform()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("QT_QPA_FONTDIR")) {
        wchar_t folder[MAX_PATH];
        const UINT length = ::GetWindowsDirectoryW(folder, MAX_PATH);
        if (length > 0 && length < MAX_PATH)
            qputenv("QT_QPA_FONTDIR",
                (QString::fromWCharArray(folder, length) + "\\Fonts").toLocal8Bit());
    }
}

} // namespace host
