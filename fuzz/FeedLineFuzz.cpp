// libFuzzer target: arbitrary bytes as feed lines. No input may crash the parser or leave the
// aircraft list out of step with the table.
#include "ProxyFuzzSupport.h"
#include "platform/Clock.h"
#include "proxy/app/MemoryControls.h"
#include "proxy/app/QuorvexDlg.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static platform::FakeClock clock(1'700'000'000);
    static CMemoryControls controls;
    static CQuorvexDlg dlg(controls);
    static bool started = [] {
        dlg.InsertAircraftListColumns();
        CIcaoDataElement row;
        row.key = "4ca2d6";
        row.column[0] = "EI-ABC";
        dlg.Traffic().m_icao24Table.InsertSorted(row);
        return true;
    }();
    (void)started;

    // Lines as a socket hands them over: cut after each LF, NUL-terminated.
    std::string line;
    for (std::size_t i = 0; i < size; ++i) {
        line += static_cast<char>(data[i]);
        if (data[i] == '\n' || i + 1 == size) {
            dlg.HandleFeedLine(line.data());
            line.clear();
        }
    }
    dlg.ShowFeedCounters(); // the texts, as after a receive
    // Time moves on with every input, so aircraft age and are purged now and then.
    clock.Advance(size % 97);
    dlg.Traffic().PurgeStaleAircraft(platform::Time64());
    fuzz::CheckListMirrorsTable(dlg, controls);
    return 0;
}
