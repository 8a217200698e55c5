// Position reports per second through a stand board's tracking: 300 aircraft on the ground
// around an airport of 150 stands, and the same with 100,000, where a report should cost about
// as much. Every report is slow and low enough to walk the stands, and its distance changes so
// that the record moves within the tracked list.
#include "plugin/model/StavoScreen.h"
#include "veltrix/HostInterface.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kStands = 150;
constexpr int kReports = 2400; // made up front: 8 per aircraft for 300, at least 2 each
constexpr double kBaseLat = 47.43, kBaseLon = 19.26;
constexpr double kStandSpacing = 0.002; // degrees between neighbouring stands

class SettingsDisplay : public VeltrixPlugIn::CHostDisplay {
public:
    const char* GetDataFromAsr(const char* key) override
    {
        const auto it = settings.find(key);
        return it == settings.end() ? nullptr : it->second.c_str();
    }
    platform::Rect GetRadarArea() const override { return {}; }
    platform::Rect GetChatArea() const override { return {}; }
    void AddScreenObject(int, const char*, platform::Rect, bool, const char*) override { }
    void RequestRefresh() override { }

    std::map<std::string, std::string> settings;
};

struct CloseScreen {
    void operator()(CStavoScreen* screen) const { screen->OnDisplayClosing(); }
};

double StandLat(int i)
{
    return kBaseLat + (i / 2) * kStandSpacing;
}
double StandLon(int i)
{
    return kBaseLon + (i % 2) * kStandSpacing;
}

void TrackingReports(benchmark::State& state)
{
    const int aircraftCount = static_cast<int>(state.range(0));
    const int reportsPerAircraft = std::max(2, kReports / aircraftCount);
    SettingsDisplay display;
    display.settings["AIRPORT"] = "LHBP";
    for (int i = 0; i < kStands; ++i) {
        display.settings["STAND" + std::to_string(i + 1)] = "S" + std::to_string(i) + ":S"
            + std::to_string(i) + ":" + std::to_string(i % 2) + ":" + std::to_string(i / 2) + ":"
            + std::to_string(StandLat(i)) + ":" + std::to_string(StandLon(i));
    }
    std::unique_ptr<CStavoScreen, CloseScreen> screen(new CStavoScreen);
    VeltrixPlugIn::CHostAccess::AttachToHost(*screen, &display, nullptr);
    screen->OnDisplaySettingsLoaded(true);

    // Reports made up front, as the host hands them over: half of them at a stand, half between
    // stands, each with its own distance to destination.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> stand(0, kStands - 1);
    std::uniform_real_distribution<double> distance(0.0, 3.0);
    std::vector<VeltrixPlugIn::CAircraft> reports;
    for (int r = 0; r < reportsPerAircraft; ++r) {
        for (int a = 0; a < aircraftCount; ++a) {
            auto data = std::make_shared<VeltrixPlugIn::HostAircraft>();
            const int s = stand(random);
            const double offset = r % 2 == 0 ? 0.0 : kStandSpacing / 2;
            data->callsign = "ACF" + std::to_string(a);
            data->groundSpeed = r % 2 == 0 ? 0 : 3;
            data->pressureAltitude = 400;
            data->position.m_Latitude = StandLat(s) + offset;
            data->position.m_Longitude = StandLon(s);
            data->destination = "LHBP";
            data->distanceToDestination = distance(random);
            reports.push_back(VeltrixPlugIn::CHostAccess::MakeAircraft(data));
        }
    }
    for (const VeltrixPlugIn::CAircraft& report : reports)
        screen->OnAircraftPositionUpdate(report);
    if (screen->m_TrackedAircraft.size() != static_cast<std::size_t>(aircraftCount))
        state.SkipWithError("not every aircraft is tracked");

    std::size_t next = 0;
    for (auto _ : state) {
        screen->OnAircraftPositionUpdate(reports[next]);
        next = next + 1 == reports.size() ? 0 : next + 1;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["tracked"] = static_cast<double>(screen->m_TrackedAircraft.size());
}
BENCHMARK(TrackingReports)->ArgName("aircraft")->Arg(300)->Arg(100'000);

} // namespace

BENCHMARK_MAIN();
