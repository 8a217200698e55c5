// The origin of the flat projection used for dead reckoning: the first position the feed parser
// accepts in a run. Process-wide, shared by the parser (which sets it once) and the position
// broadcast (which projects around it).
#pragma once

extern double g_dRefLon; // degrees; 0.0 until the first accepted position
extern double g_dRefLat; // degrees; 0.0 until the first accepted position
extern double g_dLonScale; // nautical miles per degree of longitude at g_dRefLat; 60.0 until set
extern double g_dLatScale; // nautical miles per degree of latitude; always 60.0

// Sets the reference point from a position, if it is not set yet (both coordinates still 0.0).
void SetReferencePointOnce(double longitude, double latitude);

// Back to the state at program start, for tests.
void ResetReferencePoint();
