#include "ReferencePoint.h"

#include <cmath>

void CReferencePoint::SetOnce(double longitude, double latitude)
{
    if (IsSet())
        return;
    dRefLon = longitude;
    dRefLat = latitude;
    // pi with 11 decimals: the scale is defined with this value, not with full precision.
    dLonScale = std::cos(latitude / 180.0 * 3.14159265359) * dLatScale;
}
