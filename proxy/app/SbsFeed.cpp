#include "SbsFeed.h"

#include "platform/Clock.h"

#include <algorithm>

CSbsFeed::CSbsFeed(
    CSbsFeedOwner& owner, const CFeedOptions& options, status::CStatusMetrics* metrics)
    : m_owner(owner)
    , m_options(options)
    , m_pMetrics(metrics)
{
    m_socket.m_pDlg = this;
}

void CSbsFeed::Start(const std::string& server, unsigned port)
{
    m_strServer = server;
    m_nPort = port;
    m_nRetryDelay = 1;
    m_tDownSince = 0;
    m_nLinesReceived = 0;
    m_nLinesAccepted = 0;
    m_ignoredPositions = {};
    m_owner.OnFeedEvent(*this, false, "feed", "feed: connecting to " + Name());
    Attempt(platform::Time64());
}

void CSbsFeed::Attempt(std::int64_t now)
{
    // Every failure, even of an attempt that cannot start (a bad port, a name that does not
    // resolve), arrives as the connect event with an error and ends in OnFeedLost: the feed never
    // stays connecting for want of an event.
    if (m_pMetrics != nullptr)
        ++m_pMetrics->m_nFeedConnects;
    m_socket.Close();
    // Half a line of the last connection must not be glued to the first line of this one.
    m_socket.ResetLineAssembly();
    m_socket.Create();
    m_format.Reset();
    m_bInspecting = true;
    // Connecting before the attempt starts, so that a failure told at once is taken as one.
    m_state = State::Connecting;
    m_tActivity = now;
    m_socket.Connect(m_strServer, m_nPort);
}

void CSbsFeed::Stop()
{
    m_socket.Close();
    m_state = State::Idle;
}

void CSbsFeed::Inspect(std::string_view piece)
{
    if (!m_bInspecting)
        return;
    m_bInspecting = m_format.Inspect(piece);
    if (m_bInspecting)
        return;
    if (const std::string warning = FeedFormatWarning(m_format.Verdict()); !warning.empty())
        m_owner.OnFeedEvent(*this, true, "feed-format", "feed: " + warning);
}

bool CSbsFeed::HandleFeedLine(char* line)
{
    Inspect(line);
    ++m_nLinesReceived;
    if (m_options.feedTimeoutSeconds > 0)
        m_tActivity = platform::Time64();
    if (m_owner.OnFeedLine(*this, line))
        ++m_nLinesAccepted;
    return true;
}

void CSbsFeed::OnFeedReceived()
{
    m_owner.OnFeedReceived(*this);
}

void CSbsFeed::OnFeedConnected()
{
    const std::int64_t now = platform::Time64();
    m_state = State::Connected;
    m_nRetryDelay = 1;
    m_tActivity = now;
    std::string text = "feed: connected to " + Name();
    if (m_tDownSince != 0)
        text += ", again after " + std::to_string(now - m_tDownSince) + " s without it";
    m_owner.OnFeedEvent(*this, false, "feed", std::move(text));
    m_tUpSince = now;
    m_tDownSince = 0;
    m_bHeard = false;
    m_bQuietTold = false;
    m_owner.OnFeedUp(*this);
}

void CSbsFeed::OnFeedLost(std::string_view reason)
{
    if (m_state == State::Idle)
        return;
    const std::int64_t now = platform::Time64();
    const bool retrying = m_options.reconnectMaxSeconds > 0;
    // A connection that was up is lost once, a change of state; an attempt that fails may fail
    // the same way again and again, and its repeats are held back.
    const bool wasUp = m_state == State::Connected;
    std::string text = wasUp ? "feed: " + Name() + " lost after " + std::to_string(now - m_tUpSince)
            + " s up: " + std::string(reason)
                             : "feed: " + Name() + ": " + std::string(reason);
    if (retrying)
        text += "; retrying in " + std::to_string(m_nRetryDelay) + " s";
    // Each feed's failures are held back on their own.
    m_owner.OnFeedEvent(*this, true,
        wasUp ? "feed-lost" : "failure:feed " + Name() + " " + std::string(reason),
        std::move(text));
    if (wasUp)
        m_tDownSince = now;
    m_socket.Close();
    if (!retrying) {
        m_state = State::Idle;
        m_owner.OnFeedDown(*this);
        return;
    }
    m_state = State::Waiting;
    m_tRetryAt = now + m_nRetryDelay;
    m_nRetryDelay = std::min(m_nRetryDelay * 2, m_options.reconnectMaxSeconds);
    m_owner.OnFeedDown(*this);
    Caption(now);
}

void CSbsFeed::Caption(std::int64_t now)
{
    const std::int64_t left = std::max<std::int64_t>(0, m_tRetryAt - now);
    m_owner.OnFeedCaption(*this, "retrying in " + std::to_string(left) + " s");
}

void CSbsFeed::OnServiceTick(std::int64_t now)
{
    if (m_state == State::Connected && !m_bHeard && !m_bQuietTold
        && now - m_tUpSince >= kQuietWarningSeconds) {
        m_bQuietTold = true;
        m_owner.OnFeedEvent(*this, true, "feed-quiet",
            "feed: " + Name() + ": " + QuietFeedWarning(static_cast<int>(now - m_tUpSince)));
    }
    if (m_state == State::Waiting) {
        if (now >= m_tRetryAt) {
            Attempt(now);
            m_owner.OnFeedCaption(*this, "Connecting ...");
        } else {
            Caption(now);
        }
    } else if (m_state != State::Idle && m_options.feedTimeoutSeconds > 0
        && now - m_tActivity >= m_options.feedTimeoutSeconds) {
        OnFeedLost((m_state == State::Connected ? "silent for " : "no answer in ")
            + std::to_string(now - m_tActivity) + " s");
    }
}
