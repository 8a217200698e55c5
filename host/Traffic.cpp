#include "Traffic.h"

#include "Text.h"

#include <utility>

namespace host {

using VeltrixPlugIn::CAircraft;
using VeltrixPlugIn::CHostAccess;
using VeltrixPlugIn::HostAircraft;

CTrafficRegistry::CTrafficRegistry(
    const CAirportTable& airports, std::function<void(const std::string&)> warn)
    : m_Airports(airports)
    , m_Warn(std::move(warn))
{
}

double CTrafficRegistry::DistanceToDestination(const HostAircraft& aircraft)
{
    if (aircraft.destination.empty())
        return 0.0;
    const std::optional<VeltrixPlugIn::CPosition> airport = m_Airports.Find(aircraft.destination);
    if (airport)
        return aircraft.position.DistanceTo(*airport);
    const std::string code = AsciiUpper(aircraft.destination);
    if (m_WarnedDestinations.insert(code).second && m_Warn)
        m_Warn("no position known for destination " + code
            + " (airports file); its distance counts as 0");
    return 0.0;
}

CTrafficRegistry::Update CTrafficRegistry::ReportPosition(
    const PositionReport& report, TrafficSource source, std::int64_t now)
{
    const std::string key = AsciiUpper(report.callsign);
    auto it = m_Aircraft.find(key);
    const bool isNew = it == m_Aircraft.end();
    auto aircraft = isNew ? std::make_shared<HostAircraft>()
                          : std::make_shared<HostAircraft>(*it->second.data);
    aircraft->callsign = report.callsign;
    aircraft->position = report.position;
    aircraft->pressureAltitude = report.pressureAltitude;
    aircraft->groundSpeed = report.groundSpeed;
    aircraft->distanceToDestination = DistanceToDestination(*aircraft);
    Entry& entry = m_Aircraft[key];
    entry.data = aircraft;
    entry.source = source;
    entry.lastPosition = now;
    return Update { CHostAccess::MakeAircraft(std::move(aircraft)), isNew };
}

CAircraft CTrafficRegistry::ReportFlightPlan(
    std::string_view callsign, std::string_view destination, std::string_view aircraftType)
{
    const auto it = m_Aircraft.find(AsciiUpper(callsign));
    if (it == m_Aircraft.end())
        return CAircraft();
    auto aircraft = std::make_shared<HostAircraft>(*it->second.data);
    aircraft->flightPlanReceived = true;
    aircraft->destination = destination;
    aircraft->aircraftType = aircraftType;
    aircraft->distanceToDestination = DistanceToDestination(*aircraft);
    it->second.data = aircraft;
    return CHostAccess::MakeAircraft(std::move(aircraft));
}

CAircraft CTrafficRegistry::Forget(std::string_view callsign)
{
    const auto it = m_Aircraft.find(AsciiUpper(callsign));
    if (it == m_Aircraft.end())
        return CAircraft();
    CAircraft last = CHostAccess::MakeAircraft(it->second.data);
    m_Aircraft.erase(it);
    return last;
}

std::vector<CAircraft> CTrafficRegistry::ForgetSilent(std::int64_t now, std::int64_t maxSilence)
{
    std::vector<CAircraft> gone;
    for (auto it = m_Aircraft.begin(); it != m_Aircraft.end();) {
        const Entry& entry = it->second;
        if (entry.source == TrafficSource::Network && now - entry.lastPosition > maxSilence) {
            gone.push_back(CHostAccess::MakeAircraft(entry.data));
            it = m_Aircraft.erase(it);
        } else {
            ++it;
        }
    }
    return gone;
}

CAircraft CTrafficRegistry::AircraftSelect(const char* callsign) const
{
    if (callsign == nullptr)
        return CAircraft();
    const auto it = m_Aircraft.find(AsciiUpper(callsign));
    return it == m_Aircraft.end() ? CAircraft() : CHostAccess::MakeAircraft(it->second.data);
}

} // namespace host
