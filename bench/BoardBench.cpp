// One full refresh of a busy stand board into an offscreen image: 39 stand lines of two stands,
// every stand with an aircraft on it and two allocations, four final rows full.
#include "host/HostInterface.h"
#include "platform/Clock.h"
#include "platform/PainterDeviceContext.h"
#include "platform/RecordingDeviceContext.h"
#include "plugin/model/StavoScreen.h"
#include "plugin/model/StavoText.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kLines = 39;
constexpr double kBaseLat = 47.43;
constexpr double kLon = 19.26;
constexpr double kStandSpacing = 0.002; // degrees of latitude, well over the stand radius

class BenchDisplay final : public VeltrixPlugIn::CHostDisplay {
public:
    const char* GetDataFromAsr(const char* key) override
    {
        const auto it = settings.find(key);
        return it != settings.end() ? it->second.c_str() : nullptr;
    }
    platform::Rect GetRadarArea() const override { return { 0, 0, 1280, 960 }; }
    platform::Rect GetChatArea() const override { return { 0, 960, 1280, 1024 }; }
    void AddScreenObject(int, const char* id, platform::Rect, bool, const char*) override
    {
        objects.emplace_back(id);
    }
    void RequestRefresh() override { }

    std::map<std::string, std::string> settings;
    std::vector<std::string> objects;
};

class BenchServices final : public VeltrixPlugIn::CHostServices {
public:
    VeltrixPlugIn::CAircraft AircraftSelect(const char* callsign) const override
    {
        const auto it = aircraft.find(stavo::ToUpperAscii(callsign));
        return it != aircraft.end() ? VeltrixPlugIn::CAircraft(it->second)
                                    : VeltrixPlugIn::CAircraft();
    }

    std::map<std::string, std::shared_ptr<VeltrixPlugIn::HostAircraft>> aircraft;
};

struct CloseScreen {
    void operator()(CStavoScreen* screen) const { screen->OnDisplayClosing(); }
};

// The busy board: stand k of line i at column k % 2 with aircraft ON<n> standing on it and
// arrivals IN<n>A and IN<n>B allocated to it, all of them known to the host.
class BusyBoard {
public:
    BusyBoard()
    {
        m_PlugIn.SetHostServices(&m_Services);
        m_Screen->AttachToHost(&m_Display, &m_PlugIn);
        m_Display.settings
            = { { "AIRPORT", "LHBP" }, { "FINAL", "4" }, { "LINES", std::to_string(kLines) },
                  { "SEPARATOR1", "10" }, { "SEPARATOR2", "20" }, { "SEPARATOR3", "30" } };
        for (int n = 0; n < 2 * kLines; ++n) {
            char value[96];
            std::snprintf(value, sizeof value, "S%d:%d:%d:%d:%.4f:%.4f", n, n + 1, n % 2, n / 2,
                StandLat(n), kLon);
            m_Display.settings["STAND" + std::to_string(n + 1)] = value;
        }
        m_Screen->OnDisplaySettingsLoaded(true);

        for (int n = 0; n < 2 * kLines; ++n) {
            const std::string stand = "S" + std::to_string(n);
            const std::string in = "IN" + std::to_string(n);
            Report("ON" + std::to_string(n), 0, 0, StandLat(n), "", 0.0);
            Report(in + "A", 180, 3000, kBaseLat - 0.1, "LHBP", 5.0 + n);
            Report(in + "B", 180, 3000, kBaseLat - 0.1, "LHBP", 100.0 + n);
            m_Screen->AllocateArrival(stand, in + "A");
            m_Screen->AllocateArrival(stand, in + "B");
            m_Services.aircraft[in + "A"]->flightPlanReceived = true;
            m_Services.aircraft[in + "A"]->aircraftType = "A320";
        }
    }

    void Refresh(platform::CDeviceContext& dc)
    {
        m_Display.objects.clear();
        m_Screen->OnPaintDisplay(&dc, 1);
    }

    std::size_t Objects() const { return m_Display.objects.size(); }

private:
    static double StandLat(int n) { return kBaseLat + kStandSpacing * n; }

    void Report(const std::string& callsign, int speed, int altitude, double lat,
        const std::string& destination, double distance)
    {
        auto data = std::make_shared<VeltrixPlugIn::HostAircraft>();
        data->callsign = callsign;
        data->groundSpeed = speed;
        data->pressureAltitude = altitude;
        data->position.m_Latitude = lat;
        data->position.m_Longitude = kLon;
        data->destination = destination;
        data->distanceToDestination = distance;
        m_Services.aircraft[callsign] = data;
        m_Screen->OnAircraftPositionUpdate(VeltrixPlugIn::CAircraft(data));
    }

    BenchDisplay m_Display;
    BenchServices m_Services;
    VeltrixPlugIn::CPlugIn m_PlugIn { 8, "bench", "1.0", "", "" };
    std::unique_ptr<CStavoScreen, CloseScreen> m_Screen { new CStavoScreen };
};

void BM_BoardRefreshIntoImage(benchmark::State& state)
{
    platform::FakeClock clock(1'700'000'000);
    BusyBoard board;
    QImage image(1280, 1024, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        platform::CPainterDeviceContext dc(painter);
        board.Refresh(dc);
    }
    state.counters["objects"] = static_cast<double>(board.Objects());
}
BENCHMARK(BM_BoardRefreshIntoImage)->Unit(benchmark::kMillisecond);

// The same refresh into the recorder behind veltrix-host's --dump: the board's own work without
// the painting.
void BM_BoardRefreshRecorded(benchmark::State& state)
{
    platform::FakeClock clock(1'700'000'000);
    BusyBoard board;
    for (auto _ : state) {
        platform::CRecordingDeviceContext dc;
        board.Refresh(dc);
        benchmark::DoNotOptimize(dc.Items().data());
    }
}
BENCHMARK(BM_BoardRefreshRecorded)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
