// The proxy's main window logic: owns the traffic table, the lookup tables and the feed counters,
// and reaches its controls only through platform::CDialogControls, so that it runs the same in a
// Qt window, on a console and in tests.
#pragma once

#include "platform/DialogControls.h"
#include "proxy/traffic/AircraftTable.h"
#include "proxy/traffic/FieldList.h"
#include "proxy/traffic/IcaoDataTable.h"

#include <cstdint>
#include <string>
#include <string_view>

// Control ids of the dialog template.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdEditServer = 1000; // server address; also the replay file name
inline constexpr int kIdConnect = 1001;
inline constexpr int kIdDisconnect = 1002;
inline constexpr int kIdEditPort = 1003;
inline constexpr int kIdLineCount = 1004; // "received / accepted"
inline constexpr int kIdLastLine = 1005; // last accepted feed line, as received
inline constexpr int kIdAircraftList = 1006;
inline constexpr int kIdClients = 1007; // number of FSD clients
inline constexpr int kIdLogfile = 1008;
inline constexpr int kIdPlus10 = 1009;

// Names of the lookup files, read from the working directory.
inline constexpr const char* kIcao24File = "icao24.txt";
inline constexpr const char* kAircraftsFile = "aircrafts.txt";
inline constexpr const char* kFlightplansFile = "flightplans.txt";

class CQuorvexDlg {
public:
    explicit CQuorvexDlg(platform::CDialogControls& controls);
    virtual ~CQuorvexDlg();
    CQuorvexDlg(const CQuorvexDlg&) = delete;
    CQuorvexDlg& operator=(const CQuorvexDlg&) = delete;

    // Start-up pieces.
    void InsertAircraftListColumns();
    // Loads icao24.txt, aircrafts.txt and flightplans.txt from the working directory; a missing
    // file leaves its table empty.
    void LoadLookupFiles();

    // SBS feed parser. HandleFeedLine takes one NUL-terminated line, which it cuts in place, and
    // always returns true (the caller goes on with its next line).
    bool HandleFeedLine(char* line);
    bool ProcessSbsLine(const CFieldList& fields);
    // SBS field k is split index k - offset; offset counts the leading fields the line lacks.
    bool ApplySbsMessage(const CFieldList& fields, int offset);
    // Time of day in UTC, "HH:MM:SS".
    static std::string FormatUtcTime(std::int64_t time);
    // Local date, "YYYY/MM/DD"; empty if the time cannot be converted.
    static std::string FormatLocalDate(std::int64_t time);

    // Removes every aircraft silent for kStaleAircraftSeconds or more, with its list row; the rows
    // below move up.
    void PurgeStaleAircraft();

    // Sends `text` to every FSD client whose login callsign differs from `callsign` (ASCII case
    // ignored); the empty callsign reaches every logged-in client. Virtual so that tests observe
    // what the parser sends.
    virtual void BroadcastPacket(std::string_view text, std::string_view callsign);

    CAircraftMap m_aircraftMap;
    CIcaoDataTable m_icao24Table; // key: hex id; column[0] registration
    CIcaoDataTable m_aircraftsTable; // key: registration; column[1] aircraft type
    CIcaoDataTable m_flightplansTable; // key: callsign; column[0] type, [1]..[6] the plan
    // Counters since the last Connect or replay start. 64-bit: a feed running for weeks passes
    // 2^31 lines.
    std::int64_t m_nLinesReceived = 0;
    std::int64_t m_nLinesAccepted = 0;

protected:
    platform::CDialogControls& m_controls;

private:
    CTrackedAircraft* CreateAircraft(std::string_view hexId);
    void SetCallsign(CTrackedAircraft& aircraft, const char* callsign);
    void SetCell(const CTrackedAircraft& aircraft, int column, std::string_view text);

    std::string m_strLineCopy; // the line being handled, as received; reused to spare allocations
};
