// Plain geometry on the sphere for the position checks and the dead reckoning of receivers
// anywhere on earth.
#pragma once

// `longitude` brought into -180 .. 180 degrees (180 stays 180); not a number stays so.
double WrapLongitude(double longitude);

// Great-circle distance in nautical miles between two positions in degrees.
double DistanceNm(double latitude1, double longitude1, double latitude2, double longitude2);
