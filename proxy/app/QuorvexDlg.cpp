#include "QuorvexDlg.h"

#include "platform/Clock.h"
#include "proxy/fsd/FsdPackets.h"
#include "proxy/traffic/FeedNumbers.h"

#include <algorithm>
#include <string>
#include <utility>

namespace {

// The port of the port field: the value of its leading digits. 0, which no connection can use,
// for text without digits or a value beyond the port range.
unsigned PortNumber(const std::string& text)
{
    const std::int32_t value = FeedInt32(text.c_str());
    return value > 0 && value <= 65535 ? static_cast<unsigned>(value) : 0;
}

} // namespace

CQuorvexDlg::CQuorvexDlg(platform::CDialogControls& controls)
    : m_tLastPurge(platform::Time64())
    , m_controls(controls)
{
    m_sbsSocket.m_pDlg = this;
}

CQuorvexDlg::~CQuorvexDlg()
{
    DestroyRemovedClients();
}

bool CQuorvexDlg::OnInitDialog(unsigned fsdPort)
{
    InsertAircraftListColumns();
    const bool listening = StartFsdListener(fsdPort);
    LoadLookupFiles();
    return listening;
}

void CQuorvexDlg::LoadLookupFiles()
{
    for (auto [table, name] : { std::pair { &m_icao24Table, kIcao24File },
             { &m_aircraftsTable, kAircraftsFile }, { &m_flightplansTable, kFlightplansFile } }) {
        table->Load(name);
        if (m_eventLog || m_pEventLog != nullptr)
            LogEvent(LogLevel::Info, "lookup",
                std::string(name) + ": " + std::to_string(table->GetSize()) + " rows");
    }
}

void CQuorvexDlg::ReloadLookupFiles()
{
    for (auto [table, name] : { std::pair { &m_icao24Table, kIcao24File },
             { &m_aircraftsTable, kAircraftsFile }, { &m_flightplansTable, kFlightplansFile } }) {
        int skipped = 0;
        if (table->Reload(name, skipped))
            LogEvent(LogLevel::Info, "lookup",
                std::string(name) + ": " + std::to_string(table->GetSize()) + " rows, "
                    + std::to_string(skipped) + " lines skipped");
        else
            LogEvent(LogLevel::Warning, "lookup-unreadable",
                std::string(name) + ": cannot be read, keeping its "
                    + std::to_string(table->GetSize()) + " rows");
    }
}

void CQuorvexDlg::LogEvent(LogLevel level, std::string_view kind, std::string text)
{
    // The event log of --log when there is one; otherwise the plain lines of the feed options.
    if (m_pEventLog != nullptr)
        m_pEventLog->Log(level, kind, std::move(text));
    else if (m_eventLog)
        m_eventLog(text);
}

void CQuorvexDlg::OnConnectClicked()
{
    const std::string server = m_controls.GetWindowText(kIdEditServer);
    if (server.empty()) {
        m_controls.MessageBox(kServerEmptyText);
        return;
    }
    const std::string port = m_controls.GetWindowText(kIdEditPort);
    if (port.empty()) {
        m_controls.MessageBox(kPortEmptyText);
        return;
    }
    m_strFeedServer = server;
    m_nFeedPort = PortNumber(port);
    m_nRetryDelay = 1;
    m_bLossAnnounced = false;
    StartFeedAttempt();

    m_controls.EnableWindow(kIdConnect, false);
    m_controls.SetWindowText(kIdConnect, "Connecting ...");
    m_controls.EnableWindow(kIdDisconnect, true);
    m_controls.EnableWindow(kIdLogfile, false);
    ShowFeedCounters(); // what lines handled before showed, as they stop counting
    m_nLinesAccepted = 0;
    m_nLinesReceived = 0;
}

void CQuorvexDlg::StartFeedAttempt()
{
    // Every failure, even of an attempt that cannot start (a bad port, a name that does not
    // resolve), arrives as the connect event with an error and ends in OnFeedLost: the window
    // never stays in "Connecting ..." for want of an event.
    ++m_metrics.m_nFeedConnects;
    m_sbsSocket.Close();
    // Half a line of the last connection must not be glued to the first line of this one.
    m_sbsSocket.ResetLineAssembly();
    m_sbsSocket.Create();
    m_sbsSocket.Connect(m_strFeedServer, m_nFeedPort);
    m_feedState = FeedState::Connecting;
    if (m_feedOptions.feedTimeoutSeconds > 0)
        m_tFeedActivity = platform::Time64();
    LogEvent(LogLevel::Info, "feed",
        "feed: connecting to " + m_strFeedServer + " port " + std::to_string(m_nFeedPort));
}

void CQuorvexDlg::OnFeedConnected()
{
    m_controls.SetWindowText(kIdConnect, "Connected");
    m_bFeedConnected = true;
    m_feedState = FeedState::Connected;
    m_nRetryDelay = 1;
    m_bLossAnnounced = false;
    if (m_feedOptions.feedTimeoutSeconds > 0)
        m_tFeedActivity = platform::Time64();
    LogEvent(LogLevel::Info, "feed", "feed: connected");
    SendServerText(kFeedConnectedMessage);
}

void CQuorvexDlg::OnFeedLost(std::string_view reason)
{
    if (m_feedOptions.reconnectMaxSeconds <= 0 || m_feedState == FeedState::Idle) {
        if (m_feedState != FeedState::Idle)
            LogEvent(LogLevel::Warning, "feed-lost", "feed: lost, " + std::string(reason));
        OnDisconnect();
        return;
    }
    m_sbsSocket.Close();
    m_bFeedConnected = false;
    if (!m_bLossAnnounced) {
        m_bLossAnnounced = true;
        SendServerText(kFeedDisconnectedMessage);
    }
    const std::int64_t now = platform::Time64();
    m_feedState = FeedState::Waiting;
    m_tRetryAt = now + m_nRetryDelay;
    LogEvent(LogLevel::Warning, "feed-lost",
        "feed: lost, " + std::string(reason) + "; retrying in " + std::to_string(m_nRetryDelay)
            + " s");
    m_nRetryDelay = std::min(m_nRetryDelay * 2, m_feedOptions.reconnectMaxSeconds);
    ShowRetryCaption(now);
}

void CQuorvexDlg::ShowRetryCaption(std::int64_t now)
{
    const std::int64_t left = std::max<std::int64_t>(0, m_tRetryAt - now);
    m_controls.SetWindowText(kIdConnect, "retrying in " + std::to_string(left) + " s");
}

void CQuorvexDlg::OnServiceTick()
{
    const std::int64_t now = platform::Time64();
    if (m_feedState == FeedState::Waiting) {
        if (now >= m_tRetryAt) {
            StartFeedAttempt();
            m_controls.SetWindowText(kIdConnect, "Connecting ...");
        } else {
            ShowRetryCaption(now);
        }
    } else if (m_feedState != FeedState::Idle && m_feedOptions.feedTimeoutSeconds > 0
        && now - m_tFeedActivity >= m_feedOptions.feedTimeoutSeconds) {
        OnFeedLost((m_feedState == FeedState::Connected ? "silent for " : "no answer in ")
            + std::to_string(now - m_tFeedActivity) + " s");
    }
    if (m_pReplayFile && m_feedOptions.replaySpeed > 0.0)
        ReplayDueLines(0);
}

void CQuorvexDlg::OnDisconnect()
{
    m_pReplayFile.reset();
    m_bReplayHeld = false;
    m_sbsSocket.Close();
    SetIdleButtons();
    m_controls.SetWindowText(kIdConnect, "Connect");
    m_bFeedConnected = false;
    m_feedState = FeedState::Idle;
    // A loss already told while retrying is not told again when the retries stop.
    if (!m_bLossAnnounced)
        SendServerText(kFeedDisconnectedMessage);
    m_bLossAnnounced = false;
}

void CQuorvexDlg::SetIdleButtons()
{
    m_controls.EnableWindow(kIdConnect, true);
    m_controls.EnableWindow(kIdDisconnect, false);
    m_controls.EnableWindow(kIdLogfile, true);
    m_controls.EnableWindow(kIdPlus10, false);
}
