#include "ProgramConsole.h"

#ifdef _WIN32
#include <cstdio>
#include <fcntl.h>
#include <initializer_list>
#include <io.h>
#include <windows.h>
#endif

namespace platform {

void ReleaseOwnConsole()
{
#ifdef _WIN32
    DWORD processes[2];
    if (::GetConsoleProcessList(processes, 2) == 1)
        ::FreeConsole();
#endif
}

void UseBinaryStandardStreams()
{
#ifdef _WIN32
    for (std::FILE* stream : { stdin, stdout, stderr })
        _setmode(_fileno(stream), _O_BINARY);
#endif
}

} // namespace platform
