// The proxy's main window logic: owns the traffic table, the lookup tables and the feed counters,
// and reaches its controls only through platform::CDialogControls, so that it runs the same in a
// Qt window, on a console and in tests.
#pragma once

#include "FeedOptions.h"
#include "platform/DeferredCall.h"
#include "platform/DialogControls.h"
#include "proxy/net/FsdSockets.h"
#include "proxy/net/SBSSocket.h"
#include "proxy/status/StatusMetrics.h"
#include "proxy/traffic/AircraftTable.h"
#include "proxy/traffic/FieldList.h"
#include "proxy/traffic/IcaoDataTable.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
// A replay feeds this many lines of the recording per tick or per "+10" press, each read in pieces
// of at most kReplayReadSize - 1 bytes.
inline constexpr int kReplayLinesPerStep = 20;
inline constexpr int kReplayReadSize = 256;
static_assert(CFeedOptions {}.replayLines == kReplayLinesPerStep);

// Message box texts of the window.
inline constexpr std::string_view kServerEmptyText = "The server IP can not be empty";
inline constexpr std::string_view kPortEmptyText = "The port number can not be empty";
inline constexpr std::string_view kFilenameEmptyText = "Filename can not be empty";
inline constexpr std::string_view kFileOpenErrorText = "File open error";

// The window's operations live in files by what they do: the buttons and the feed state here,
// the feed parser in FeedParser.cpp, the aircraft list in AircraftListing.cpp, the client list and
// its routing in ClientRouting.cpp, the timer and the position broadcast in PositionBroadcast.cpp,
// the replay of a recording in Replay.cpp.
class CQuorvexDlg : public CFeedLineSink, public CFsdClientList {
public:
    explicit CQuorvexDlg(platform::CDialogControls& controls);
    virtual ~CQuorvexDlg();
    CQuorvexDlg(const CQuorvexDlg&) = delete;
    CQuorvexDlg& operator=(const CQuorvexDlg&) = delete;

    // Window start-up, in this order: the list columns, the FSD listener on `fsdPort`, the lookup
    // files. The front-end then starts timer 1 (kTimerPeriodMilliseconds, calling OnTimer).
    // Returns whether the FSD server listens (as StartFsdListener).
    bool OnInitDialog(unsigned fsdPort = kFsdPort);

    // Buttons. Connect starts a connection to the server and port of the two fields (a message box
    // when either is empty); its outcome arrives as the feed socket's connect event.
    void OnConnectClicked();
    // Stops the feed or the replay, returns the buttons to idle and tells every FSD client, logged
    // in or not. Also the end of a failed connect and of a closed feed.
    void OnDisconnect() override;
    // Replays the recorded feed file named in the server field (a message box when it is empty or
    // cannot be opened, the buttons then untouched), starting with its first kReplayLinesPerStep
    // lines.
    void OnLogfileClicked();
    // "+10" and every tick of a running replay: the next kReplayLinesPerStep lines go through the
    // feed parser; the end of the file ends the replay and restores the buttons.
    void ReplayNextLines();
    // The feed socket's successful connect event: "Connected", and every FSD client is told.
    void OnFeedConnected() override;
    bool IsReplaying() const { return m_pReplayFile != nullptr; }
    // Waiting to try the feed again (--reconnect).
    bool IsRetrying() const { return m_feedState == FeedState::Waiting; }

    // The feed failed, closed or broke. Without a retry, OnDisconnect. With one, the clients are
    // told once, at the first loss, and the next attempt waits 1 s, then twice as long after each
    // failure, up to the limit; the Connect caption says "retrying in N s".
    void OnFeedLost(std::string_view reason) override;
    // Once a second when CFeedOptions::NeedsServiceTick: the due retry, the silence limit, and
    // the lines of a paced replay that are due.
    void OnServiceTick();
    // Reads the lookup files again, for a running proxy: a file that cannot be read keeps its
    // table. Aircraft already known keep what they got from the old tables.
    void ReloadLookupFiles();

    // Start-up pieces.
    void InsertAircraftListColumns();
    // Loads icao24.txt, aircrafts.txt and flightplans.txt from the working directory; a missing
    // file leaves its table empty.
    void LoadLookupFiles();

    // SBS feed parser. HandleFeedLine takes one NUL-terminated line, which it cuts in place, and
    // always returns true (the caller goes on with its next line). It counts the line and keeps
    // it if accepted; the texts of the counters and of the last accepted line are written to the
    // controls by ShowFeedCounters, which the feed connection calls after every receive and the
    // replay after every step. Whoever else feeds lines calls it before the texts are read.
    bool HandleFeedLine(char* line) override;
    void OnFeedReceived() override { ShowFeedCounters(); }
    // Writes "received / accepted" and the last accepted line, as far as they changed since
    // they were last written.
    void ShowFeedCounters();
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
    // 0 for any free port), or on every address of m_listenAddresses when there are some; tells
    // the user when that fails, and goes on without the listeners that failed. Returns whether
    // every listener listens.
    bool StartFsdListener(unsigned port = kFsdPort);
    std::size_t ClientCount() const override { return m_clientList.size(); }
    // Tells the event log, if there is one.
    void Log(LogLevel level, std::string_view kind, std::string text);
    // The client list, in order of acceptance. AddClient takes the client over; RemoveClient
    // takes it out of the list and closes it at once, and destroys it on the event loop's next
    // turn, so that it is safe anywhere, also inside the client's own event handler. Both show the
    // count of clients.
    void AddClient(std::unique_ptr<CFsdClientSocket> client) override;
    void RemoveClient(CFsdClientSocket* client) override;
    // Whether any client is logged in as `callsign` (ASCII case ignored); the empty callsign is
    // in use while any client has not logged in.
    bool IsCallsignInUse(std::string_view callsign) const override;
    bool IsFeedConnected() const override { return m_bFeedConnected; }

    // Routing. A send may remove the client it goes to (its backlog past the bound), so every
    // walk of the client list takes the next client before sending to the current one.
    //
    // Sends `text` to every FSD client whose login callsign differs from `callsign` (ASCII case
    // ignored); the empty callsign reaches every logged-in client. Tests override it to observe
    // what the parser and the broadcast send.
    void BroadcastPacket(std::string_view text, std::string_view callsign) override;
    // Sends the text to every logged-in client like BroadcastPacket(*text, {}), each client
    // queuing a reference to the one text instead of a copy of it. Tests override it to observe
    // the position broadcast.
    virtual void BroadcastShared(const std::shared_ptr<const std::string>& text);
    // Sends `text` to every client logged in as `callsign` (ASCII case ignored).
    void SendToCallsign(std::string_view callsign, std::string_view text) override;
    // Sends every client, logged in or not, the server text `message` addressed to itself.
    void SendServerText(std::string_view message);
    // Answers a "$CQ" flight-plan query (its split fields, at least four) with the first aircraft
    // whose callsign, registration or hex id is the name asked for, sent to the clients logged in
    // as the query's sender; nothing when no aircraft matches.
    void SendFlightPlan(const CFieldList& fields) override;

    // Timer 1: the purge at most once a minute, the replay step, then the position broadcast if
    // any client is connected.
    void OnTimer();
    // One "@" packet per aircraft with a position at most kMaxPositionAge seconds old, in map
    // order, composed once; the packets of the tick go to every logged-in client as one shared
    // text (one BroadcastShared), so the backlog bound is checked once per tick and client.
    void BroadcastPositions();
    // The timer's replay step: ReplayNextLines while a replay runs.
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
    status::CStatusMetrics m_metrics; // for the status page and /metrics; never reset

    CFeedOptions m_feedOptions; // set by the front-end before OnInitDialog
    // Where the events of the feed and of the lookup files go, one line each without its end;
    // none when empty.
    std::function<void(std::string_view)> m_eventLog;

    CSBSSocket m_sbsSocket; // the feed connection; its m_pDlg is this window
    CFsdListenerSocket m_listenerSocket;
    std::list<std::unique_ptr<CFsdClientSocket>> m_clientList; // owns the listed clients

    // Set before OnInitDialog. Where the FSD server listens (none: the loopback address on the
    // port given to StartFsdListener) and who may use it (by default, everybody who reaches it).
    std::vector<CListenAddress> m_listenAddresses;
    CFsdAccess m_fsdAccess;
    // The listeners after the first (m_listenerSocket) of m_listenAddresses.
    std::vector<std::unique_ptr<CFsdListenerSocket>> m_extraListeners;
    CEventSink* m_pEventLog = nullptr; // where events are told; none in the window. Not owned
    std::string m_strListenFailure; // why the first listener that failed did, for the console

protected:
    platform::CDialogControls& m_controls;

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    enum class FeedState { Idle, Connecting, Connected, Waiting };

    void SetIdleButtons();
    void LogEvent(LogLevel level, std::string_view kind, std::string text);
    void StartFeedAttempt();
    void ShowRetryCaption(std::int64_t now);
    // A line of the recording: the one held back by the pace first; false at its end.
    bool ReadReplayLine(char (&line)[kReplayReadSize]);
    void EndReplay();
    // The paced replay: every line whose recorded time has come, and at most `timelessLines`
    // lines without a time; the first line not due is held back.
    void ReplayDueLines(int timelessLines);
    CTrackedAircraft* CreateAircraft(std::string_view hexId);
    void SetCallsign(CTrackedAircraft& aircraft, const char* callsign);
    void SetCell(const CTrackedAircraft& aircraft, int column, std::string_view text);
    void ShowClientCount();
    void DestroyRemovedClients();

    std::string m_strLineCopy; // the line being handled, as received; reused to spare allocations
    std::string m_strLastLine; // the last accepted line, as received
    bool m_bLastLineShown = true; // m_strLastLine is the text of kIdLastLine
    bool m_bLineCountShown = true; // kIdLineCount shows the current counters
    // The position packets of the last broadcast. The clients' sockets hold it until it has
    // gone to their peers; once none does, the next tick reuses it.
    std::shared_ptr<std::string> m_pTick;
    std::unique_ptr<std::FILE, FileCloser> m_pReplayFile; // the recording being replayed, if any

    FeedState m_feedState = FeedState::Idle;
    std::string m_strFeedServer; // of the last Connect, for the retries
    unsigned m_nFeedPort = 0;
    int m_nRetryDelay = 1; // seconds before the next retry
    std::int64_t m_tRetryAt = 0;
    std::int64_t m_tFeedActivity = 0; // start of the attempt, connect, or last line
    bool m_bLossAnnounced = false; // the clients were told of a loss not yet made good

    std::string m_strReplayHeld; // a line of a paced replay not due yet
    bool m_bReplayHeld = false;
    bool m_bPaceAnchored = false; // the pace has its first timed line
    std::int64_t m_nPaceRecordedMs = 0; // the recorded time of that line, in milliseconds
    std::int64_t m_tPaceStart = 0; // and when it was handled
    // Clients taken out of the list, closed, waiting for the loop's next turn to be destroyed.
    std::vector<std::unique_ptr<CFsdClientSocket>> m_removedClients;
    // Declared after m_removedClients: goes first, and with it any pending call.
    platform::CDeferredCall m_destroyRemoved { [this] { DestroyRemovedClients(); } };
};
