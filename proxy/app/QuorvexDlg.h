// The proxy's main window logic and the place that wires the proxy together: it owns the traffic
// model, the FSD server, the feed connection and the replay, keeps the buttons' logic, and reaches
// its controls only through platform::CDialogControls, so that it runs the same in a Qt window, on
// a console and in tests.
#pragma once

#include "AircraftListing.h"
#include "FeedOptions.h"
#include "Replay.h"
#include "SbsFeed.h"
#include "platform/DialogControls.h"
#include "proxy/fsd/FsdServer.h"
#include "proxy/net/EventLog.h"
#include "proxy/status/StatusMetrics.h"
#include "proxy/traffic/FeedFormat.h"
#include "proxy/traffic/TrafficModel.h"

#include <cstdint>
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

// A tick of timer 1 broadcasts the positions; a purge runs at the first tick more than
// kPurgeIntervalSeconds after the previous one.
inline constexpr int kTimerPeriodMilliseconds = 5000;
inline constexpr std::int64_t kPurgeIntervalSeconds = 60;
// The warning of positions ignored by the default rule is repeated at most this often.
inline constexpr std::int64_t kIgnoredPositionsWarningSeconds = 3600;
// A replay feeds this many lines of the recording per tick or per "+10" press.
inline constexpr int kReplayLinesPerStep = 20;
static_assert(CFeedOptions {}.replayLines == kReplayLinesPerStep);

// Message box texts of the window.
inline constexpr std::string_view kServerEmptyText = "The server IP can not be empty";
inline constexpr std::string_view kPortEmptyText = "The port number can not be empty";
inline constexpr std::string_view kFilenameEmptyText = "Filename can not be empty";
inline constexpr std::string_view kFileOpenErrorText = "File open error";
inline constexpr std::string_view kListenFailedText
    = "Local FSD port binding failed. Clients can not connect to the proxy";

class CQuorvexDlg : private CSbsFeedOwner {
public:
    explicit CQuorvexDlg(platform::CDialogControls& controls);
    virtual ~CQuorvexDlg();
    CQuorvexDlg(const CQuorvexDlg&) = delete;
    CQuorvexDlg& operator=(const CQuorvexDlg&) = delete;

    // Window start-up, in this order: the list columns, the FSD server on `fsdPort`, the lookup
    // files. The front-end then starts timer 1 (kTimerPeriodMilliseconds, calling OnTimer).
    // Returns whether the FSD server listens; the user is told when it does not.
    bool OnInitDialog(unsigned fsdPort = kFsdPort);

    // Buttons. Connect starts a connection to the server and port of the two fields (a message box
    // when either is empty), and to every feed of m_extraFeeds; the outcome arrives as the feed
    // socket's connect event.
    void OnConnectClicked();
    // Stops the feeds or the replay, returns the buttons to idle and tells every FSD client,
    // logged in or not. Also the end of a failed connect and of a closed feed.
    void OnDisconnect();
    // Replays the recorded feed file named in the server field (a message box when it is empty or
    // cannot be opened, the buttons then untouched), starting with its first lines.
    void OnLogfileClicked();
    // "+10" and every tick of a running replay: the next CFeedOptions::replayLines lines go
    // through the feed parser; the end of the file ends the replay and restores the buttons.
    void ReplayNextLines();
    bool IsReplaying() const { return m_replay.IsRunning(); }
    // The first feed waits to try again (--reconnect).
    bool IsRetrying() const { return m_feeds[0]->GetState() == CSbsFeed::State::Waiting; }
    // Connect pressed (or a retry of the first feed started), no outcome yet.
    bool IsConnecting() const { return m_feeds[0]->GetState() == CSbsFeed::State::Connecting; }
    // Any feed is connected (never during a replay).
    bool IsFeedConnected() const { return m_bFeedConnected; }
    // The feeds: the first is the one of the window's fields, then m_extraFeeds in their order.
    const std::vector<std::unique_ptr<CSbsFeed>>& Feeds() const { return m_feeds; }

    // Once a second when CFeedOptions::NeedsServiceTick or an event log is kept: the due retries,
    // the silence limit, a feed quiet since it connected, and the lines of a paced replay that
    // are due.
    void OnServiceTick();
    // Reads the lookup files again, for a running proxy, and tells the event log how it went.
    void ReloadLookupFiles();
    // Loads the lookup files, and tells the event log their sizes.
    void LoadLookupFiles();
    void InsertAircraftListColumns() { m_listView.InsertColumns(); }

    // The feed's lines. HandleFeedLine takes one NUL-terminated line, which it cuts in place, and
    // always returns true (the caller goes on with its next line). It counts the line and keeps
    // it if the traffic model accepts it; the texts of the counters and of the last accepted line
    // are written to the controls by ShowFeedCounters, which the feed connection calls after every
    // receive and the replay after every step.
    // `source`: the ignored-position counters of the feed the line came from, if any.
    bool HandleFeedLine(char* line, CIgnoredPositions* source = nullptr);
    // What the start of the replay, or of the first feed, looked like (FeedFormat::Unknown until
    // it is known); the event log has been told once if it is not the BaseStation lines it should
    // be.
    FeedFormat FeedFormatSeen() const
    {
        return m_bReplayedLast ? m_formatDetector.Verdict() : m_feeds[0]->Format();
    }
    // Writes "received / accepted" and the last accepted line, as far as they changed since
    // they were last written.
    void ShowFeedCounters();

    // Timer 1: the purge at most once a minute, the replay step, then the position broadcast.
    void OnTimer();

    CTrafficModel& Traffic() { return m_traffic; }
    const CTrafficModel& Traffic() const { return m_traffic; }
    CFsdServer& Server() { return m_server; }
    const CFsdServer& Server() const { return m_server; }

    // Counters since the last Connect or replay start. 64-bit: a feed running for weeks passes
    // 2^31 lines.
    std::int64_t m_nLinesReceived = 0;
    std::int64_t m_nLinesAccepted = 0;
    std::string m_strLastLine; // the last accepted line, as received
    status::CStatusMetrics m_metrics; // for the status page and /metrics; never reset
    // Set by the front-end before OnInitDialog.
    CFeedOptions m_feedOptions;
    std::vector<CFeedAddress> m_extraFeeds; // the receivers merged with the first one
    // Where the events of the feed, the lookup files and the FSD server go; none: nowhere. Set
    // before OnInitDialog. Not owned.
    CEventSink* m_pEventLog = nullptr;

protected:
    platform::CDialogControls& m_controls;

private:
    // The feeds' events. The radar clients hear "connected" when the first of the feeds connects
    // and "disconnected" when the last one is lost, once per change; the Connect caption follows
    // the first feed.
    bool OnFeedLine(CSbsFeed& feed, char* line) override;
    void OnFeedReceived(CSbsFeed& feed) override;
    void OnFeedUp(CSbsFeed& feed) override;
    void OnFeedDown(CSbsFeed& feed) override;
    void OnFeedCaption(CSbsFeed& feed, const std::string& caption) override;
    void OnFeedEvent(CSbsFeed& feed, bool warning, std::string kind, std::string text) override;
    bool AnyFeedConnected() const;

    void SetIdleButtons();
    void Log(LogLevel level, std::string_view kind, std::string text);
    // The end of the recording, or a read error: the replay is over. The clients are not told,
    // and the Connect caption stays as it is.
    void EndReplay();
    void ReplayDueLines(int timelessLines);
    // A new connection or replay: its format is looked at again.
    void StartFormatInspection();
    void InspectFeedFormat(std::string_view piece);
    // The first positions ignored by the default rule, then those since at most once an hour:
    // how many, and that --positions anywhere takes them.
    void WarnOfIgnoredPositions(std::int64_t now);

    // Declared first: the list and the server listen to the model, and go before it.
    CTrafficModel m_traffic;
    CAircraftListView m_listView;
    CFsdServer m_server;
    std::vector<std::unique_ptr<CSbsFeed>> m_feeds; // at least the first
    CReplay m_replay;

    std::string m_strLineCopy; // the line being handled, as received; reused to spare allocations
    bool m_bFeedConnected = false; // an SBS feed is connected (not during a replay)
    bool m_bLastLineShown = true; // m_strLastLine is the text of kIdLastLine
    bool m_bLineCountShown = true; // kIdLineCount shows the current counters
    std::int64_t m_tLastPurge; // seconds since 1970: construction, then every purge
    bool m_bLossAnnounced = false; // the clients were told of a loss not yet made good

    CFeedFormatDetector m_formatDetector;
    bool m_bInspectingFormat = false; // the detector wants more of the replay's start
    bool m_bReplayedLast = false; // the replay started after the last Connect
    std::int64_t m_nNorthEastWarned = 0; // positions ignored by the default rule, as last told
    std::int64_t m_tNorthEastWarned = 0; // when that was; 0: never
};
