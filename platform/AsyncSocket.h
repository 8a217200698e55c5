// Our asynchronous event socket: a TCP socket whose network readiness arrives as virtual event
// operations, in the manner of the desktop platform's CAsyncSocket, built over Qt Network.
//
// Everything runs on the thread of the Qt event loop. The operations never block; what the network
// does arrives later as OnAccept, OnReceive, OnConnect and OnClose, each called from the event loop
// and never from inside one of this class's own operations, so a handler always runs to completion
// before the next event of any socket starts.
//
// Event rules:
// - OnReceive: data is waiting. Receive re-arms the event: if a handler reads only part of what is
//   there, another OnReceive follows without new data arriving; while it keeps reading, that is
//   the next call in the same turn of the event loop, up to 64 KiB read per turn, after which the
//   other sockets are served first. A handler that reads nothing gets no further OnReceive until
//   new data arrives (the bytes stay readable).
// - Received input is bounded: a socket holds at most 64 KiB that its handler has not read, above
//   what the system holds. A peer that sends faster than the handler reads is held back by TCP
//   flow control; so the OnClose of a peer that a handler stops reading from waits until the
//   bytes before its end have been read.
// - OnClose: the peer closed the connection, or it broke. It comes once, and only after every byte
//   the peer sent has been offered through OnReceive.
// - OnConnect: exactly once per Connect on a socket that is not already connecting, connected or
//   listening: 0 on success, an error code otherwise, also when the attempt could not even be
//   started (socket not created, bad port, host name that does not resolve).
// - OnAccept (always 0): a connection is waiting. Accept takes it, or fails and says why (out of
//   descriptors, for example); a connection that could not be taken is offered again after a short
//   pause. Accept re-arms the event like Receive: while connections are waiting, the next OnAccept
//   follows in the same turn of the event loop, so that a burst is taken at once.
// Close, or destroying the object, cancels every event still to come; no event reaches a
// destroyed object. Destroying the object inside its own handler is safe.
//
// Sending never loses or reorders bytes: Send takes everything it is given into a queue of the
// socket and returns at once, without a system call; the queue goes to the network in large
// writes after the running handler has returned. SendShared queues a buffer that many sockets
// send by reference instead of a copy; with nothing queued before it, it goes to the system at
// once, as far as the system takes it. What the system does not take yet goes out as the peer
// reads, in the order it was sent. GetSendBacklog tells how much is still queued. Close sends
// what is queued before the connection ends (for ten seconds at most). A connection that breaks
// while bytes are queued drops them and ends in OnClose.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

namespace detail {
class SocketBridge;
// Hands the Qt side of a socket over to Qt for an orderly shutdown and deletion.
struct SocketBridgeRelease {
    void operator()(SocketBridge* bridge) const;
};
} // namespace detail

// Error codes of the socket operations and events; 0 means success.
enum SocketError : int {
    kSocketOk = 0,
    kWouldBlock, // nothing to receive yet, or no connection waiting to be accepted
    kInvalidState, // the socket is not created, or already connecting, connected or listening
    kInvalidArgument, // a bad length or buffer, or an Accept target that cannot take a connection
    kInvalidAddress, // an address text or port that cannot be used
    kAddressInUse, // the local address and port are taken
    kAccessDenied, // the system refused the address or port (for example a privileged port)
    kHostNotFound, // the host name did not resolve
    kConnectionRefused, // nobody listens on the peer's port
    kTimedOut, // the peer did not answer
    kNotConnected, // Send or Receive on a socket without a connection
    kNetworkError, // the connection broke, or another network failure
    kResourceError, // the system ran out of sockets or memory
};

class CAsyncSocket {
public:
    // The result of Send and Receive when they fail; GetLastError() tells why.
    static constexpr int kSocketError = -1;

    CAsyncSocket();
    // Closes the socket (see Close); safe inside the object's own event handlers.
    virtual ~CAsyncSocket();
    CAsyncSocket(const CAsyncSocket&) = delete;
    CAsyncSocket& operator=(const CAsyncSocket&) = delete;

    // Makes this a TCP stream socket, to bind later to `port` (0: any) on `address` (see Bind).
    // The Qt objects underneath are created when the socket listens, connects or accepts.
    // Fails with kInvalidState when the socket is already created, kInvalidAddress for a bad
    // address or port.
    bool Create(unsigned port = 0, std::string_view address = {});

    // Sets the local address and port of a created socket. The address is empty (every interface),
    // "localhost" (the IPv4 loopback address) or a numeric IPv4 or IPv6 address; other host names
    // are refused with kInvalidAddress, as binding must not wait for a name look-up. The address is
    // taken when the socket listens or connects: a port that is in use fails there.
    bool Bind(unsigned port, std::string_view address = {});

    // Starts listening for connections on the bound address and port, with a queue of `backlog`
    // connections the system holds until they are accepted. Fails with kAddressInUse,
    // kAccessDenied and the like when the address cannot be taken.
    bool Listen(int backlog = 5);

    // Takes the next waiting connection of this listening socket into `connected`, which must not
    // be created yet, or be created and idle. Returns false when there is nothing to accept
    // (kWouldBlock), when the system could not hand the connection over (kResourceError and the
    // like), when this socket does not listen (kInvalidState) or when `connected` cannot take it
    // (kInvalidArgument); `connected` is unchanged then.
    virtual bool Accept(CAsyncSocket& connected);

    // Starts a connection to `host` (a numeric address or a host name, looked up without blocking)
    // and `port`. The outcome arrives as OnConnect. Returns false when the attempt could not be
    // started: then OnConnect still follows with the error (except on a socket that is already
    // connecting, connected or listening, kInvalidState, which is left as it is).
    bool Connect(std::string_view host, unsigned port);

    // Queues `length` bytes for sending and returns `length`; kSocketError with kNotConnected when
    // the socket has no open connection, kInvalidArgument for a bad buffer or length.
    virtual int Send(const void* buffer, int length);

    // Queues the whole of `buffer` after what is already queued, without copying it: the socket
    // holds a reference until the system has taken its last byte, so one buffer may go to many
    // sockets. With nothing queued it is written to the system at once, as far as the system
    // takes it. Returns its size; kSocketError with kNotConnected like Send, kInvalidArgument
    // for a null buffer or one larger than an int counts.
    virtual int SendShared(std::shared_ptr<const std::string> buffer);

    // Reads at most `length` bytes of what has arrived and returns their number; 0 when the peer
    // has closed the connection and everything was read; kSocketError with kWouldBlock when
    // nothing is there yet, kNotConnected without a connection, or the error that broke the
    // connection.
    virtual int Receive(void* buffer, int length);

    // Ends the connection or stops listening; the object may then be created again. Bytes still
    // queued by Send go out first, for ten seconds at most. Does nothing on a socket that is not
    // open. No event is delivered after Close.
    virtual void Close();

    // Bytes taken by Send and SendShared that the system has not yet taken: the queue of a peer
    // that reads slowly.
    std::size_t GetSendBacklog() const;

    // The local, or the peer's, numeric address and port of a listening or connected socket.
    bool GetSockName(std::string& address, unsigned& port) const;
    bool GetPeerName(std::string& address, unsigned& port) const;

    // The error of the last operation of this object that failed.
    int GetLastError() const { return m_nLastError; }

protected:
    // The events, called on the event loop's thread. The defaults do nothing.
    virtual void OnAccept(int errorCode);
    virtual void OnReceive(int errorCode);
    virtual void OnConnect(int errorCode);
    virtual void OnClose(int errorCode);

private:
    friend class detail::SocketBridge;

    bool Fail(int error);

    std::unique_ptr<detail::SocketBridge, detail::SocketBridgeRelease> m_bridge;
    int m_nLastError = kSocketOk;
};

} // namespace platform
