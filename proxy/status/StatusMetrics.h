// The counters the proxy keeps for monitoring. Unlike the window's "received / accepted", which
// start again at every Connect, these only grow while the program runs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>

namespace status {

// A Prometheus-style histogram of durations in seconds, with fixed bucket bounds.
class CDurationHistogram {
public:
    static constexpr std::array<double, 10> kBounds
        = { 0.0005, 0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 1.0 };

    void Observe(double seconds);

    // Observations at most kBounds[i], cumulative as the text format wants them.
    std::uint64_t CumulativeCount(std::size_t bucket) const;
    std::uint64_t Count() const { return m_nCount; }
    double Sum() const { return m_dSum; }

private:
    std::array<std::uint64_t, kBounds.size()> m_nBuckets {}; // per bucket, not cumulative
    std::uint64_t m_nCount = 0;
    double m_dSum = 0.0;
};

struct CStatusMetrics {
    std::int64_t m_nLinesReceived = 0;
    std::int64_t m_nLinesAccepted = 0;
    std::int64_t m_nBytesSent = 0; // to radar clients
    std::int64_t m_nFeedConnects
        = 0; // connection attempts to the feed; after the first, reconnects
    std::int64_t m_nClientsRefusedCallsign = 0; // a login with a callsign already in use
    std::int64_t m_nClientsRefusedNotAllowed = 0; // a connection from outside the allow list
    std::int64_t m_nClientsDroppedBacklog = 0; // cut off for a send backlog past its bound
    CDurationHistogram m_tickDuration; // one timer tick: purge, replay step, broadcast
    std::uint64_t m_nPurges = 0;
    double m_dPurgeSeconds = 0.0; // all purges together
};

// Lines per second from samples of a growing counter: the rate over the samples of the last
// kWindowSeconds.
class CLineRate {
public:
    static constexpr std::int64_t kWindowSeconds = 10;

    // A sample at `now` (seconds); a sample older than the previous one starts again.
    void Sample(std::int64_t now, std::int64_t total);
    double PerSecond() const;

private:
    std::deque<std::pair<std::int64_t, std::int64_t>> m_samples; // (time, total), oldest first
};

} // namespace status
