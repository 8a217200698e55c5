#include "ReferencePoint.h"

#include <cmath>

double g_dRefLon = 0.0;
double g_dRefLat = 0.0;
double g_dLonScale = 60.0;
double g_dLatScale = 60.0;

void SetReferencePointOnce(double longitude, double latitude)
{
    if (g_dRefLon != 0.0 || g_dRefLat != 0.0)
        return;
    g_dRefLon = longitude;
    g_dRefLat = latitude;
    // pi with 11 decimals: the scale is defined with this value, not with full precision.
    g_dLonScale = std::cos(latitude / 180.0 * 3.14159265359) * g_dLatScale;
}

void ResetReferencePoint()
{
    g_dRefLon = 0.0;
    g_dRefLat = 0.0;
    g_dLonScale = 60.0;
    g_dLatScale = 60.0;
}
