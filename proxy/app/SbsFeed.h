// One SBS feed: the connection to a receiver's BaseStation port, its retries and silence limit,
// and its own counters. The window owns one per --server (the first is the one of its fields);
// every feed's lines go into the one traffic model through the owner.
#pragma once

#include "FeedOptions.h"
#include "proxy/net/SBSSocket.h"
#include "proxy/status/StatusMetrics.h"
#include "proxy/traffic/FeedFormat.h"
#include "proxy/traffic/PositionRules.h"

#include <cstdint>
#include <string>
#include <string_view>

class CSbsFeed;

// What a feed tells its owner.
class CSbsFeedOwner {
public:
    // One line of the feed, NUL-terminated, which may be cut in place; whether it was accepted.
    virtual bool OnFeedLine(CSbsFeed& feed, char* line) = 0;
    // After the lines of one receive.
    virtual void OnFeedReceived(CSbsFeed& feed) = 0;
    // The feed connected.
    virtual void OnFeedUp(CSbsFeed& feed) = 0;
    // The feed was lost or could not connect: it now waits to retry, or (without a retry) has
    // stopped.
    virtual void OnFeedDown(CSbsFeed& feed) = 0;
    // The time left before the next attempt changed, or an attempt started: its caption.
    virtual void OnFeedCaption(CSbsFeed& feed, const std::string& caption) = 0;
    // An event for the log.
    virtual void OnFeedEvent(CSbsFeed& feed, bool warning, std::string kind, std::string text) = 0;

protected:
    ~CSbsFeedOwner() = default;
};

class CSbsFeed final : private CFeedLineSink {
public:
    enum class State { Idle, Connecting, Connected, Waiting };
    // A connection that has sent nothing at all for this long is explained in the log, once: a
    // receiver with no aircraft in range, or a port that waits to be asked (a web server's).
    static constexpr int kQuietWarningSeconds = 30;

    // `metrics` counts the connection attempts; none: not counted.
    CSbsFeed(CSbsFeedOwner& owner, const CFeedOptions& options,
        status::CStatusMetrics* metrics = nullptr);
    CSbsFeed(const CSbsFeed&) = delete;
    CSbsFeed& operator=(const CSbsFeed&) = delete;

    // Starts connecting to `server` on `port` (0 for a port that cannot be used: the attempt then
    // fails as a connection would), with a fresh retry delay and fresh counters.
    void Start(const std::string& server, unsigned port);
    // Stops the connection and any retry; nothing is told.
    void Stop();
    // Once a second: the due retry and the silence limit.
    void OnServiceTick(std::int64_t now);

    State GetState() const { return m_state; }
    bool IsConnected() const { return m_state == State::Connected; }
    const std::string& Server() const { return m_strServer; }
    unsigned Port() const { return m_nPort; }
    // What the start of the last connection looked like; FeedFormat::Unknown until it is known.
    FeedFormat Format() const { return m_format.Verdict(); }
    // "HOST port N", for the log.
    std::string Name() const { return m_strServer + " port " + std::to_string(m_nPort); }

    // Since the last Start. 64-bit: a feed running for weeks passes 2^31 lines.
    std::int64_t m_nLinesReceived = 0;
    std::int64_t m_nLinesAccepted = 0;
    CIgnoredPositions m_ignoredPositions; // positions of its lines the rules ignored

private:
    bool HandleFeedLine(char* line) override;
    void OnFeedReceived() override;
    void OnFeedConnected() override;
    void OnDisconnect() override { OnFeedLost("closed"); }
    void OnFeedLost(std::string_view reason) override;
    // The first bytes of a connection: what its format looks like.
    void OnFeedStart(std::string_view bytes) override
    {
        m_bHeard = true;
        Inspect(bytes);
    }
    // Such a feed's lines are all rejected: the log says what it looks like, once a connection.
    void Inspect(std::string_view piece);
    void Attempt(std::int64_t now);
    void Caption(std::int64_t now);

    CSbsFeedOwner& m_owner;
    const CFeedOptions& m_options;
    status::CStatusMetrics* m_pMetrics;
    CSBSSocket m_socket;
    State m_state = State::Idle;
    std::string m_strServer;
    unsigned m_nPort = 0;
    int m_nRetryDelay = 1; // seconds before the next retry
    std::int64_t m_tRetryAt = 0;
    std::int64_t m_tActivity = 0; // start of the attempt, connect, or last line
    std::int64_t m_tUpSince = 0; // when it last connected
    std::int64_t m_tDownSince = 0; // when a connected feed was lost; 0 since Start
    CFeedFormatDetector m_format;
    bool m_bInspecting = false; // the detector wants more of the connection's start
    bool m_bHeard = false; // the connection has sent something
    bool m_bQuietTold = false; // its silence since connecting was explained
};
