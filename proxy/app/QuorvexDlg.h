// The proxy's main window logic: owns the traffic table, the lookup tables and the feed counters,
// and reaches its controls only through platform::CDialogControls, so that it runs the same in a
// Qt window, on a console and in tests.
#pragma once

#include "platform/DialogControls.h"
#include "proxy/fsd/FsdSockets.h"
#include "proxy/traffic/AircraftTable.h"
#include "proxy/traffic/FieldList.h"
#include "proxy/traffic/IcaoDataTable.h"

#include <cstdint>
#include <list>
#include <memory>
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

// The FSD server listens on this port of the loopback address only.
inline constexpr unsigned kFsdPort = 6809;
// A tick of timer 1 broadcasts the positions; a purge runs at the first tick more than
// kPurgeIntervalSeconds after the previous one.
inline constexpr int kTimerPeriodMilliseconds = 5000;
inline constexpr std::int64_t kPurgeIntervalSeconds = 60;

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

    // FSD server. Start-up step: listens on `port` of the loopback address (kFsdPort; tests pass
    // 0 for any free port); tells the user when that fails, and goes on without clients.
    bool StartFsdListener(unsigned port = kFsdPort);
    // The client list, in order of acceptance. AddClient takes the client over; RemoveClient
    // destroys it at once, which is safe inside the client's own event handler as its last act.
    // Both show the count of clients.
    void AddClient(std::unique_ptr<CFsdClientSocket> client);
    void RemoveClient(CFsdClientSocket* client);
    // Whether any client is logged in as `callsign` (ASCII case ignored); the empty callsign is
    // in use while any client has not logged in.
    bool IsCallsignInUse(std::string_view callsign) const;

    // Routing. Every walk of the client list takes the next client before sending to the current
    // one, as a send may remove a client whose backlog has passed its bound.
    //
    // Sends `text` to every FSD client whose login callsign differs from `callsign` (ASCII case
    // ignored); the empty callsign reaches every logged-in client. Virtual so that tests observe
    // what the parser and the broadcast send.
    virtual void BroadcastPacket(std::string_view text, std::string_view callsign);
    // Sends `text` to every client logged in as `callsign` (ASCII case ignored).
    void SendToCallsign(std::string_view callsign, std::string_view text);
    // Sends every client, logged in or not, the server text `message` addressed to itself.
    void SendServerText(std::string_view message);
    // Answers a "$CQ" flight-plan query (its split fields, at least four) with the first aircraft
    // whose callsign, registration or hex id is the name asked for, sent to the clients logged in
    // as the query's sender; nothing when no aircraft matches.
    void SendFlightPlan(const CFieldList& fields);

    // Timer 1: the purge at most once a minute, the replay step, then the position broadcast if
    // any client is connected.
    void OnTimer();
    // One "@" packet per aircraft with a position at most kMaxPositionAge seconds old, composed
    // once and sent to every logged-in client.
    void BroadcastPositions();
    // The timer's replay step: the next lines of a running replay go through the parser. Does
    // nothing until the replay is built.
    virtual void ReplayTimerStep();

    CAircraftMap m_aircraftMap;
    CIcaoDataTable m_icao24Table; // key: hex id; column[0] registration
    CIcaoDataTable m_aircraftsTable; // key: registration; column[1] aircraft type
    CIcaoDataTable m_flightplansTable; // key: callsign; column[0] type, [1]..[6] the plan
    // Counters since the last Connect or replay start. 64-bit: a feed running for weeks passes
    // 2^31 lines.
    std::int64_t m_nLinesReceived = 0;
    std::int64_t m_nLinesAccepted = 0;
    bool m_bFeedConnected = false; // the SBS feed is connected (not during a replay)
    std::int64_t m_tLastPurge; // seconds since 1970: construction, then every purge

    CFsdListenerSocket m_listenerSocket;
    std::list<std::unique_ptr<CFsdClientSocket>> m_clientList; // owns the clients

protected:
    platform::CDialogControls& m_controls;

private:
    CTrackedAircraft* CreateAircraft(std::string_view hexId);
    void SetCallsign(CTrackedAircraft& aircraft, const char* callsign);
    void SetCell(const CTrackedAircraft& aircraft, int column, std::string_view text);
    void ShowClientCount();

    std::string m_strLineCopy; // the line being handled, as received; reused to spare allocations
};
