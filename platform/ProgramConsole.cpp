#include "ProgramConsole.h"

#ifdef _WIN32
#include <cstdio>
#include <fcntl.h>
#include <initializer_list>
#include <io.h>
#include <windows.h>
#else
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
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

bool IsStandardOutputTheJournal()
{
#ifdef _WIN32
    return false;
#else
    // "DEVICE:INODE" of the journal's stream; output redirected elsewhere has other numbers.
    const char* stream = std::getenv("JOURNAL_STREAM");
    unsigned long long device = 0;
    unsigned long long inode = 0;
    struct stat status { };
    return stream != nullptr && std::sscanf(stream, "%llu:%llu", &device, &inode) == 2
        && fstat(fileno(stdout), &status) == 0 && status.st_dev == device && status.st_ino == inode;
#endif
}

} // namespace platform
