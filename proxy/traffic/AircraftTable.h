// The live traffic table: aircraft records keyed by hex id, and the columns of the window's
// aircraft list that mirrors it row by row.
#pragma once

#include "TrackedAircraft.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

// Hashes std::string and std::string_view alike, so that a field of a split line is looked up
// without building a std::string from it. The hash is std::hash's, so the map's buckets and its
// iteration order are those of a map keyed by std::string with the standard hash.
//
// Deliberately not noexcept: the standard library then keeps every key's hash in its node (as it
// does for std::hash<std::string>), so that a look-up walking a bucket, an insertion and a rehash
// never hash the neighbouring keys again; with a noexcept hash it would treat the hash as cheap
// and recompute it for every node it passes.
struct CTextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const
    {
        return std::hash<std::string_view> {}(text);
    }
};

// Hex id (case-sensitive, exactly as received) to the record, which the map owns.
using CAircraftMap = std::unordered_map<std::string, std::unique_ptr<CTrackedAircraft>, CTextHash,
    std::equal_to<>>;

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
