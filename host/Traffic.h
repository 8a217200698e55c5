// The aircraft the host knows, behind CPlugIn::AircraftSelect and the handles it gives out.
//
// Every change makes a new HostAircraft, so that a handle given out earlier keeps the values of
// its moment. Callsigns compare without regard to ASCII case.
#pragma once

#include "Airports.h"
#include "veltrix/HostInterface.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace host {

// Where the host learnt of an aircraft. Only traffic from the network goes silent and is
// forgotten by age; aircraft of a script stay until the script forgets them.
enum class TrafficSource { Script, Network };

struct PositionReport {
    std::string callsign;
    VeltrixPlugIn::CPosition position;
    int pressureAltitude = 0; // feet
    int groundSpeed = 0; // knots
};

class CTrafficRegistry final : public VeltrixPlugIn::CHostServices {
public:
    // `airports` must outlive the registry. `warn` receives one line for each destination that
    // has no position in the airports table (once per code).
    CTrafficRegistry(const CAirportTable& airports, std::function<void(const std::string&)> warn);

    struct Update {
        VeltrixPlugIn::CAircraft aircraft;
        bool isNew = false;
    };
    Update ReportPosition(const PositionReport& report, TrafficSource source, std::int64_t now);
    // Sets the flight plan of a known aircraft (IsReceived becomes true); an empty handle when
    // the aircraft is unknown.
    VeltrixPlugIn::CAircraft ReportFlightPlan(
        std::string_view callsign, std::string_view destination, std::string_view aircraftType);
    // Removes the aircraft; returns its last handle, or an empty one when it was unknown.
    VeltrixPlugIn::CAircraft Forget(std::string_view callsign);
    // Removes network aircraft whose last position is more than maxSilence seconds before now,
    // and returns their last handles.
    std::vector<VeltrixPlugIn::CAircraft> ForgetSilent(std::int64_t now, std::int64_t maxSilence);

    VeltrixPlugIn::CAircraft AircraftSelect(const char* callsign) const override;
    std::size_t Count() const { return m_Aircraft.size(); }

private:
    struct Entry {
        std::shared_ptr<const VeltrixPlugIn::HostAircraft> data;
        TrafficSource source = TrafficSource::Script;
        std::int64_t lastPosition = 0;
    };

    double DistanceToDestination(const VeltrixPlugIn::HostAircraft& aircraft);

    const CAirportTable& m_Airports;
    std::function<void(const std::string&)> m_Warn;
    std::map<std::string, Entry, std::less<>> m_Aircraft; // by upper-case callsign
    std::set<std::string, std::less<>> m_WarnedDestinations;
};

} // namespace host
