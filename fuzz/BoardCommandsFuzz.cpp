// libFuzzer target: ".stavo" commands and drag and drop on the sample stand board with traffic
// on it. One action a line:
//   .stavo...        typed into the host's command line
//   g ID             mouse press on the centre of screen object ID of the last refresh
//   m X Y / r X Y    mouse move / release at window pixel X Y
//   s NAME           mouse release on the centre of stand NAME's cell
//   a CALLSIGN ...   an aircraft report, the rest as the script's "aircraft" event reads it
//   w SECONDS        time passes (at most two minutes a line)
// The board is repainted when it asks for it, and its invariants hold after every line.
#include "HostFuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace {

// Departures on stands 31 and 32, one arrival taxiing in, two on final; some stands allocated.
constexpr std::string_view kTraffic = R"(aircraft DLH1678 47.43600 19.24870 0 500 EDDF A319
aircraft WZZ2451 47.43519 19.24940 0 500 EGGW A21N
aircraft AFR1394 47.3300 19.4300 190 5500 LHBP A20N
aircraft WZZ3017 47.3950 19.3400 140 2000 LHBP A21N
aircraft RYR83MK 47.4300 19.2700 20 500 LHBP B38M
command .stavoarr 33 WZZ3017
command .stavodep 31 DLH1678
command .stavodep 32
refresh
)";

std::optional<platform::Point> PointOf(std::string_view arguments)
{
    const std::vector<std::string_view> words = host::SplitWords(arguments);
    if (words.size() != 2)
        return std::nullopt;
    const auto x = host::ParseInteger<int>(words[0]);
    const auto y = host::ParseInteger<int>(words[1]);
    if (!x || !y)
        return std::nullopt;
    return platform::Point { *x, *y };
}

void Act(fuzz::CFuzzHost& host, std::string_view line)
{
    if (line.starts_with('.')) {
        host.Command(std::string(line));
        return;
    }
    if (line.size() < 2 || line[1] != ' ')
        return;
    const std::string_view rest = line.substr(2);
    host::CHostSession& session = host.Session();
    switch (line[0]) {
    case 'g':
        for (const auto& display : session.Displays()) {
            if (const host::ScreenObject* object = display->Objects().FindById(rest))
                session.MousePress(host::CentreOf(object->area));
        }
        break;
    case 'm':
    case 'r':
        if (const auto point = PointOf(rest))
            line[0] == 'm' ? session.MouseMove(*point) : session.MouseRelease(*point);
        break;
    case 's': {
        const CStavoScreen& board = *host.Board();
        if (const int stand = board.FindStandByName(rest); stand >= 0)
            session.MouseRelease(host::CentreOf(board.m_Stands[stand].m_Area));
        break;
    }
    case 'a': {
        const host::ScriptLine parsed = host::ParseScriptLine("aircraft " + std::string(rest));
        if (const auto* event = std::get_if<host::ScriptEvent>(&parsed))
            host.Aircraft(*event, nullptr);
        break;
    }
    case 'w':
        if (const auto seconds = host::ParseNumber(rest); seconds && *seconds >= 0)
            host.Wait(*seconds);
        break;
    default:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string sampleBoard = fuzz::ReadSample("lhbp.asr");
    fuzz::CFuzzHost host;
    fuzz::Check(host.Open(sampleBoard), "the sample board does not open");
    for (const std::string_view line : fuzz::Lines(kTraffic)) {
        const host::ScriptLine parsed = host::ParseScriptLine(line);
        const auto* event = std::get_if<host::ScriptEvent>(&parsed);
        fuzz::Check(event != nullptr, "the traffic prelude does not parse");
        if (event->kind == host::ScriptEvent::Kind::Aircraft)
            host.Aircraft(*event, nullptr);
        else if (event->kind == host::ScriptEvent::Kind::Command)
            host.Command(event->text);
        else
            host.Refresh();
    }
    const CStavoScreen& board = *host.Board();
    fuzz::CheckBoard(board);
    for (const std::string_view line : fuzz::Lines(fuzz::Text(data, size))) {
        Act(host, line);
        host.ServePendingRefresh();
        fuzz::CheckBoard(board);
    }
    return 0;
}
