// libFuzzer target: arbitrary bytes as the settings file of a stand board display, parsed as
// veltrix-host parses it and loaded by Stavo. An aircraft then stands on each of the first stands
// and one flies in, and the board is painted in a large and in a tiny window. The board's
// invariants must hold after the load and after the paints.
#include "HostFuzzSupport.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::CFuzzHost host;
    fuzz::Check(host.Open(fuzz::Text(data, size)), "a STAVO View display does not open");
    const CStavoScreen& board = *host.Board();
    fuzz::CheckBoard(board);

    constexpr std::size_t kStandsUsed = 4;
    for (std::size_t s = 0; s < std::min(board.m_Stands.size(), kStandsUsed); ++s) {
        host::PositionReport report;
        report.callsign = "STAND" + std::to_string(s);
        report.position = board.m_Stands[s].m_Position[0];
        report.pressureAltitude = 500;
        host.Session().ReportAircraft(report, nullptr, nullptr);
    }
    host::PositionReport inbound;
    inbound.callsign = "INBOUND";
    inbound.position.m_Latitude = (board.m_StandBox.minFirst + board.m_StandBox.maxFirst) / 2;
    inbound.position.m_Longitude = (board.m_StandBox.minSecond + board.m_StandBox.maxSecond) / 2;
    inbound.groundSpeed = 140;
    inbound.pressureAltitude = 2000;
    const std::string destination = board.m_Airport;
    host.Session().ReportAircraft(inbound, &destination, nullptr);

    host.Paint();
    fuzz::CheckBoard(board);
    host.Session().SetWindowSize({ 90, 130 });
    host.Paint();
    fuzz::CheckBoard(board);
    return 0;
}
