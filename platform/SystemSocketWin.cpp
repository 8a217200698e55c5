#include "SystemSocket.h"

#include <winsock2.h>

namespace platform::system_socket {
namespace {

// `accepting`: a connection that ended while it waited in the listen queue only means that the
// next one should be taken; on a connection, the same code means it broke.
Failure FromWsaError(int error, bool accepting)
{
    switch (error) {
    case WSAEINTR:
        return Failure::Again;
    case WSAECONNABORTED:
        return accepting ? Failure::Again : Failure::Other;
    case WSAEWOULDBLOCK:
    case WSAEINPROGRESS:
        return Failure::WouldBlock;
    case WSAECONNRESET:
        return accepting ? Failure::Again : Failure::PeerGone;
    case WSAESHUTDOWN:
    case WSAENETRESET:
        return Failure::PeerGone;
    case WSAEMFILE:
    case WSAENOBUFS:
        return Failure::Resource;
    case WSAEACCES:
        return Failure::Access;
    default:
        return Failure::Other;
    }
}

} // namespace

Handle Accept(Handle listening, Failure& failure)
{
    // Not inheritable, as SOCK_CLOEXEC makes it on Linux: Winsock's sockets are created so.
    const SOCKET accepted = ::accept(static_cast<SOCKET>(listening), nullptr, nullptr);
    if (accepted == INVALID_SOCKET) {
        failure = FromWsaError(::WSAGetLastError(), true);
        return kNoHandle;
    }
    failure = Failure::None;
    return static_cast<Handle>(accepted);
}

bool ConnectionWaiting(Handle listening)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(static_cast<SOCKET>(listening), &readable);
    timeval now {};
    return ::select(0, &readable, nullptr, nullptr, &now) > 0
        && FD_ISSET(static_cast<SOCKET>(listening), &readable);
}

void Close(Handle socket)
{
    ::closesocket(static_cast<SOCKET>(socket));
}

std::int64_t SendPieces(
    Handle socket, const std::string_view* pieces, std::size_t count, Failure& failure)
{
    // The socket is non-blocking already: Qt's event dispatcher selects its events with
    // WSAAsyncSelect, which makes it so.
    constexpr std::size_t kMostPieces = 64;
    WSABUF buffers[kMostPieces];
    count = count < kMostPieces ? count : kMostPieces;
    for (std::size_t i = 0; i < count; ++i) {
        buffers[i].buf = const_cast<char*>(pieces[i].data()); // only read from
        buffers[i].len = static_cast<ULONG>(pieces[i].size());
    }
    DWORD sent = 0;
    if (::WSASend(static_cast<SOCKET>(socket), buffers, static_cast<DWORD>(count), &sent, 0,
            nullptr, nullptr)
        != 0) {
        failure = FromWsaError(::WSAGetLastError(), false);
        return -1;
    }
    failure = Failure::None;
    return static_cast<std::int64_t>(sent);
}

} // namespace platform::system_socket
