// libFuzzer target: arbitrary bytes as a lookup file. The same bytes are loaded as the hex-id,
// the registration and the flight-plan table, so that a row can lead from one to the next; then
// the first rows' keys and first columns come in as feed lines and are looked up in all three.
// The loaded table must be sorted, every key must be found, and no field may hold a delimiter or
// outgrow the line buffer.
#include "ProxyFuzzSupport.h"
#include "platform/AsciiText.h"
#include "platform/Clock.h"
#include "proxy/app/MemoryControls.h"
#include "proxy/app/QuorvexDlg.h"
#include "proxy/traffic/IcaoDataTable.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The file the loader opens: held in memory, rewritten for every input.
class CMemoryFile {
public:
    CMemoryFile()
        : m_Fd(memfd_create("lookup", 0))
    {
        fuzz::Check(m_Fd >= 0, "memfd_create");
    }
    ~CMemoryFile() { close(m_Fd); }
    CMemoryFile(const CMemoryFile&) = delete;
    CMemoryFile& operator=(const CMemoryFile&) = delete;

    void Write(const std::uint8_t* data, std::size_t size) const
    {
        fuzz::Check(ftruncate(m_Fd, 0) == 0, "ftruncate");
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = pwrite(m_Fd, data + done, size - done, static_cast<off_t>(done));
            fuzz::Check(n > 0, "pwrite");
            done += static_cast<std::size_t>(n);
        }
    }
    std::string Path() const { return "/proc/self/fd/" + std::to_string(m_Fd); }

private:
    int m_Fd;
};

void CheckField(std::string_view text)
{
    fuzz::Check(text.size() <= CIcaoDataTable::kMaxLineLength, "a field longer than a line");
    fuzz::Check(text.find_first_of("\t\r\n") == std::string_view::npos,
        "a field holding a TAB or a line end");
}

void CheckTable(const CIcaoDataTable& table, int loaded)
{
    fuzz::Check(loaded == table.GetSize(), "Load returns the number of rows");
    for (int i = 0; i < table.GetSize(); ++i) {
        const CIcaoDataElement& row = table.GetAt(i);
        if (i > 0)
            fuzz::Check(platform::CompareAsciiNoCase(table.GetAt(i - 1).key, row.key) <= 0,
                "rows out of order");
        const int found = table.Find(row.key);
        fuzz::Check(
            found >= 0 && platform::CompareAsciiNoCase(table.GetAt(found).key, row.key) == 0,
            "a loaded key is not found");
        CheckField(row.key);
        for (const std::string& column : row.column)
            CheckField(column);
    }
}

// A position report of the aircraft `hexId` that gives it `callsign`.
std::string FeedLine(const std::string& hexId, const std::string& callsign)
{
    return "MSG,3,1,1," + hexId + ",1,2023/11/14,22:13:20.000,2023/11/14,22:13:20.000," + callsign
        + ",3000,180,90,47.43,19.26,0,1234,0,0,0,0\n";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const CMemoryFile file;
    static const std::string path = file.Path();
    platform::FakeClock clock(1'700'000'000);
    file.Write(data, size);

    CMemoryControls controls;
    CQuorvexDlg dlg(controls);
    dlg.InsertAircraftListColumns();
    CheckTable(dlg.Traffic().m_icao24Table, dlg.Traffic().m_icao24Table.Load(path));
    CheckTable(dlg.Traffic().m_aircraftsTable, dlg.Traffic().m_aircraftsTable.Load(path));
    CheckTable(dlg.Traffic().m_flightplansTable, dlg.Traffic().m_flightplansTable.Load(path));
    fuzz::Check(dlg.Traffic().m_icao24Table.elements.size()
            == dlg.Traffic().m_flightplansTable.elements.size(),
        "the same file loads the same rows");

    constexpr int kFedRows = 16;
    const CIcaoDataTable& table = dlg.Traffic().m_icao24Table;
    for (int i = 0; i < std::min(table.GetSize(), kFedRows); ++i) {
        std::string line = FeedLine(table.GetAt(i).key, table.GetAt(i).column[0]);
        dlg.HandleFeedLine(line.data());
    }
    fuzz::CheckListMirrorsTable(dlg, controls);
    return 0;
}
