// The cost of one broadcast burst through CAsyncSocket: every client gets one small packet per
// aircraft, sent with one Send each, and the burst is timed until every byte has arrived at
// every client over loopback. The clients are Qt sockets on the same event loop that read all.
#include "platform/AsyncSocket.h"

#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using platform::CAsyncSocket;

class Listener : public CAsyncSocket {
public:
    std::vector<std::unique_ptr<CAsyncSocket>> accepted;

protected:
    void OnAccept(int) override
    {
        auto socket = std::make_unique<CAsyncSocket>();
        if (Accept(*socket))
            accepted.push_back(std::move(socket));
    }
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

    Listener listener;
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

} // namespace
