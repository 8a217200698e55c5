// How fast the proxy takes in an SBS feed: HandleFeedLine with the controls the window updates,
// against a bare baseline over the same lines (split at commas, one hash-map update, the numeric
// conversions, nothing else). Both run with 500 aircraft in the table and with 50,000. Prints
// the rates, their ratios and the memory held per aircraft.
//
//   feed_bench [--benchmark_repetitions=5] [other Google Benchmark options]
#include "platform/AsciiText.h"
#include "proxy/app/MemoryControls.h"
#include "proxy/app/QuorvexDlg.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

constexpr int kAircraft = 500; // a busy receiver
constexpr int kManyAircraft = 50'000; // a network of receivers
constexpr int kLines = 100'000;

struct Flight {
    std::string hexId;
    std::string callsign;
    double latitude;
    double longitude;
    int altitude;
    int speed;
    int track;
};

// `count` aircraft within about 250 NM of Budapest, each sending the usual mix of messages: mostly
// airborne positions and velocities, some altitudes and squawks, a callsign now and then.
std::vector<Flight> MakeFlights(int count)
{
    std::mt19937 random(1);
    std::uniform_real_distribution<double> lat(43.5, 51.5), lon(13.5, 25.0), unit(0.0, 1.0);
    std::vector<Flight> flights;
    const char* airlines[]
        = { "WZZ", "RYR", "DLH", "AUA", "LOT", "THY", "EZY", "AFR", "KLM", "SWR" };
    for (int i = 0; i < count; ++i) {
        char hexId[8];
        std::snprintf(hexId, sizeof hexId, "%06X", (0x3C0000 + i * 2477) & 0xFFFFFF);
        flights.push_back({ hexId, std::string(airlines[i % 10]) + std::to_string(100 + i * 7),
            lat(random), lon(random), 2000 + static_cast<int>(unit(random) * 37000),
            180 + static_cast<int>(unit(random) * 320), static_cast<int>(unit(random) * 360) });
    }
    return flights;
}

std::vector<std::string> MakeFeed(std::vector<Flight>& flights)
{
    std::mt19937 random(2);
    std::vector<std::string> lines;
    lines.reserve(kLines);
    char line[256];
    for (int n = 0; n < kLines; ++n) {
        Flight& f = flights[random() % flights.size()];
        f.latitude += 0.0004 * std::cos(f.track * 0.0174533);
        f.longitude += 0.0006 * std::sin(f.track * 0.0174533);
        const char* head = "1,1"; // session and aircraft ids
        const char* date = "2025/05/14,09:31:07.510,2025/05/14,09:31:07.531";
        const unsigned kind = random() % 100;
        if (kind < 3)
            std::snprintf(line, sizeof line, "MSG,1,%s,%s,1,%s,%s,,,,,,,,,,,\r\n", head,
                f.hexId.c_str(), date, f.callsign.c_str());
        else if (kind < 5)
            std::snprintf(line, sizeof line, "MSG,2,%s,%s,1,%s,,0,12,%d,%.5f,%.5f,,,,,,-1\r\n",
                head, f.hexId.c_str(), date, f.track, f.latitude, f.longitude);
        else if (kind < 45)
            std::snprintf(line, sizeof line, "MSG,3,%s,%s,1,%s,,%d,,,%.5f,%.5f,,,0,0,0,0\r\n", head,
                f.hexId.c_str(), date, f.altitude, f.latitude, f.longitude);
        else if (kind < 75)
            std::snprintf(line, sizeof line, "MSG,4,%s,%s,1,%s,,,%d,%d,,,%d,,0,0,0,0\r\n", head,
                f.hexId.c_str(), date, f.speed, f.track, (kind % 3 == 0) ? -640 : 0);
        else if (kind < 85)
            std::snprintf(line, sizeof line, "MSG,5,%s,%s,1,%s,,%d,,,,,,,0,,0,0\r\n", head,
                f.hexId.c_str(), date, f.altitude);
        else if (kind < 88)
            std::snprintf(line, sizeof line, "MSG,6,%s,%s,1,%s,,%d,,,,,,%04o,0,0,0,0\r\n", head,
                f.hexId.c_str(), date, f.altitude, static_cast<unsigned>(n % 4096));
        else if (kind < 96)
            std::snprintf(line, sizeof line, "MSG,7,%s,%s,1,%s,,%d,,,,,,,,,,0\r\n", head,
                f.hexId.c_str(), date, f.altitude);
        else
            std::snprintf(line, sizeof line, "MSG,8,%s,%s,1,%s,,,,,,,,,,,,0\r\n", head,
                f.hexId.c_str(), date);
        lines.emplace_back(line);
    }
    return lines;
}

struct Data {
    explicit Data(int count)
        : flights(MakeFlights(count))
        , lines(MakeFeed(flights))
    {
    }
    std::vector<Flight> flights;
    std::vector<std::string> lines;
};

// The flights and the feed of each table size, made once.
const Data& TheData(int count)
{
    static std::map<int, Data> data;
    auto it = data.find(count);
    if (it == data.end())
        it = data.emplace(count, Data(count)).first;
    return it->second;
}

// A table that has heard every aircraft at least once, however many lines the feed holds.
void WarmUp(CQuorvexDlg& dlg, const Data& data, std::string& buffer)
{
    char line[256];
    for (const Flight& f : data.flights) {
        std::snprintf(line, sizeof line,
            "MSG,8,1,1,%s,1,2025/05/14,09:31:07.510,2025/05/14,09:31:07.531,,,,,,,,,,,,0\r\n",
            f.hexId.c_str());
        buffer.assign(line);
        dlg.HandleFeedLine(buffer.data());
    }
}

// Registrations, types and flight plans for every aircraft, as loaded from the lookup files.
// Inserted in key order, so that each insertion appends (50,000 rows in any other order would
// take minutes to insert).
void FillLookupTables(CQuorvexDlg& dlg, const Data& data)
{
    std::vector<CIcaoDataElement> registrations, types, plans;
    for (const Flight& f : data.flights) {
        CIcaoDataElement row;
        row.key = f.hexId;
        row.column[0] = "HA-" + f.hexId.substr(3);
        registrations.push_back(row);
        row.key = row.column[0];
        row.column[0] = "operator";
        row.column[1] = "A320";
        types.push_back(row);
        row.key = f.callsign;
        const char* plan[] = { "A320", "N0450", "LHBP", "0610", "EGLL", "FL360",
            "BADOV1R BADOV UL851 SASAL UM984 TOSPA" };
        for (int c = 0; c < 7; ++c)
            row.column[c] = plan[c];
        plans.push_back(row);
    }
    const auto insert = [](CIcaoDataTable& table, std::vector<CIcaoDataElement>& rows) {
        std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
            return platform::CompareAsciiNoCase(a.key, b.key) < 0;
        });
        for (const CIcaoDataElement& row : rows)
            table.InsertSorted(row);
    };
    insert(dlg.Traffic().m_icao24Table, registrations);
    insert(dlg.Traffic().m_aircraftsTable, types);
    insert(dlg.Traffic().m_flightplansTable, plans);
}

// Controls that count rows and keep nothing else: to tell the table's memory from the list's.
class CCountingControls : public platform::CDialogControls {
public:
    void SetWindowText(int, std::string_view) override { }
    std::string GetWindowText(int) const override { return {}; }
    void EnableWindow(int, bool) override { }
    bool IsWindowEnabled(int) const override { return true; }
    void ListInsertColumn(int, int, std::string_view) override { }
    int ListGetItemCount(int) const override { return m_rows; }
    void ListInsertItem(int, int, std::string_view) override { ++m_rows; }
    void ListSetItemText(int, int, int, std::string_view) override { }
    void ListDeleteItem(int, int) override { --m_rows; }
    void MessageBox(std::string_view) override { }

private:
    int m_rows = 0;
};

// The lines as the feed connection hands them over: one receive of about 64 KiB at a time, after
// which the window's texts are brought up to date.
void FeedAll(CQuorvexDlg& dlg, const Data& data, std::string& buffer)
{
    constexpr std::size_t kReceive = 64 * 1024;
    std::size_t received = 0;
    for (const std::string& line : data.lines) {
        buffer.assign(line);
        dlg.HandleFeedLine(buffer.data());
        received += line.size();
        if (received >= kReceive) {
            dlg.ShowFeedCounters();
            received = 0;
        }
    }
    dlg.ShowFeedCounters();
}

void BM_HandleFeedLine(benchmark::State& state)
{
    const Data& data = TheData(static_cast<int>(state.range(0)));
    CMemoryControls controls;
    CQuorvexDlg dlg(controls);
    dlg.InsertAircraftListColumns();
    FillLookupTables(dlg, data);
    std::string buffer;
    buffer.reserve(1024);
    WarmUp(dlg, data, buffer); // every aircraft known, as on a feed that has run for a while
    FeedAll(dlg, data, buffer);
    for (auto _ : state)
        FeedAll(dlg, data, buffer);
    state.SetItemsProcessed(state.iterations() * kLines);
    if (dlg.Traffic().m_aircraftMap.size() != data.flights.size())
        state.SkipWithError("the feed did not reach every aircraft");
}

// The bare minimum any SBS reader does per line.
struct BareRecord {
    int altitude = 0;
    int speed = 0;
    int track = 0;
    int verticalRate = 0;
    double latitude = 0.0;
    double longitude = 0.0;
};

struct BareHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept
    {
        return std::hash<std::string_view> {}(text);
    }
};

template <typename T> void Convert(std::string_view text, T& value)
{
    if (!text.empty())
        std::from_chars(text.data(), text.data() + text.size(), value);
}

void BM_Baseline(benchmark::State& state)
{
    const Data& data = TheData(static_cast<int>(state.range(0)));
    std::unordered_map<std::string, BareRecord, BareHash, std::equal_to<>> table;
    for (const Flight& f : data.flights)
        table.emplace(f.hexId, BareRecord {});
    std::string buffer;
    buffer.reserve(1024);
    std::string_view fields[32];
    for (auto _ : state) {
        for (const std::string& line : data.lines) {
            buffer.assign(line);
            // One pass: fields end at commas, the line at its CR or LF.
            int count = 0;
            const char* start = buffer.data();
            for (const char* p = start;; ++p) {
                if (*p == ',' || *p == '\r' || *p == '\n' || *p == '\0') {
                    fields[count++] = std::string_view(start, static_cast<std::size_t>(p - start));
                    if (*p != ',' || count == 32)
                        break;
                    start = p + 1;
                }
            }
            if (count < 22)
                continue;
            auto it = table.find(fields[4]);
            if (it == table.end())
                it = table.emplace(std::string(fields[4]), BareRecord {}).first;
            BareRecord& r = it->second;
            Convert(fields[11], r.altitude);
            Convert(fields[12], r.speed);
            Convert(fields[13], r.track);
            Convert(fields[14], r.latitude);
            Convert(fields[15], r.longitude);
            Convert(fields[16], r.verticalRate);
        }
        benchmark::DoNotOptimize(table);
    }
    state.SetItemsProcessed(state.iterations() * kLines);
}

BENCHMARK(BM_HandleFeedLine)
    ->ArgName("aircraft")
    ->Arg(kAircraft)
    ->Arg(kManyAircraft)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Baseline)
    ->ArgName("aircraft")
    ->Arg(kAircraft)
    ->Arg(kManyAircraft)
    ->Unit(benchmark::kMillisecond);

// Keeps the line rate of each benchmark (the median when repeated) for the summary.
class CRateReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median)
                continue;
            const auto it = run.counters.find("items_per_second");
            if (it == run.counters.end())
                continue;
            const std::string name = run.run_name.function_name + "/" + run.run_name.args;
            if (median || !m_median.count(name))
                m_rates[name] = it->second.value;
            if (median)
                m_median[name] = true;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double Rate(const std::string& name) const
    {
        const auto it = m_rates.find(name);
        return it == m_rates.end() ? 0.0 : it->second;
    }

private:
    std::map<std::string, double> m_rates;
    std::map<std::string, bool> m_median;
};

// Heap bytes in use, from the C library's allocator.
std::size_t HeapInUse()
{
    return mallinfo2().uordblks;
}

// Heap bytes held per aircraft once every aircraft has been heard, enriched from the lookup
// tables (whose own rows are not counted).
template <typename Controls> double BytesPerAircraft()
{
    const Data& data = TheData(kAircraft);
    Controls controls;
    CQuorvexDlg dlg(controls);
    dlg.InsertAircraftListColumns();
    FillLookupTables(dlg, data);
    std::string buffer;
    buffer.reserve(1024);
    const std::size_t before = HeapInUse();
    FeedAll(dlg, data, buffer);
    const std::size_t after = HeapInUse();
    return static_cast<double>(after - before)
        / static_cast<double>(dlg.Traffic().m_aircraftMap.size());
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    CRateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    for (const auto& [count, target] : { std::pair { kAircraft, 0.6 }, { kManyAircraft, 0.5 } }) {
        const std::string args = "/aircraft:" + std::to_string(count);
        const double parser = reporter.Rate("BM_HandleFeedLine" + args);
        const double baseline = reporter.Rate("BM_Baseline" + args);
        if (parser <= 0.0 && baseline <= 0.0)
            continue;
        std::printf("\n%d aircraft:\n", count);
        std::printf("HandleFeedLine: %.2f million lines/s\n", parser / 1e6);
        std::printf("Baseline:       %.2f million lines/s\n", baseline / 1e6);
        if (parser > 0.0 && baseline > 0.0)
            std::printf("Ratio:          %.2f (HandleFeedLine / baseline; target at least %.1f)\n",
                parser / baseline, target);
    }
    std::printf("Memory per aircraft: %.0f bytes in the table, %.0f bytes with its list row "
                "(%d aircraft)\n",
        BytesPerAircraft<CCountingControls>(), BytesPerAircraft<CMemoryControls>(), kAircraft);
    return 0;
}
