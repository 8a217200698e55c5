// One full refresh of a busy stand board into an offscreen image: 39 stand lines of two stands,
// every stand with an aircraft on it and two allocations, four final rows full. The board runs in
// the host as a user runs it: the built Stavo library loaded by the host's session, which
// delivers the reports and commands and paints every phase of the refresh.
#include "host/HostSession.h"
#include "platform/Clock.h"
#include "platform/PainterDeviceContext.h"
#include "platform/RecordingDeviceContext.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

constexpr int kLines = 39;
constexpr double kBaseLat = 47.43;
constexpr double kLon = 19.26;
constexpr double kStandSpacing = 0.002; // degrees of latitude, well over the stand radius

// The busy board: stand S<n> (label n + 1) on line n / 2, column n % 2, with aircraft ON<n>
// standing on it and the arrivals IN<n>A and IN<n>B allocated to it; every IN<n>A has a flight
// plan with its type. The arrivals fill the four final rows many times over.
class BusyBoard {
public:
    BusyBoard()
        : m_Session(host::CAirportTable::Parse("LHBP 47.4394 19.2619\n", nullptr),
            [](const std::string&) {})
    {
        const std::string library
            = QCoreApplication::applicationDirPath().toStdString() + "/../lib/libstavo.so";
        auto plugIn = host::CPlugInLibrary::Load(library, &m_Error);
        if (!plugIn)
            return;
        m_Session.UsePlugIn(std::move(plugIn));
        m_Session.SetWindowSize({ 1280, 1024 });
        std::string settings = "AIRPORT:LHBP\nFINAL:4\nLINES:" + std::to_string(kLines)
            + "\nSEPARATOR1:10\nSEPARATOR2:20\nSEPARATOR3:30\n";
        for (int n = 0; n < 2 * kLines; ++n) {
            char stand[96];
            std::snprintf(stand, sizeof stand, "STAND%d:S%d:%d:%d:%d:%.4f:%.4f\n", n + 1, n, n + 1,
                n % 2, n / 2, StandLat(n), kLon);
            settings += stand;
        }
        if (!m_Session.OpenDisplay(
                "STAVO View", host::CDisplaySettings::Parse(settings, nullptr), &m_Error))
            return;

        const std::string airport = "LHBP";
        const std::string type = "A320";
        for (int n = 0; n < 2 * kLines; ++n) {
            const std::string in = "IN" + std::to_string(n);
            Report("ON" + std::to_string(n), StandLat(n), 0, 0, nullptr, nullptr);
            Report(in + "A", kBaseLat - 0.1 - 0.001 * n, 180, 3000, &airport, &type);
            Report(in + "B", kBaseLat - 0.2 - 0.001 * n, 180, 3000, &airport, nullptr);
            m_Session.Command(".stavoarr S" + std::to_string(n) + " " + in + "A");
            m_Session.Command(".stavoarr S" + std::to_string(n) + " " + in + "B");
        }
        m_Ready = true;
    }

    bool Ready() const { return m_Ready; }
    const std::string& Error() const { return m_Error; }

    // One refresh; returns the number of screen objects it registered.
    int Refresh(platform::CDeviceContext& dc)
    {
        int objects = 0;
        m_Session.Paint(dc, [&objects](const host::ScreenObject&) { ++objects; });
        return objects;
    }

private:
    static double StandLat(int n) { return kBaseLat + kStandSpacing * n; }

    void Report(const std::string& callsign, double lat, int speed, int altitude,
        const std::string* destination, const std::string* type)
    {
        host::PositionReport report;
        report.callsign = callsign;
        report.position.m_Latitude = lat;
        report.position.m_Longitude = kLon;
        report.groundSpeed = speed;
        report.pressureAltitude = altitude;
        m_Session.ReportAircraft(report, destination, type);
    }

    host::CHostSession m_Session;
    std::string m_Error;
    bool m_Ready = false;
};

void BM_BoardRefreshIntoImage(benchmark::State& state)
{
    platform::FakeClock clock(1'700'000'000);
    BusyBoard board;
    if (!board.Ready()) {
        state.SkipWithError(board.Error().c_str());
        return;
    }
    QImage image(1280, 1024, QImage::Format_RGB32);
    // As the host's window paints: its text cache outlives each refresh's context.
    platform::CPainterTextCache cache;
    int objects = 0;
    for (auto _ : state) {
        QPainter painter(&image);
        platform::CPainterDeviceContext dc(painter, &cache);
        objects = board.Refresh(dc);
    }
    state.counters["objects"] = objects;
}
BENCHMARK(BM_BoardRefreshIntoImage)->Unit(benchmark::kMillisecond);
// Fixed counts, for counting instructions under callgrind: the difference between the two runs
// is 100 refreshes without the first one's shaping and font loading.
BENCHMARK(BM_BoardRefreshIntoImage)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BoardRefreshIntoImage)->Iterations(101)->Unit(benchmark::kMillisecond);

// The same refresh with nothing kept from the refresh before: every text shaped anew.
void BM_BoardRefreshIntoImageUncached(benchmark::State& state)
{
    platform::FakeClock clock(1'700'000'000);
    BusyBoard board;
    if (!board.Ready()) {
        state.SkipWithError(board.Error().c_str());
        return;
    }
    QImage image(1280, 1024, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        platform::CPainterDeviceContext dc(painter);
        board.Refresh(dc);
    }
}
BENCHMARK(BM_BoardRefreshIntoImageUncached)->Unit(benchmark::kMillisecond);

// The same refresh into the recorder behind veltrix-host's --dump: the board's own work without
// the painting.
void BM_BoardRefreshRecorded(benchmark::State& state)
{
    platform::FakeClock clock(1'700'000'000);
    BusyBoard board;
    if (!board.Ready()) {
        state.SkipWithError(board.Error().c_str());
        return;
    }
    for (auto _ : state) {
        platform::CRecordingDeviceContext dc;
        board.Refresh(dc);
        benchmark::DoNotOptimize(dc.Items().data());
    }
}
BENCHMARK(BM_BoardRefreshRecorded)->Unit(benchmark::kMillisecond);

} // namespace
