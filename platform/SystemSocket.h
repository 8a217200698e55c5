// The few calls the socket layer makes past Qt, on the system's own socket: accepting a waiting
// connection (so that every failure is seen and a lasting one is not retried without pause),
// asking whether one waits, and sending several pieces in one call without blocking. One
// implementation for POSIX systems and one for Windows; the rest of the layer is the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace platform::system_socket {

// A socket as Qt names it (qintptr): a descriptor on POSIX systems, a SOCKET on Windows.
using Handle = std::intptr_t;
constexpr Handle kNoHandle = -1;

// Why an accept or a send gave nothing.
enum class Failure {
    None,
    Again, // interrupted, or the waiting connection ended before it was taken: try again at once
    WouldBlock, // nothing waits, or the system takes no more bytes now
    PeerGone, // the peer reset or closed the connection
    Resource, // no descriptors, buffers or memory left
    Access, // refused by the system's rules
    Other,
};

// Takes the next waiting connection from a listening socket; kNoHandle with the reason when none.
Handle Accept(Handle listening, Failure& failure);

// Whether a connection waits on a listening socket, without waiting for one.
bool ConnectionWaiting(Handle listening);

// Closes a socket that nothing else owns (an accepted one that Qt would not take).
void Close(Handle socket);

// Sends the pieces in order without blocking, as far as the system takes them: the number of
// bytes taken, or -1 with the reason.
std::int64_t SendPieces(
    Handle socket, const std::string_view* pieces, std::size_t count, Failure& failure);

} // namespace platform::system_socket
