#include "QuorvexDlg.h"

#include "platform/Clock.h"
#include "platform/FileNames.h"
#include "proxy/fsd/FsdPackets.h"
#include "proxy/traffic/FeedNumbers.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
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
    : m_controls(controls)
    , m_listView(controls, kIdAircraftList)
    , m_server(m_traffic)
    , m_tLastPurge(platform::Time64())
{
    m_traffic.AddListener(m_listView);
    m_feeds.push_back(
        std::make_unique<CSbsFeed>(static_cast<CSbsFeedOwner&>(*this), m_feedOptions, &m_metrics));
    m_server.m_pMetrics = &m_metrics;
    m_server.m_onClientCount = [this](std::size_t count) {
        m_controls.SetWindowText(kIdClients, std::to_string(count));
    };
}

CQuorvexDlg::~CQuorvexDlg()
{
    m_traffic.RemoveListener(m_listView);
}

bool CQuorvexDlg::OnInitDialog(unsigned fsdPort)
{
    InsertAircraftListColumns();
    m_server.m_pEventLog = m_pEventLog;
    const bool listening = m_server.Start(fsdPort);
    if (!listening)
        m_controls.MessageBox(kListenFailedText);
    LoadLookupFiles();
    return listening;
}

void CQuorvexDlg::Log(LogLevel level, std::string_view kind, std::string text)
{
    if (m_pEventLog != nullptr)
        m_pEventLog->Log(level, kind, std::move(text));
}

void CQuorvexDlg::LoadLookupFiles()
{
    m_traffic.LoadLookupFiles();
    m_traffic.ForEachLookupTable([this](const char* name, const CIcaoDataTable& table) {
        Log(LogLevel::Info, "lookup",
            std::string(name) + ": " + std::to_string(table.GetSize()) + " rows");
    });
}

void CQuorvexDlg::ReloadLookupFiles()
{
    m_traffic.ReloadLookupFiles(
        [this](const char* name, const CIcaoDataTable& table, bool read, int skipped) {
            if (read)
                Log(LogLevel::Info, "lookup",
                    std::string(name) + ": " + std::to_string(table.GetSize()) + " rows, "
                        + std::to_string(skipped) + " lines skipped");
            else
                Log(LogLevel::Warning, "lookup-unreadable",
                    std::string(name) + ": cannot be read, keeping its "
                        + std::to_string(table.GetSize()) + " rows");
        });
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
    m_feeds.resize(1);
    for (std::size_t i = 0; i < m_extraFeeds.size(); ++i)
        m_feeds.push_back(std::make_unique<CSbsFeed>(
            static_cast<CSbsFeedOwner&>(*this), m_feedOptions, &m_metrics));
    m_bLossAnnounced = false;
    m_bInspectingFormat = false; // the feeds look at their own starts
    m_bReplayedLast = false;
    m_feeds[0]->Start(server, PortNumber(port));
    for (std::size_t i = 0; i < m_extraFeeds.size(); ++i)
        m_feeds[i + 1]->Start(m_extraFeeds[i].server, m_extraFeeds[i].port);

    m_controls.EnableWindow(kIdConnect, false);
    m_controls.SetWindowText(kIdConnect, "Connecting ...");
    m_controls.EnableWindow(kIdDisconnect, true);
    m_controls.EnableWindow(kIdLogfile, false);
    ShowFeedCounters(); // what lines handled before showed, as they stop counting
    m_nLinesAccepted = 0;
    m_nLinesReceived = 0;
}

bool CQuorvexDlg::AnyFeedConnected() const
{
    return std::any_of(
        m_feeds.begin(), m_feeds.end(), [](const auto& feed) { return feed->IsConnected(); });
}

bool CQuorvexDlg::OnFeedLine(CSbsFeed& feed, char* line)
{
    const std::int64_t accepted = m_nLinesAccepted;
    HandleFeedLine(line, &feed.m_ignoredPositions);
    return m_nLinesAccepted != accepted;
}

void CQuorvexDlg::OnFeedReceived(CSbsFeed& /*feed*/)
{
    ShowFeedCounters();
}

void CQuorvexDlg::OnFeedUp(CSbsFeed& feed)
{
    if (&feed == m_feeds[0].get())
        m_controls.SetWindowText(kIdConnect, "Connected");
    const bool first = !m_bFeedConnected;
    m_bFeedConnected = true;
    m_server.SetFeedConnected(true);
    m_bLossAnnounced = false;
    if (first)
        m_server.AnnounceFeed(true);
}

void CQuorvexDlg::OnFeedDown(CSbsFeed& feed)
{
    m_bFeedConnected = AnyFeedConnected();
    m_server.SetFeedConnected(m_bFeedConnected);
    const bool allStopped = std::all_of(m_feeds.begin(), m_feeds.end(),
        [](const auto& each) { return each->GetState() == CSbsFeed::State::Idle; });
    if (allStopped) {
        OnDisconnect();
        return;
    }
    // The first feed stopped for good while others go on: the caption follows those.
    if (&feed == m_feeds[0].get() && feed.GetState() == CSbsFeed::State::Idle)
        m_controls.SetWindowText(kIdConnect, m_bFeedConnected ? "Connected" : "Connecting ...");
    if (!m_bFeedConnected && !m_bLossAnnounced) {
        m_bLossAnnounced = true;
        m_server.AnnounceFeed(false);
    }
}

void CQuorvexDlg::OnFeedCaption(CSbsFeed& feed, const std::string& caption)
{
    if (&feed == m_feeds[0].get())
        m_controls.SetWindowText(kIdConnect, caption);
}

void CQuorvexDlg::OnFeedEvent(CSbsFeed& /*feed*/, bool warning, std::string kind, std::string text)
{
    Log(warning ? LogLevel::Warning : LogLevel::Info, kind, std::move(text));
}

void CQuorvexDlg::OnServiceTick()
{
    const std::int64_t now = platform::Time64();
    for (const auto& feed : m_feeds)
        feed->OnServiceTick(now);
    if (m_replay.IsRunning() && m_feedOptions.replaySpeed > 0.0)
        ReplayDueLines(0);
}

void CQuorvexDlg::OnDisconnect()
{
    m_replay.Stop();
    for (const auto& feed : m_feeds)
        feed->Stop();
    SetIdleButtons();
    m_controls.SetWindowText(kIdConnect, "Connect");
    m_bFeedConnected = false;
    m_server.SetFeedConnected(false);
    // A loss already told while retrying is not told again when the retries stop.
    if (!m_bLossAnnounced)
        m_server.AnnounceFeed(false);
    m_bLossAnnounced = false;
}

void CQuorvexDlg::SetIdleButtons()
{
    m_controls.EnableWindow(kIdConnect, true);
    m_controls.EnableWindow(kIdDisconnect, false);
    m_controls.EnableWindow(kIdLogfile, true);
    m_controls.EnableWindow(kIdPlus10, false);
}

void CQuorvexDlg::StartFormatInspection()
{
    m_formatDetector.Reset();
    m_bInspectingFormat = true;
}

void CQuorvexDlg::InspectFeedFormat(std::string_view piece)
{
    m_bInspectingFormat = m_formatDetector.Inspect(piece);
    if (m_bInspectingFormat)
        return;
    // Such a feed's lines are all rejected; without this the user sees only the counters.
    if (const std::string warning = FeedFormatWarning(m_formatDetector.Verdict()); !warning.empty())
        Log(LogLevel::Warning, "feed-format", "feed: " + warning);
}

bool CQuorvexDlg::HandleFeedLine(char* line, CIgnoredPositions* source)
{
    m_strLineCopy.assign(line);
    if (m_bInspectingFormat)
        InspectFeedFormat(m_strLineCopy);
    ++m_nLinesReceived;
    ++m_metrics.m_nLinesReceived;
    const std::int64_t now = platform::Time64();
    const ShortLineDate dates = m_feedOptions.replayDateRecorded && IsReplaying()
        ? ShortLineDate::Recorded
        : ShortLineDate::Today;
    // The copy has measured the line.
    if (m_traffic.HandleFeedLine(line, m_strLineCopy.size(), now, dates, source)) {
        m_strLastLine.swap(m_strLineCopy); // both keep their buffers for the next lines
        m_bLastLineShown = false;
        ++m_nLinesAccepted;
        ++m_metrics.m_nLinesAccepted;
    }
    m_bLineCountShown = false;
    return true;
}

// A feed delivers thousands of lines a second: the texts are formatted once for all the lines
// of a receive or a replay step, not for every line.
void CQuorvexDlg::ShowFeedCounters()
{
    if (!m_bLastLineShown) {
        m_controls.SetWindowText(kIdLastLine, m_strLastLine);
        m_bLastLineShown = true;
    }
    if (!m_bLineCountShown) {
        char text[48];
        const int length = std::snprintf(text, sizeof text, "%lld / %lld",
            static_cast<long long>(m_nLinesReceived), static_cast<long long>(m_nLinesAccepted));
        m_controls.SetWindowText(
            kIdLineCount, std::string_view(text, static_cast<std::size_t>(length)));
        m_bLineCountShown = true;
    }
}

void CQuorvexDlg::OnLogfileClicked()
{
    const std::string fileName = m_controls.GetWindowText(kIdEditServer);
    if (fileName.empty()) {
        m_controls.MessageBox(kFilenameEmptyText);
        return;
    }
    // Only a regular file is a recording: a directory opens but reads nothing, and a pipe or a
    // device could hold the window forever. Checked before opening, so nothing waits.
    std::FILE* file
        = platform::IsRegularFile(fileName) ? platform::OpenFile(fileName, "rb") : nullptr;
    if (file == nullptr) {
        m_controls.MessageBox(kFileOpenErrorText);
        return;
    }
    m_replay.Start(file);
    StartFormatInspection();
    m_bReplayedLast = true;
    m_controls.EnableWindow(kIdConnect, false);
    m_controls.EnableWindow(kIdLogfile, false);
    m_controls.EnableWindow(kIdPlus10, true);
    m_controls.EnableWindow(kIdDisconnect, true);
    ShowFeedCounters(); // what lines handled before showed, as they stop counting
    m_nLinesAccepted = 0;
    m_nLinesReceived = 0;
    if (m_feedOptions.replaySpeed > 0.0)
        ReplayDueLines(m_feedOptions.replayLines);
    else
        ReplayNextLines();
}

void CQuorvexDlg::EndReplay()
{
    m_replay.Stop();
    SetIdleButtons();
}

void CQuorvexDlg::ReplayNextLines()
{
    if (!m_replay.IsRunning())
        return;
    if (!m_replay.NextLines(
            m_feedOptions.replayLines, [this](char* line) { HandleFeedLine(line); }))
        EndReplay();
    ShowFeedCounters();
}

void CQuorvexDlg::ReplayDueLines(int timelessLines)
{
    if (!m_replay.DueLines(platform::Time64(), m_feedOptions.replaySpeed, timelessLines,
            [this](char* line) { HandleFeedLine(line); }))
        EndReplay();
    ShowFeedCounters();
}

void CQuorvexDlg::OnTimer()
{
    // A clock set back gives a negative difference: no purge until it has caught up.
    if (platform::Time64() - m_tLastPurge > kPurgeIntervalSeconds) {
        // A duration for /metrics, not a time of day: the steady clock, not Time64().
        const auto start = std::chrono::steady_clock::now();
        m_traffic.PurgeStaleAircraft(platform::Time64());
        ++m_metrics.m_nPurges;
        m_metrics.m_dPurgeSeconds
            += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        m_tLastPurge = platform::Time64();
    }
    if (m_replay.IsRunning()) {
        if (m_feedOptions.replaySpeed > 0.0)
            ReplayDueLines(m_feedOptions.replayLines);
        else
            ReplayNextLines();
    }
    m_server.BroadcastPositions(platform::Time64());
    WarnOfIgnoredPositions(platform::Time64());
}

void CQuorvexDlg::WarnOfIgnoredPositions(std::int64_t now)
{
    const std::int64_t ignored
        = m_traffic.m_ignoredPositions.Count(PositionVerdict::NorthEast) - m_nNorthEastWarned;
    if (ignored <= 0
        || (m_tNorthEastWarned != 0 && now - m_tNorthEastWarned < kIgnoredPositionsWarningSeconds))
        return;
    std::string when;
    if (m_tNorthEastWarned != 0) {
        const std::int64_t minutes = (now - m_tNorthEastWarned) / 60;
        when = minutes <= 60 ? " in the last hour"
                             : " in the last " + std::to_string(minutes) + " minutes";
    }
    Log(LogLevel::Warning, "positions-ignored",
        "feed: " + std::to_string(ignored)
            + (ignored == 1 ? " position ignored" + when + ": it lies"
                            : " positions ignored" + when + ": they lie")
            + " outside the default area (north of 10\u00b0 N and east of 10\u00b0 E); a "
              "receiver elsewhere needs --positions anywhere");
    m_nNorthEastWarned += ignored;
    m_tNorthEastWarned = now;
}
