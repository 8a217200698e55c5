// Which reported positions the traffic model takes. By default only positions north of 10 degrees
// north and east of 10 degrees east (receivers report 0,0 and other junk for aircraft without a
// fix); with receivers anywhere, every valid position but 0,0; and, when the receiver's position
// and range are known, none farther than the range.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Which positions the dead reckoning must handle: the classic north-east of 10 degrees, or any
// valid one, when differences of longitude are taken across the antimeridian and the results kept
// within +-90 and +-180 degrees.
enum class PositionRange { NorthEast, Anywhere };

// What the rules made of one reported position: taken, or why not.
enum class PositionVerdict {
    Accepted,
    NorthEast, // a valid position outside the default area north of 10 N and east of 10 E
    Range, // farther from the receiver than the range
    Invalid, // beyond the poles or the antimeridian, not a number, or 0,0
};

// The positions the rules ignored, by reason, since the start. A feed's own: once there are
// several feeds, each will keep one.
struct CIgnoredPositions {
    static constexpr std::size_t kReasons = 3;

    void Add(PositionVerdict verdict) { ++counts[static_cast<std::size_t>(verdict) - 1]; }
    std::int64_t Count(PositionVerdict verdict) const
    {
        return counts[static_cast<std::size_t>(verdict) - 1];
    }
    std::int64_t Total() const { return counts[0] + counts[1] + counts[2]; }

    std::array<std::int64_t, kReasons> counts {}; // NorthEast, Range, Invalid
};

struct CPositionRules {
    bool anywhere = false; // every valid position, not only north-east of 10 degrees
    bool receiverSet = false; // with maxRangeNm: positions farther from the receiver are dropped
    double receiverLatitude = 0.0;
    double receiverLongitude = 0.0;
    double maxRangeNm = 0.0;

    PositionVerdict Check(double latitude, double longitude) const;
    PositionRange Range() const
    {
        return anywhere ? PositionRange::Anywhere : PositionRange::NorthEast;
    }
};
