// Which reported positions the traffic model takes. By default only positions north of 10 degrees
// north and east of 10 degrees east (receivers report 0,0 and other junk for aircraft without a
// fix); with receivers anywhere, every valid position but 0,0; and, when the receiver's position
// and range are known, none farther than the range.
#pragma once

// Which positions the dead reckoning must handle: the classic north-east of 10 degrees, or any
// valid one, when differences of longitude are taken across the antimeridian and the results kept
// within +-90 and +-180 degrees.
enum class PositionRange { NorthEast, Anywhere };

struct CPositionRules {
    bool anywhere = false; // every valid position, not only north-east of 10 degrees
    bool receiverSet = false; // with maxRangeNm: positions farther from the receiver are dropped
    double receiverLatitude = 0.0;
    double receiverLongitude = 0.0;
    double maxRangeNm = 0.0;

    bool Accepts(double latitude, double longitude) const;
    PositionRange Range() const
    {
        return anywhere ? PositionRange::Anywhere : PositionRange::NorthEast;
    }
};
