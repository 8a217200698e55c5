// One position broadcast tick of the proxy's FSD server: 5,000 aircraft to 50 radar clients on
// loopback, timed from the tick until every byte has arrived at every client. The clients are
// plain blocking sockets read by threads of their own, and each checks that it received every
// packet of every tick, whole and in order. The same tick is also timed with the 50 clients
// connected but none logged in: the packets are composed and sent to nobody. The one-buffer
// limit is the same tick handed to 50 plain sockets as one buffer each, to the same readers; the
// program ends with the ratio of the two, measured in the same run.
//
//   fsd_bench [--benchmark_repetitions=N] [other Google Benchmark options]
#include "platform/Clock.h"
#include "proxy/app/MemoryControls.h"
#include "proxy/app/QuorvexDlg.h"
#include "proxy/fsd/FsdPackets.h"
#include "proxy/traffic/TrafficModel.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kAircraft = 5000;
constexpr int kClients = 50;
constexpr std::int64_t kNow = 1'700'000'000;
constexpr std::string_view kReady = "ready\r\n";

// 5,000 aircraft around Budapest, their positions 0 to 179 seconds old: a third or so are sent
// as stored, the rest dead-reckoned.
void FillTraffic(CQuorvexDlg& dlg)
{
    dlg.Traffic().SetReferencePointOnce(19.26, 47.43);
    for (int i = 0; i < kAircraft; ++i) {
        CTrackedAircraft aircraft;
        aircraft.hexId = std::to_string(0x3C0000 + i * 7);
        if (i % 4 != 0)
            aircraft.callsign = "WZZ" + std::to_string(1000 + i);
        aircraft.squawk = std::to_string(1000 + i % 7000);
        aircraft.position = { 16.0 + (i % 97) * 0.07, 45.5 + (i % 89) * 0.05, true };
        aircraft.lastPositionTime = kNow - i % 180;
        aircraft.altitude = 1000 + (i * 37) % 40000;
        aircraft.groundSpeed = 140 + i % 350;
        aircraft.track = (i * 13) % 360;
        dlg.Traffic().m_aircraftMap.Insert(aircraft.hexId, std::move(aircraft));
    }
}

// A radar client on a blocking socket, read by its own thread. After the server's "ready" text it
// compares every byte with the expected ticks and counts bytes and packets.
class Reader {
public:
    Reader(unsigned port, const std::string* tick, const std::vector<int>* packetsBefore,
        QThread* mainThread)
        : m_tick(tick)
        , m_packetsBefore(*packetsBefore)
        , m_mainThread(mainThread)
    {
        m_fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = m_fd >= 0
            && connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~Reader()
    {
        if (m_fd >= 0) {
            shutdown(m_fd, SHUT_RDWR);
            if (m_thread.joinable())
                m_thread.join();
            close(m_fd);
        }
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    bool Login(const std::string& callsign)
    {
        const std::string line = "#AA" + callsign + ":SERVER:Bench Reader:100000:3:100\r\n";
        return send(m_fd, line.data(), line.size(), 0) == static_cast<ssize_t>(line.size());
    }
    void Start()
    {
        m_thread = std::thread([this] { Run(); });
    }

    bool connected() const { return m_connected; }
    long long Bytes() const { return m_bytes.load(std::memory_order_acquire); }
    long long Packets() const { return m_packets.load(std::memory_order_acquire); }
    bool Intact() const { return !m_broken.load(); }

private:
    void Run()
    {
        std::vector<char> buffer(256 * 1024);
        std::string setup; // what came before "ready"
        bool ready = false;
        for (;;) {
            const ssize_t n = recv(m_fd, buffer.data(), buffer.size(), 0);
            if (n <= 0)
                return;
            std::string_view chunk(buffer.data(), static_cast<std::size_t>(n));
            if (!ready) {
                setup.append(chunk);
                const std::size_t at = setup.find(kReady);
                if (at == std::string::npos)
                    continue;
                ready = true;
                Check(std::string_view(setup).substr(at + kReady.size()));
                continue;
            }
            Check(chunk);
        }
    }

    // Compares with the ticks, which follow one another without a gap.
    void Check(std::string_view chunk)
    {
        long long bytes = m_bytes.load(std::memory_order_relaxed);
        long long packets = m_packets.load(std::memory_order_relaxed);
        const std::string& tick = *m_tick;
        while (!chunk.empty()) {
            const std::size_t at
                = static_cast<std::size_t>(bytes % static_cast<long long>(tick.size()));
            const std::size_t length = std::min(chunk.size(), tick.size() - at);
            if (std::memcmp(chunk.data(), tick.data() + at, length) != 0)
                m_broken = true;
            // Equal bytes hold equal packets: count them from the expected tick.
            packets += m_packetsBefore[at + length] - m_packetsBefore[at];
            bytes += static_cast<long long>(length);
            chunk.remove_prefix(length);
            if (bytes % static_cast<long long>(tick.size()) == 0) {
                m_bytes.store(bytes, std::memory_order_release);
                m_packets.store(packets, std::memory_order_release);
                QAbstractEventDispatcher::instance(m_mainThread)->wakeUp(); // a tick is complete
            }
        }
        m_bytes.store(bytes, std::memory_order_release);
        m_packets.store(packets, std::memory_order_release);
    }

    const std::string* m_tick;
    const std::vector<int>& m_packetsBefore; // packets that end before each offset of the tick
    QThread* m_mainThread;
    int m_fd = -1;
    bool m_connected = false;
    std::thread m_thread;
    std::atomic<long long> m_bytes { 0 };
    std::atomic<long long> m_packets { 0 };
    std::atomic<bool> m_broken { false };
};

// Runs the event loop until `done` holds; false after ten seconds. Between events it sleeps: the
// readers wake it when they complete a tick.
template <typename Done> bool RunUntil(Done done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    QTimer watchdog; // wakes the loop now and then, should a wake-up go astray
    watchdog.start(100);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void BroadcastTick(benchmark::State& state, bool loggedIn)
{
    platform::FakeClock clock(kNow);
    CMemoryControls controls;
    CQuorvexDlg dlg(controls);
    std::string address;
    unsigned port = 0;
    if (!dlg.Server().Start(0) || !dlg.Server().m_listenerSocket.GetSockName(address, port)) {
        state.SkipWithError("cannot listen on loopback");
        return;
    }
    FillTraffic(dlg);
    std::string tick;
    int tickPackets = 0;
    for (const auto& [key, aircraft] : dlg.Traffic().m_aircraftMap) {
        const std::string packet = ComposePilotPosition(aircraft, kNow, dlg.Traffic().Reference());
        tick += packet;
        tickPackets += packet.empty() ? 0 : 1;
    }

    std::vector<int> packetsBefore(tick.size() + 1, 0);
    for (std::size_t i = 0; i < tick.size(); ++i)
        packetsBefore[i + 1] = packetsBefore[i] + (tick[i] == '\n' ? 1 : 0);

    std::vector<std::unique_ptr<Reader>> readers;
    for (int i = 0; i < kClients; ++i) {
        readers.push_back(
            std::make_unique<Reader>(port, &tick, &packetsBefore, QThread::currentThread()));
        // One at a time: the listener's queue holds only five connections not yet accepted.
        if (!readers.back()->connected()
            || !RunUntil([&] { return dlg.Server().Clients().size() == readers.size(); })) {
            state.SkipWithError("a client cannot connect");
            return;
        }
        if (loggedIn && !readers.back()->Login("CLN" + std::to_string(i))) {
            state.SkipWithError("a client cannot log in");
            return;
        }
    }
    const auto settled = [&] {
        return !loggedIn
            || std::all_of(dlg.Server().Clients().begin(), dlg.Server().Clients().end(),
                [](const auto& client) { return !client->m_strCallsign.empty(); });
    };
    if (!RunUntil(settled)) {
        state.SkipWithError("the clients did not connect or log in");
        return;
    }
    for (auto& reader : readers)
        reader->Start();
    dlg.Server().SendServerText("ready");

    long long target = 0;
    for (auto _ : state) {
        dlg.OnTimer();
        if (!loggedIn)
            continue;
        target += static_cast<long long>(tick.size());
        const bool arrived = RunUntil([&] {
            return std::all_of(readers.begin(), readers.end(),
                [target](const auto& reader) { return reader->Bytes() >= target; });
        });
        if (!arrived) {
            state.SkipWithError("not every byte arrived");
            return;
        }
    }

    if (loggedIn) {
        const long long ticks = target / static_cast<long long>(tick.size());
        for (const auto& reader : readers) {
            if (!reader->Intact() || reader->Bytes() != target
                || reader->Packets() != ticks * tickPackets) {
                state.SkipWithError("a client lost, reordered or corrupted packets");
                return;
            }
        }
        state.counters["bytes_per_client"] = static_cast<double>(tick.size());
        state.SetBytesProcessed(
            state.iterations() * static_cast<long long>(tick.size()) * kClients);
    }
    state.counters["packets_per_client"] = tickPackets;
    state.counters["clients"] = kClients;
}

void BM_BroadcastTick(benchmark::State& state)
{
    BroadcastTick(state, true);
}
void BM_BroadcastTickNobodyLoggedIn(benchmark::State& state)
{
    BroadcastTick(state, false);
}

// The limit: every client gets the tick as one buffer, written straight to its socket, to the
// same readers. Nothing is composed or queued per packet.
void BM_OneBufferTick(benchmark::State& state)
{
    platform::FakeClock clock(kNow);
    CMemoryControls controls;
    CQuorvexDlg dlg(controls);
    FillTraffic(dlg);
    std::string tick;
    for (const auto& [key, aircraft] : dlg.Traffic().m_aircraftMap)
        tick += ComposePilotPosition(aircraft, kNow, dlg.Traffic().Reference());
    std::vector<int> packetsBefore(tick.size() + 1, 0);
    for (std::size_t i = 0; i < tick.size(); ++i)
        packetsBefore[i + 1] = packetsBefore[i] + (tick[i] == '\n' ? 1 : 0);

    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || listen(listener, kClients) != 0
        || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        state.SkipWithError("cannot listen on loopback");
        return;
    }
    std::vector<std::unique_ptr<Reader>> readers;
    std::vector<int> clients;
    const auto sendAll = [](int fd, std::string_view text) {
        while (!text.empty()) {
            const ssize_t n = send(fd, text.data(), text.size(), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            text.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    };
    bool ok = true;
    for (int i = 0; i < kClients && ok; ++i) {
        readers.push_back(std::make_unique<Reader>(
            ntohs(address.sin_port), &tick, &packetsBefore, QThread::currentThread()));
        const int fd = readers.back()->connected() ? accept(listener, nullptr, nullptr) : -1;
        ok = fd >= 0;
        if (ok)
            clients.push_back(fd);
    }
    close(listener);
    for (auto& reader : readers)
        reader->Start();
    for (const int fd : clients)
        ok = ok && sendAll(fd, kReady);

    long long target = 0;
    for (auto _ : state) {
        if (!ok)
            break;
        for (const int fd : clients)
            ok = ok && sendAll(fd, tick);
        target += static_cast<long long>(tick.size());
        ok = ok && RunUntil([&] {
            return std::all_of(readers.begin(), readers.end(),
                [target](const auto& reader) { return reader->Bytes() >= target; });
        });
    }
    for (const int fd : clients)
        close(fd);
    if (!ok || !std::all_of(readers.begin(), readers.end(), [](const auto& reader) {
            return reader->Intact();
        })) {
        state.SkipWithError("the one-buffer tick did not arrive whole");
        return;
    }
    state.counters["bytes_per_client"] = static_cast<double>(tick.size());
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(tick.size()) * kClients);
}

BENCHMARK(BM_BroadcastTick)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_BroadcastTickNobodyLoggedIn)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(0.5)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_OneBufferTick)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

// Keeps the median real and CPU time per tick of each benchmark for the summary.
class CMedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const std::string name = run.run_name.function_name;
            if ((median || (run.run_type == Run::RT_Iteration && !m_real.count(name)))
                && !run.error_occurred) {
                m_real[name] = run.GetAdjustedRealTime();
                m_cpu[name] = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Summary() const
    {
        const auto get = [](const std::map<std::string, double>& times, const char* name) {
            const auto it = times.find(name);
            return it == times.end() ? 0.0 : it->second;
        };
        const double tick = get(m_real, "BM_BroadcastTick");
        const double limit = get(m_real, "BM_OneBufferTick");
        const double tickCpu = get(m_cpu, "BM_BroadcastTick");
        const double limitCpu = get(m_cpu, "BM_OneBufferTick");
        std::printf("\nTick:       %.2f ms until every byte arrived (%.2f ms CPU of the loop)\n",
            tick, tickCpu);
        std::printf("One buffer: %.2f ms until every byte arrived (%.2f ms CPU of the loop)\n",
            limit, limitCpu);
        if (tick > 0.0 && limit > 0.0)
            std::printf("Ratio:      %.2f (tick / one buffer, wall time; target at most 2)\n",
                tick / limit);
    }

private:
    std::map<std::string, double> m_real;
    std::map<std::string, double> m_cpu;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CMedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.Summary();
    return 0;
}
