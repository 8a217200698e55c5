// What the status page costs the proxy. Three figures:
//  - BM_SnapshotAndRender: a snapshot of a window holding 5,000 aircraft, fed by HandleFeedLine,
//    and /aircraft.json rendered from it (what one poll costs the event loop at most, and so how
//    late it can make the timer tick);
//  - BM_AircraftJsonServed: GET /aircraft.json of 5,000 aircraft over loopback, a new snapshot
//    for every request, until the last byte has arrived;
//  - BM_TenBrowsersPolling: ten clients fetching /status.json and /aircraft.json every second
//    for five seconds; reports the process's CPU share. The clients run in the same process, so
//    the figure is an upper bound of the server's share.
//
//   status_bench [--benchmark_repetitions=5] [other Google Benchmark options]
#include "proxy/app/MemoryControls.h"
#include "proxy/app/QuorvexDlg.h"
#include "proxy/app/QuorvexStatus.h"
#include "proxy/status/StatusRender.h"
#include "proxy/status/StatusServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kAircraft = 5000;

// A window that has heard `count` aircraft: identity, position and velocity of each.
void Feed(CQuorvexDlg& dlg, int count)
{
    char line[256];
    const char* date = "2025/05/14,09:31:07.510,2025/05/14,09:31:07.531";
    for (int i = 0; i < count; ++i) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%06X", 0x3C0000 + i * 7);
        const double angle = i * 0.37;
        const double lat = 50.0 + 2.0 * std::cos(angle) * (i % 97) / 97.0;
        const double lon = 8.0 + 3.0 * std::sin(angle) * (i % 89) / 89.0;
        std::snprintf(line, sizeof line, "MSG,1,1,1,%s,1,%s,DLH%04d,,,,,,,,,,\r\n", hex, date, i);
        dlg.HandleFeedLine(line);
        std::snprintf(line, sizeof line, "MSG,3,1,1,%s,1,%s,,%d,,,%.5f,%.5f,,,0,0,0,0\r\n", hex,
            date, 1000 + i * 7 % 38000, lat, lon);
        dlg.HandleFeedLine(line);
        std::snprintf(line, sizeof line, "MSG,4,1,1,%s,1,%s,,,%d,%d,,,%d,,0,0,0,0\r\n", hex, date,
            200 + i % 300, i % 360, (i % 11 - 5) * 256);
        dlg.HandleFeedLine(line);
    }
}

struct CFedWindow {
    CMemoryControls controls;
    CQuorvexDlg dlg { controls };
    status::CLineRate rate;
    CFedWindow()
    {
        dlg.InsertAircraftListColumns();
        Feed(dlg, kAircraft);
    }
};

void RunLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// One keep-alive connection that fetches a document and reads its whole body.
class CPoller {
public:
    explicit CPoller(quint16 port)
    {
        QObject::connect(&m_socket, &QIODevice::readyRead, [this] { Poll(); });
        m_socket.connectToHost(QHostAddress::LocalHost, port);
    }

    void Get(const QByteArray& path)
    {
        m_socket.write("GET " + path + " HTTP/1.1\r\nHost: bench\r\n\r\n");
    }
    // Reads what has arrived; returns the number of complete responses so far. Cheap: the
    // headers are searched once per response, a body is only counted.
    int Poll()
    {
        for (;;) {
            if (m_nBodyLeft > 0) {
                const qint64 skipped = m_socket.skip(m_nBodyLeft);
                if (skipped <= 0)
                    return m_nResponses;
                m_nBodyLeft -= skipped;
                if (m_nBodyLeft == 0)
                    ++m_nResponses;
                continue;
            }
            if (!m_socket.canReadLine())
                return m_nResponses;
            const QByteArray line = m_socket.readLine();
            if (line.startsWith("Content-Length:"))
                m_nLength = line.mid(15).trimmed().toLongLong();
            if (line == "\r\n") {
                m_nBodyLeft = m_nLength;
                if (m_nBodyLeft == 0)
                    ++m_nResponses;
            }
        }
    }

private:
    QTcpSocket m_socket;
    qint64 m_nLength = 0;
    qint64 m_nBodyLeft = 0;
    int m_nResponses = 0;
};

void BM_SnapshotAndRender(benchmark::State& state)
{
    CFedWindow window;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const status::CStatusSnapshot snapshot
            = TakeStatusSnapshot(window.dlg, window.controls, window.rate);
        const std::string json = status::RenderAircraftJson(snapshot);
        bytes = json.size();
        benchmark::DoNotOptimize(json.data());
    }
    state.counters["aircraft"] = static_cast<double>(window.dlg.Traffic().m_aircraftMap.size());
    state.counters["json_bytes"] = static_cast<double>(bytes);
}

void BM_AircraftJsonServed(benchmark::State& state)
{
    CFedWindow window;
    status::CStatusServer server(
        [&] { return TakeStatusSnapshot(window.dlg, window.controls, window.rate); },
        [](const QHostAddress&) { return true; });
    QString error;
    const quint16 port = server.Listen(QHostAddress::LocalHost, 0, error);
    CPoller poller(port);
    int done = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        server.Invalidate();
        poller.Get("/aircraft.json");
        QElapsedTimer guard;
        guard.start();
        while (poller.Poll() == done && guard.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
        if (poller.Poll() == done) {
            state.SkipWithError("no answer");
            return;
        }
        ++done;
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}

double ProcessCpuSeconds()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void BM_TenBrowsersPolling(benchmark::State& state)
{
    CFedWindow window;
    status::CStatusServer server(
        [&] { return TakeStatusSnapshot(window.dlg, window.controls, window.rate); },
        [](const QHostAddress&) { return true; });
    QString error;
    const quint16 port = server.Listen(QHostAddress::LocalHost, 0, error);
    std::vector<std::unique_ptr<CPoller>> browsers;
    for (int i = 0; i < 10; ++i)
        browsers.push_back(std::make_unique<CPoller>(port));
    RunLoopFor(200);
    constexpr int kSeconds = 5;
    double share = 0.0;
    int responses = 0;
    for (auto _ : state) {
        const double cpuStart = ProcessCpuSeconds();
        // Each browser polls once a second, the ten spread over the second.
        std::vector<std::unique_ptr<QTimer>> timers;
        for (std::size_t i = 0; i < browsers.size(); ++i) {
            auto timer = std::make_unique<QTimer>();
            CPoller* browser = browsers[i].get();
            QObject::connect(timer.get(), &QTimer::timeout, [browser] {
                browser->Get("/status.json");
                browser->Get("/aircraft.json");
            });
            QTimer* raw = timer.get();
            QTimer::singleShot(static_cast<int>(i * 100), raw, [raw] { raw->start(1000); });
            timers.push_back(std::move(timer));
        }
        QElapsedTimer wall;
        wall.start();
        RunLoopFor(kSeconds * 1000);
        responses = 0;
        for (const auto& browser : browsers)
            responses += browser->Poll();
        share = (ProcessCpuSeconds() - cpuStart) / (static_cast<double>(wall.elapsed()) / 1000.0);
    }
    state.counters["cpu_share_percent"] = share * 100.0;
    state.counters["responses"] = responses;
}

} // namespace

BENCHMARK(BM_SnapshotAndRender)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AircraftJsonServed)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenBrowsersPolling)->Iterations(1)->Unit(benchmark::kSecond);
