// The live traffic table: aircraft records keyed by hex id, and the columns of the window's
// aircraft list that mirrors it row by row.
#pragma once

#include "TrackedAircraft.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

// Hashes std::string and std::string_view alike, so that a field of a split line is looked up
// without building a std::string from it. The hash is std::hash's, so the map's buckets and its
// iteration order are those of a map keyed by std::string with the standard hash.
//
// noexcept, so the standard library keeps no hash in the node: it would sit after the record, a
// cache line a look-up must fetch on top of the key's. Hashing a short hex id again when a
// look-up walks on to the next node of a bucket, or the table grows, costs less.
struct CTextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept
    {
        return std::hash<std::string_view> {}(text);
    }
};

// Hex id (case-sensitive, exactly as received) to the record. The record lives in the map's node,
// next to its key: a feed line that finds its aircraft has its record without one more fetch from
// memory. Nodes do not move, so a record's address holds until the record is erased.
using CAircraftMap = std::unordered_map<std::string, CTrackedAircraft, CTextHash, std::equal_to<>>;

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
