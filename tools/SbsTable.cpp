// sbs-table: runs a recorded SBS-1 feed through the proxy's parser and prints the aircraft table,
// the way the proxy's window would show it after a replay.
#include "platform/Clock.h"
#include "platform/ProgramConsole.h"
#include "platform/ProjectVersion.h"
#include "proxy/app/MemoryControls.h"
#include "proxy/app/QuorvexDlg.h"
#include "proxy/fsd/FsdPackets.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage
    = "usage: sbs-table [--at \"YYYY/MM/DD HH:MM:SS\"] [--packets] FEED\n"
      "\n"
      "Feeds every line of FEED (a recorded SBS-1 BaseStation feed) to the proxy's parser, as a\n"
      "replay does, and prints the line counters, the last accepted line and the aircraft list,\n"
      "with the type and flight plan each aircraft got from the lookup files icao24.txt,\n"
      "aircrafts.txt and flightplans.txt of the working directory (missing files are no error).\n"
      "\n"
      "  --at TIME    run at this local time instead of now. Lines that lack the leading fields\n"
      "               are accepted only when they carry the current date, so replay a recording\n"
      "               at its own date to see them accepted.\n"
      "  --packets    also print the packets sent to FSD clients (none are connected here)\n"
      "  --help       show this text\n"
      "  --version    show the version\n";

// A mistake on the command line, named as the project's programs name it; exit status 2.
int Refuse(const std::string& message)
{
    std::fprintf(stderr, "sbs-table: %s\nTry 'sbs-table --help'.\n", message.c_str());
    return 2;
}

// The packets the FSD clients would be sent as the table changes, kept for printing.
class CPacketRecorder final : public CTrafficListener {
public:
    void OnCallsignKnown(const CTrackedAircraft& /*aircraft*/, std::string_view oldName) override
    {
        packets.push_back(ComposeDeletePilot(oldName));
    }
    std::vector<std::string> packets;
};

std::optional<std::int64_t> ParseLocalTime(const char* text)
{
    std::tm local {};
    char extra = 0;
    if (std::sscanf(text, "%d/%d/%d %d:%d:%d%c", &local.tm_year, &local.tm_mon, &local.tm_mday,
            &local.tm_hour, &local.tm_min, &local.tm_sec, &extra)
        != 6)
        return std::nullopt;
    local.tm_year -= 1900;
    local.tm_mon -= 1;
    local.tm_isdst = -1;
    const std::time_t time = std::mktime(&local);
    if (time == static_cast<std::time_t>(-1))
        return std::nullopt;
    return static_cast<std::int64_t>(time);
}

void PrintTable(const std::vector<std::vector<std::string>>& rows)
{
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], row[c].size());
    }
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size())
                line += std::string(widths[c] - row[c].size() + 2, ' ');
        }
        std::printf("%s\n", line.c_str());
    }
}

// The line as it would show in a one-line edit field: line ends written as \r and \n.
std::string Visible(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    platform::UseBinaryStandardStreams();
    const char* feedName = nullptr;
    const char* at = nullptr;
    bool showPackets = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::printf("sbs-table %s\n", kProjectVersion);
            return 0;
        }
        if (argument == "--at" || argument.starts_with("--at=")) {
            if (argument == "--at" && i + 1 >= argc)
                return Refuse("--at needs a value");
            at = argument == "--at" ? argv[++i] : argv[i] + 5;
        } else if (argument == "--packets") {
            showPackets = true;
        } else if (argument.starts_with("--packets=")) {
            return Refuse("--packets takes no value");
        } else if (argument.starts_with("-") && argument != "-") {
            return Refuse("unknown option '" + argument + "'");
        } else if (feedName == nullptr) {
            feedName = argv[i];
        } else {
            return Refuse("unexpected argument '" + argument + "'");
        }
    }
    if (feedName == nullptr)
        return Refuse("no feed file given");

    std::unique_ptr<platform::FakeClock> clock;
    if (at != nullptr) {
        const auto time = ParseLocalTime(at);
        if (!time) {
            return Refuse(std::string("--at takes \"YYYY/MM/DD HH:MM:SS\", not ") + at);
        }
        clock = std::make_unique<platform::FakeClock>(*time);
    }

    std::FILE* feed = std::fopen(feedName, "rb");
    if (feed == nullptr) {
        std::fprintf(stderr, "sbs-table: cannot open '%s': %s\n", feedName, std::strerror(errno));
        return 1;
    }
    CMemoryControls controls;
    CQuorvexDlg dlg(controls);
    CPacketRecorder recorder;
    CTrafficModel& traffic = dlg.Traffic();
    traffic.AddListener(recorder);
    dlg.InsertAircraftListColumns();
    dlg.LoadLookupFiles();
    std::printf("Lookup files: %d registrations, %d aircraft types, %d flight plans\n",
        traffic.m_icao24Table.GetSize(), traffic.m_aircraftsTable.GetSize(),
        traffic.m_flightplansTable.GetSize());

    // Read as the replay does: pieces of at most 255 characters, each handled as a line.
    char line[256];
    while (std::fgets(line, sizeof line, feed) != nullptr)
        dlg.HandleFeedLine(line);
    std::fclose(feed);
    dlg.ShowFeedCounters();

    std::printf("Lines: %s (received / accepted)\n", controls.GetWindowText(kIdLineCount).c_str());
    std::printf("Last accepted line: %s\n\n", Visible(controls.GetWindowText(kIdLastLine)).c_str());

    const auto& list = controls.List(kIdAircraftList);
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header(list.headers.begin(), list.headers.end());
    for (const char* extra : { "Type", "From", "To", "Level", "Route" })
        header.emplace_back(extra);
    rows.push_back(header);
    std::vector<const CTrackedAircraft*> byRow(list.rows.size(), nullptr);
    for (const auto& [key, aircraft] : traffic.m_aircraftMap)
        byRow.at(static_cast<std::size_t>(aircraft.arrivalIndex)) = &aircraft;
    for (std::size_t r = 0; r < list.rows.size(); ++r) {
        std::vector<std::string> row(list.rows[r].begin(), list.rows[r].end());
        row.resize(kAircraftListColumns);
        const CTrackedAircraft& aircraft = *byRow[r];
        for (const std::string* text : { &aircraft.aircraftType, &aircraft.departure,
                 &aircraft.destination, &aircraft.cruiseAltitude, &aircraft.route })
            row.push_back(*text);
        rows.push_back(std::move(row));
    }
    PrintTable(rows);
    std::printf("\n%zu aircraft\n", list.rows.size());
    if (showPackets) {
        std::printf("\nPackets to FSD clients:\n");
        for (const auto& packet : recorder.packets)
            std::printf("  %s\n", Visible(packet).c_str());
    }
    return 0;
}
