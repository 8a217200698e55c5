// The FSD packets the proxy composes, as pure functions of their inputs: the routing operations of
// the main window send what these return. Every literal is the one the radar clients know, byte
// for byte, misspellings included. Numbers are written independently of the process locale.
#pragma once

#include "platform/AsciiText.h"
#include "proxy/traffic/PositionRules.h"
#include "proxy/traffic/ReferencePoint.h"
#include "proxy/traffic/TrackedAircraft.h"

#include <cstdint>
#include <string>
#include <string_view>

// Server texts sent to one client about itself.
inline constexpr std::string_view kCallsignInUseText = "Sorry, but callsign is in use";
inline constexpr std::string_view kHelloText = "Hello to Quorvex server by Dorvath";
inline constexpr std::string_view kFeedUpText = "Be happy, the SBS-1 sever is connected";
inline constexpr std::string_view kFeedDownText = "Unfortunately SBS-1 sever is not connected";
// The server texts of the refusals.
inline constexpr std::string_view kServerFullText = "Sorry, but the server is full";
inline constexpr std::string_view kWrongPasswordText = "Sorry, but the password is wrong";
// Announcements of the feed's state to every client, through SendServerText.
inline constexpr std::string_view kFeedConnectedMessage
    = "Be happy, the SBS data feed is connetced!!!";
inline constexpr std::string_view kFeedDisconnectedMessage
    = "Sorry, but SBS data feed is disconnetced";

// Position ages in seconds: below kFreshPositionAge the packet says 'Y'; beyond kDeadReckonAge
// the position is moved along the track; beyond kMaxPositionAge the aircraft is not sent.
inline constexpr std::int32_t kFreshPositionAge = 5;
inline constexpr std::int32_t kDeadReckonAge = 15;
inline constexpr std::int32_t kMaxPositionAge = 180;

// "#DP<name>" and CR LF: the clients delete the aircraft they knew by this name.
std::string ComposeDeletePilot(std::string_view name);

// "#TMserver:<callsign>:<message>" and CR LF: a text from the server to the client logged in as
// `callsign` (empty for a client that has not logged in).
std::string ComposeServerText(std::string_view callsign, std::string_view message);

// Seconds from `positionTime` to `now`, taken on the low 32 bits of both as a signed 32-bit
// number: exact for any difference below 68 years, negative for a time in the future.
std::int32_t PositionAge(std::int64_t now, std::int64_t positionTime);

// The packed pitch-bank-heading word of the position packet: the heading in 1/2.88 degree steps,
// rounded, times 4; pitch and bank are zero. The heading is not reduced modulo 1024, as the
// clients have always been sent it this way.
std::int32_t AttitudeWord(std::int32_t track);

// Where an aircraft is `age` seconds after `position`, flying `track` at 0.8 times
// `groundSpeed`, on the flat projection around `reference` (the longitude step uses the
// reference latitude's scale).
AircraftPosition DeadReckon(const AircraftPosition& position, std::int32_t groundSpeed,
    std::int32_t track, std::int32_t age, const CReferencePoint& reference,
    PositionRange range = PositionRange::NorthEast);

// The name under which the clients know an aircraft: callsign, else registration, else hex id.
const std::string& AircraftName(const CTrackedAircraft& aircraft);

// The "@" pilot position packet of an aircraft at time `now`, dead-reckoned when its position is
// more than kDeadReckonAge seconds old; an empty text when it has no position or one older than
// kMaxPositionAge seconds.
std::string ComposePilotPosition(const CTrackedAircraft& aircraft, std::int64_t now,
    const CReferencePoint& reference, PositionRange range = PositionRange::NorthEast);

// The "$FP" flight plan of `aircraft`, answering a query for `requested` (written back as the
// client wrote it).
std::string ComposeFlightPlan(std::string_view requested, const CTrackedAircraft& aircraft);
