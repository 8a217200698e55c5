// The cost of one broadcast burst through CAsyncSocket: every client gets one small packet per
// aircraft, sent with one Send each, and the burst is timed until every byte has arrived at
// every client over loopback. The clients are Qt sockets on the same event loop that read all.
// And the other way: how many lines a second one socket takes in from a peer that floods it
// with SBS lines over loopback, cut with a 1024-byte line buffer and handed to a handler that
// only counts them.
#include "platform/AsyncSocket.h"

#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using platform::CAsyncSocket;

template <typename Socket = CAsyncSocket> class Listener : public CAsyncSocket {
public:
    std::vector<std::unique_ptr<Socket>> accepted;

protected:
    void OnAccept(int) override
    {
        auto socket = std::make_unique<Socket>();
        if (Accept(*socket))
            accepted.push_back(std::move(socket));
    }
};

// Receives the way the proxy's sockets do: at most what a 1024-byte line buffer has room for.
class LineCounter : public CAsyncSocket {
public:
    long long lines = 0;

protected:
    void OnReceive(int) override
    {
        const int n = Receive(m_buffer + m_held, kLine - m_held);
        if (n <= 0)
            return;
        m_held += n;
        int start = 0;
        while (const void* found = std::memchr(m_buffer + start, '\n', m_held - start)) {
            start = static_cast<int>(static_cast<const char*>(found) - m_buffer) + 1;
            ++lines;
        }
        m_held -= start;
        if (m_held == kLine)
            m_held = 0; // an over-long line: dropped
        std::memmove(m_buffer, m_buffer + start, static_cast<std::size_t>(m_held));
    }

private:
    static constexpr int kLine = 1024;
    char m_buffer[kLine] = {};
    int m_held = 0;
};

// Runs the event loop until `done` holds; false after ten seconds.
template <typename Done> bool RunUntil(Done done)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(0);
    QTimer::singleShot(10'000, &loop, [&] { loop.exit(1); });
    return loop.exec() == 0;
}

void BM_BroadcastBurst(benchmark::State& state)
{
    const int clientCount = static_cast<int>(state.range(0));
    const int packetCount = static_cast<int>(state.range(1));
    const std::string packet = "@N:ABC1234:1234:1:52.50000:13.25000:35000:450:1036:0\r\n";

    Listener<> listener;
    unsigned port = 0;
    std::string address;
    if (!listener.Create() || !listener.Bind(0, "localhost") || !listener.Listen(64)
        || !listener.GetSockName(address, port)) {
        state.SkipWithError("cannot listen on loopback");
        return;
    }
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    long long received = 0;
    for (int i = 0; i < clientCount; ++i) {
        auto client = std::make_unique<QTcpSocket>();
        QTcpSocket* raw = client.get();
        QObject::connect(raw, &QTcpSocket::readyRead, raw,
            [raw, &received] { received += raw->readAll().size(); });
        client->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
        clients.push_back(std::move(client));
    }
    if (!RunUntil([&] { return static_cast<int>(listener.accepted.size()) == clientCount; })) {
        state.SkipWithError("clients did not connect");
        return;
    }

    const long long burst = static_cast<long long>(packet.size()) * packetCount * clientCount;
    for (auto _ : state) {
        received = 0;
        for (int p = 0; p < packetCount; ++p) {
            for (auto& server : listener.accepted)
                server->Send(packet.data(), static_cast<int>(packet.size()));
        }
        if (!RunUntil([&] { return received >= burst; })) {
            state.SkipWithError("not every byte arrived");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * burst);
    state.counters["packets"] = static_cast<double>(packetCount) * clientCount;
}

BENCHMARK(BM_BroadcastBurst)
    ->ArgNames({ "clients", "packets" })
    ->Args({ 50, 5000 })
    ->Args({ 1, 5000 })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_FloodedLines(benchmark::State& state)
{
    const long long linesPerIteration = 200'000;
    std::string block;
    while (block.size() < (1u << 20))
        block += "MSG,3,1,1,3C4A5B,1,2025/05/14,09:31:07.510,2025/05/14,09:31:07.531,,35000,,,"
                 "47.43000,19.26000,,,0,0,0,0\r\n";

    Listener<LineCounter> listener;
    unsigned port = 0;
    std::string address;
    if (!listener.Create() || !listener.Bind(0, "localhost") || !listener.Listen(5)
        || !listener.GetSockName(address, port)) {
        state.SkipWithError("cannot listen on loopback");
        return;
    }
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        state.SkipWithError("cannot connect");
        return;
    }
    std::atomic<bool> stop { false };
    std::thread flood([&] {
        while (!stop && ::send(fd, block.data(), block.size(), MSG_NOSIGNAL) > 0) { }
    });
    if (RunUntil([&] { return !listener.accepted.empty(); })) {
        LineCounter& counter = *listener.accepted.front();
        for (auto _ : state) {
            const long long target = counter.lines + linesPerIteration;
            if (!RunUntil([&] { return counter.lines >= target; })) {
                state.SkipWithError("the lines stopped coming");
                break;
            }
        }
    } else {
        state.SkipWithError("not accepted");
    }
    stop = true;
    ::shutdown(fd, SHUT_RDWR);
    flood.join();
    ::close(fd);
    state.SetItemsProcessed(state.iterations() * linesPerIteration);
}

BENCHMARK(BM_FloodedLines)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

} // namespace
