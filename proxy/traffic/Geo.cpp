#include "Geo.h"

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kEarthRadiusNm = 3440.065; // mean radius

double Radians(double degrees)
{
    return degrees * kPi / 180.0;
}

} // namespace

double WrapLongitude(double longitude)
{
    if (longitude >= -180.0 && longitude <= 180.0)
        return longitude;
    double wrapped = std::fmod(longitude + 180.0, 360.0);
    if (wrapped < 0.0)
        wrapped += 360.0;
    return wrapped - 180.0;
}

double DistanceNm(double latitude1, double longitude1, double latitude2, double longitude2)
{
    // Haversine: well-conditioned for the short distances a receiver sees.
    const double dLat = Radians(latitude2 - latitude1);
    const double dLon = Radians(longitude2 - longitude1);
    const double a = std::sin(dLat / 2) * std::sin(dLat / 2)
        + std::cos(Radians(latitude1)) * std::cos(Radians(latitude2)) * std::sin(dLon / 2)
            * std::sin(dLon / 2);
    return 2.0 * kEarthRadiusNm * std::asin(std::sqrt(std::fmin(1.0, a)));
}
