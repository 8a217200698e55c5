// The origin of the flat projection used for dead reckoning: the first position the feed parser
// accepts in a run. The traffic model keeps it (and sets it once); the position broadcast and the
// status page project around it.
#pragma once

struct CReferencePoint {
    double dRefLon = 0.0; // degrees; 0.0 until the first accepted position
    double dRefLat = 0.0; // degrees; 0.0 until the first accepted position
    double dLonScale = 60.0; // nautical miles per degree of longitude at dRefLat; 60.0 until set
    double dLatScale = 60.0; // nautical miles per degree of latitude; always 60.0

    bool IsSet() const { return dRefLon != 0.0 || dRefLat != 0.0; }
    // Sets the point from a position, if it is not set yet (both coordinates still 0.0).
    void SetOnce(double longitude, double latitude);
};
