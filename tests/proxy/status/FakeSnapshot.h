// A made-up proxy state for the status documents and the server: aircraft spread around Heathrow,
// some dead-reckoned, some whose positions were all ignored, two radar clients.
#pragma once

#include "proxy/status/StatusSnapshot.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace statustest {

inline constexpr std::int64_t kNow = 1'700'000'000;
inline constexpr double kRefLat = 51.47;
inline constexpr double kRefLon = -0.46;
inline constexpr double kReceiverLat = 51.5;
inline constexpr double kReceiverLon = -0.5;
inline constexpr double kMaxRangeNm = 100.0;

// `count` aircraft; aircraft i is `shift` tenths of a degree of track further round its circle,
// so that two snapshots with different shifts differ in every position.
inline status::CStatusSnapshot FakeSnapshot(int count, int shift = 0, std::int64_t now = kNow)
{
    status::CStatusSnapshot s;
    s.now = now;
    s.version = "1.0";
    s.feed.state = status::FeedState::Connected;
    s.feed.server = "127.0.0.1";
    s.feed.port = "30003";
    s.feed.linesReceived = 1234;
    s.feed.linesAccepted = 1200;
    s.feed.linesPerSecond = 41.5;
    s.feed.lastLine = "MSG,3,1,1,4CA2B1,1,2023/11/14,22:13:20.000,,,,,37000,,,51.5,-0.4,,,,,0";
    s.feed.format = "sbs";
    s.feed.positionsIgnoredNorthEast = 37;
    s.feed.positionsIgnoredRange = 2;
    s.clients.push_back({ "EGLL_TWR", "127.0.0.1:40112", now - 600, 0 });
    s.clients.push_back({ "", "127.0.0.1:40113", now - 5, 120 });
    s.reference = { true, kRefLat, kRefLon };
    s.receiver = { true, kReceiverLat, kReceiverLon, kMaxRangeNm };
    for (int i = 0; i < count; ++i) {
        status::CAircraftStatus a;
        char hex[16];
        std::snprintf(hex, sizeof hex, "%06X", 0x400000 + i);
        a.hexId = hex;
        a.callsign = i % 3 == 0 ? "" : "BAW" + std::to_string(100 + i);
        a.registration = "G-" + std::to_string(1000 + i);
        a.aircraftType = "A320";
        a.name = a.callsign.empty() ? a.registration : a.callsign;
        a.squawk = std::to_string(1000 + i % 7000);
        a.lastMessageTime = now - i % 30;
        a.altitude = 1000 + 100 * (i % 370);
        a.groundSpeed = 150 + i % 300;
        a.track = (i * 37) % 360;
        a.hasPosition = i % 10 != 9;
        a.positionsIgnored = !a.hasPosition; // west of 10 E, where Heathrow is
        if (a.hasPosition) {
            const double angle = (i * 7.3 + shift * 0.1) * 3.14159265 / 180.0;
            const double miles = 5.0 + (i * 13) % 80;
            a.latitude = kRefLat + miles * std::cos(angle) / 60.0;
            a.longitude = kRefLon + miles * std::sin(angle) / 60.0 / std::cos(kRefLat / 57.29578);
            a.lastPositionTime = now - (i % 4 == 1 ? 40 : 2);
            a.deadReckoned = i % 4 == 1;
            a.shownToClients = true;
            a.clientLatitude = a.latitude + (a.deadReckoned ? 0.05 : 0.0);
            a.clientLongitude = a.longitude;
        }
        s.aircraft.push_back(a);
    }
    s.metrics.m_nLinesReceived = 98765;
    s.metrics.m_nLinesAccepted = 90000;
    s.metrics.m_nBytesSent = 5'000'000'000;
    s.metrics.m_nClientsRefusedCallsign = 2;
    s.metrics.m_nClientsDroppedBacklog = 1;
    s.metrics.m_nFeedConnects = 4; // three reconnects
    s.metrics.m_tickDuration.Observe(0.0004);
    s.metrics.m_tickDuration.Observe(0.003);
    s.metrics.m_tickDuration.Observe(2.0);
    s.metrics.m_nPurges = 4;
    s.metrics.m_dPurgeSeconds = 0.002;
    return s;
}

} // namespace statustest
