#include "SystemSocket.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

namespace platform::system_socket {
namespace {

// `accepting`: a connection that ended while it waited in the listen queue only means that the
// next one should be taken; on a connection, the same codes mean it broke.
Failure FromErrno(int error, bool accepting)
{
    switch (error) {
    case EINTR:
        return Failure::Again;
    case ECONNABORTED:
    case EPROTO:
        return accepting ? Failure::Again : Failure::Other;
    case EAGAIN:
#if EAGAIN != EWOULDBLOCK
    case EWOULDBLOCK:
#endif
        return Failure::WouldBlock;
    case EPIPE:
    case ECONNRESET:
        return Failure::PeerGone;
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
        return Failure::Resource;
    case EPERM:
    case EACCES:
        return Failure::Access;
    default:
        return Failure::Other;
    }
}

} // namespace

Handle Accept(Handle listening, Failure& failure)
{
#ifdef SOCK_CLOEXEC
    const int descriptor = ::accept4(static_cast<int>(listening), nullptr, nullptr, SOCK_CLOEXEC);
#else
    const int descriptor = ::accept(static_cast<int>(listening), nullptr, nullptr);
#endif
    failure = descriptor >= 0 ? Failure::None : FromErrno(errno, true);
    return descriptor >= 0 ? descriptor : kNoHandle;
}

bool ConnectionWaiting(Handle listening)
{
    pollfd waiting {};
    waiting.fd = static_cast<int>(listening);
    waiting.events = POLLIN;
    return ::poll(&waiting, 1, 0) > 0 && (waiting.revents & POLLIN) != 0;
}

void Close(Handle socket)
{
    ::close(static_cast<int>(socket));
}

std::int64_t SendPieces(
    Handle socket, const std::string_view* pieces, std::size_t count, Failure& failure)
{
    constexpr std::size_t kMostPieces = 64;
    iovec vectors[kMostPieces];
    count = count < kMostPieces ? count : kMostPieces;
    for (std::size_t i = 0; i < count; ++i) {
        vectors[i].iov_base = const_cast<char*>(pieces[i].data()); // only read from
        vectors[i].iov_len = pieces[i].size();
    }
    msghdr message {};
    message.msg_iov = vectors;
    message.msg_iovlen = count;
    const ssize_t written
        = ::sendmsg(static_cast<int>(socket), &message, MSG_NOSIGNAL | MSG_DONTWAIT);
    failure = written >= 0 ? Failure::None : FromErrno(errno, false);
    return written;
}

} // namespace platform::system_socket
