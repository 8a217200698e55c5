// The live traffic table: aircraft records keyed by hex id, and the columns of the window's
// aircraft list that mirrors it row by row.
#pragma once

#include "AircraftMap.h"

#include <cstdint>
#include <string_view>

// Columns of the aircraft list.
enum AircraftListColumn : int {
    kColHexId = 0,
    kColLastReceived = 1,
    kColCallsign = 2,
    kColRegistration = 3,
    kColLastPositionReceived = 4,
    kColPosition = 5,
    kColHeading = 6,
    kColGroundSpeed = 7,
    kColAltitude = 8,
    kColSquawk = 9,
    kAircraftListColumns = 10,
};

// Header texts of the aircraft list, in column order.
inline constexpr std::string_view kAircraftListHeaders[kAircraftListColumns] = {
    "AC hexid",
    "Last received",
    "AC callsign",
    "Registration",
    "Last position received",
    "Last position lat/lon",
    "Heading",
    "Ground speed",
    "Altitude",
    "Squawk",
};

// Seconds of silence after which PurgeStaleAircraft removes an aircraft.
inline constexpr std::int64_t kStaleAircraftSeconds = 300;
