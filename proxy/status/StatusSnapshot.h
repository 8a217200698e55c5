// What the status page, its JSON documents and the metrics show: plain values copied out of the
// proxy at one moment, so that rendering never touches the live tables and can be tested with a
// made-up state.
#pragma once

#include "StatusMetrics.h"

#include <cstdint>
#include <string>
#include <vector>

namespace status {

enum class FeedState { Idle, Connecting, Connected, Retrying, Replaying };

// The state's name in the JSON and on the page.
const char* FeedStateName(FeedState state);

struct CFeedStatus {
    FeedState state = FeedState::Idle;
    std::string server; // the server field: a host, or the file being replayed
    std::string port; // the port field, as typed
    std::int64_t linesReceived = 0; // the window's "received / accepted", since Connect or replay
    std::int64_t linesAccepted = 0;
    double linesPerSecond = 0.0; // received lines, over the last few seconds
    std::string lastLine; // the last accepted line, as received
    // What the start of the feed or replay looked like: "sbs", "beast", "avr", "json", "http", or
    // "" not known; and, for a format the proxy cannot read, what the user is to do about it.
    std::string format;
    std::string formatWarning;
    // Reported positions the position rules ignored since the start, by reason.
    std::int64_t positionsIgnoredNorthEast = 0; // outside the default area
    std::int64_t positionsIgnoredRange = 0; // beyond --max-range
    std::int64_t positionsIgnoredInvalid = 0; // not a coordinate, or 0,0
};

// One feed of several (--server given more than once).
struct CFeedSourceStatus {
    FeedState state = FeedState::Idle;
    std::string server;
    unsigned port = 0;
    std::int64_t linesReceived = 0; // since Connect
    std::int64_t linesAccepted = 0;
    std::string format; // as CFeedStatus::format
    std::string formatWarning;
    std::int64_t positionsIgnoredNorthEast = 0;
    std::int64_t positionsIgnoredRange = 0;
    std::int64_t positionsIgnoredInvalid = 0;
};

struct CClientStatus {
    std::string callsign; // empty: not logged in
    std::string address; // the peer's address and port, "127.0.0.1:40112"
    std::int64_t connectedSince = 0; // seconds since 1970
    std::int64_t bytesQueued = 0; // sent but not yet taken by the network
};

struct CAircraftStatus {
    std::string hexId;
    std::string callsign;
    std::string registration;
    std::string aircraftType;
    std::string name; // the name the radar clients know it by
    std::string squawk;
    std::int64_t lastMessageTime = 0; // seconds since 1970
    std::int64_t lastPositionTime = 0; // seconds since 1970; 0 without a position
    bool hasPosition = false;
    bool positionsIgnored = false; // it reported positions, and the rules took none
    double latitude = 0.0; // the last reported position
    double longitude = 0.0;
    // Where the radar clients see it: the reported position, or moved along the track when it is
    // old (deadReckoned); shownToClients is false once the position is too old to be sent.
    double clientLatitude = 0.0;
    double clientLongitude = 0.0;
    bool deadReckoned = false;
    bool shownToClients = false;
    std::int32_t altitude = 0; // feet
    std::int32_t groundSpeed = 0; // knots
    std::int32_t track = 0; // degrees
    std::int32_t verticalRate = 0; // feet per minute
    bool spi = false;
    bool onGround = false;
};

struct CReferenceStatus {
    bool set = false; // false until the first accepted position
    double latitude = 0.0;
    double longitude = 0.0;
};

// The receiver's position and range (--receiver and --max-range), when they are given.
struct CReceiverStatus {
    bool set = false;
    double latitude = 0.0;
    double longitude = 0.0;
    double maxRangeNm = 0.0;
};

struct CStatusSnapshot {
    std::int64_t now = 0; // seconds since 1970, when it was taken
    std::string version;
    CFeedStatus feed;
    std::vector<CFeedSourceStatus> feeds; // each feed when a Connect started more than one
    std::vector<CClientStatus> clients; // in order of acceptance
    std::vector<CAircraftStatus> aircraft;
    CReferenceStatus reference;
    CReceiverStatus receiver;
    CStatusMetrics metrics;
};

} // namespace status
