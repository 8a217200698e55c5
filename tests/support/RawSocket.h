// Plain blocking loopback sockets of a test's own, outside Qt and the event loop, on POSIX systems
// and on Windows (Winsock), and the process's resident memory.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#define PSAPI_VERSION 2
#include <psapi.h>
#include <windows.h>
#else
#include <arpa/inet.h>
#include <fstream>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace qstest::raw {

#ifdef _WIN32
using Fd = std::intptr_t;
#else
using Fd = int;
#endif
constexpr Fd kNone = -1;

inline void Close(Fd fd)
{
#ifdef _WIN32
    ::closesocket(static_cast<SOCKET>(fd));
#else
    ::close(fd);
#endif
}

// A connection to `port`, or (with `listen`) a listener on a port the system picks, stored into
// `port`; kNone when it fails.
inline Fd Open(unsigned& port, bool listen = false)
{
#ifdef _WIN32
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started)
        return kNone;
    const Fd fd = static_cast<Fd>(::socket(AF_INET, SOCK_STREAM, 0));
    using Length = int;
#else
    const Fd fd = ::socket(AF_INET, SOCK_STREAM, 0);
    using Length = socklen_t;
#endif
    if (fd == kNone)
        return kNone;
    sockaddr_in at {};
    at.sin_family = AF_INET;
    at.sin_port = htons(static_cast<std::uint16_t>(listen ? 0 : port));
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    auto* address = reinterpret_cast<sockaddr*>(&at);
    Length size = sizeof at;
    if (listen && ::bind(fd, address, size) == 0 && ::listen(fd, 1) == 0
        && ::getsockname(fd, address, &size) == 0) {
        port = ntohs(at.sin_port);
        return fd;
    }
    if (!listen && ::connect(fd, address, size) == 0)
        return fd;
    Close(fd);
    return kNone;
}

inline Fd Accept(Fd listening)
{
#ifdef _WIN32
    const SOCKET fd = ::accept(static_cast<SOCKET>(listening), nullptr, nullptr);
    return fd == INVALID_SOCKET ? kNone : static_cast<Fd>(fd);
#else
    return ::accept(listening, nullptr, nullptr);
#endif
}

// Sends all of `size` bytes (blocking); false when the connection refuses them.
inline bool SendAll(Fd fd, const char* data, std::size_t size)
{
    while (size > 0) {
#ifdef _WIN32
        const int sent = ::send(static_cast<SOCKET>(fd), data, static_cast<int>(size), 0);
#else
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
#endif
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

// Receives exactly `size` bytes, waiting for them; false when the connection ends first.
inline bool ReceiveAll(Fd fd, char* data, std::size_t size)
{
    while (size > 0) {
#ifdef _WIN32
        const int got = ::recv(static_cast<SOCKET>(fd), data, static_cast<int>(size), 0);
#else
        const ssize_t got = ::recv(fd, data, size, 0);
#endif
        if (got <= 0)
            return false;
        data += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

// Ends a send that TCP holds back, on another thread.
inline void ShutdownBoth(Fd fd)
{
#ifdef _WIN32
    ::shutdown(static_cast<SOCKET>(fd), SD_BOTH);
#else
    ::shutdown(fd, SHUT_RDWR);
#endif
}

// Closes with a reset instead of an orderly end.
inline bool CloseWithReset(Fd fd)
{
    linger reset {};
    reset.l_onoff = 1;
    reset.l_linger = 0;
#ifdef _WIN32
    const bool set = ::setsockopt(static_cast<SOCKET>(fd), SOL_SOCKET, SO_LINGER,
                         reinterpret_cast<const char*>(&reset), sizeof reset)
        == 0;
#else
    const bool set = ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset) == 0;
#endif
    Close(fd);
    return set;
}

inline std::size_t ResidentBytes()
{
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters {};
    if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return counters.WorkingSetSize;
#else
    std::ifstream statm("/proc/self/statm");
    std::size_t pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
#endif
}

} // namespace qstest::raw
