// Follows the host's position reports: which aircraft belong on the board, where they stand,
// which state they are in, and which allocations they consume on reaching a stand.
#include "StavoScreen.h"
#include "StavoText.h"
#include "platform/AsciiText.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace {

constexpr int kCeiling = 10000; // pressure altitude above which an aircraft is dropped
constexpr int kStandAltitude = 800; // below this pressure altitude it can be at a stand
constexpr int kStandSpeed = 5; // below this ground speed it can be at a stand
constexpr int kFastSpeed = 50; // divides taxiing from flying
constexpr double kStandRadius = 0.05; // greatest distance to a stand's reference position
constexpr double kInitialBest = 100.0; // start of the nearest-stand search

// Only a stand within a narrow band of latitude can be within the radius: no great-circle
// distance is shorter than the meridian arc between the two latitudes, and a degree of that arc
// is never shorter than 59.7 nm (the WGS84 ellipsoid at the equator; 60.04 nm on the host's
// sphere). Taking 59 nm leaves room for every rounding of the distance formula. The band is
// tested only where both latitudes lie within 90 degrees: beyond, the formula's cosines turn
// negative and a report across the pole may come out near.
bool InLatitudeBand(double a, double b)
{
    constexpr double kNmPerDegreeAtLeast = 59.0;
    constexpr double kBand = kStandRadius / kNmPerDegreeAtLeast;
    // NaN and unusual latitudes fall through to the full formula.
    return !(std::fabs(a - b) > kBand && std::fabs(a) <= 90.0 && std::fabs(b) <= 90.0);
}

} // namespace

int CStavoScreen::FindNearestStand(const VeltrixPlugIn::CPosition& position) const
{
    double best = kInitialBest;
    int result = -1;
    for (std::size_t i = 0; i < m_Stands.size(); ++i) {
        const CStavoStand& stand = m_Stands[i];
        for (int element = 0; element < 2; ++element) {
            if (!stand.m_PositionValid[element]
                || !InLatitudeBand(position.m_Latitude, stand.m_Position[element].m_Latitude))
                continue;
            const double d = position.DistanceTo(stand.m_Position[element]);
            // Strictly nearer only: on a tie the lower stand index (and element 0) wins.
            if (d <= kStandRadius && d < best) {
                best = d;
                result = static_cast<int>(i);
            }
        }
    }
    return result;
}

bool CStavoScreen::ConsumeAllocation(int stand, std::string_view callsign)
{
    if (stand < 0 || static_cast<std::size_t>(stand) >= m_Stands.size())
        return false;
    std::vector<CStavoAllocation>& allocations = m_Stands[stand].m_Allocations;
    for (std::size_t k = 0; k < allocations.size(); ++k) {
        if (allocations[k].m_Callsign == "*"
            || platform::EqualsAsciiNoCase(allocations[k].m_Callsign, callsign)) {
            allocations.erase(allocations.begin() + static_cast<std::ptrdiff_t>(k));
            return true;
        }
    }
    return false;
}

void CStavoScreen::OnAircraftPositionUpdate(VeltrixPlugIn::CAircraft aircraft)
{
    const std::string callsign = aircraft.GetCallsign();
    // Without a callsign reports of different aircraft would merge into one record.
    if (callsign.empty())
        return;
    const VeltrixPlugIn::CAircraftPositionData report = aircraft.GetPosition();
    const int altitude = report.GetPressureAltitude();
    const VeltrixPlugIn::CPosition position = report.GetPosition();
    const int groundSpeed = aircraft.GetGS();

    TrackedNode node = FindTrackedAircraft(callsign);
    // Without stands the track box is only the zero default: track nothing rather than whatever
    // reports a position of exactly 0, 0.
    if (altitude > kCeiling || m_Stands.empty() || !m_TrackBox.Contains(position)) {
        if (node != m_TrackedAircraft.end())
            EraseTrackedAircraft(node);
        return;
    }

    if (node == m_TrackedAircraft.end()) {
        CStavoAircraft record;
        record.m_Callsign = callsign;
        record.m_StateTime = GetTime();
        if (groundSpeed <= kFastSpeed) {
            record.m_State = StateAtStand;
        } else {
            // An unknown destination is no arrival, even where the airport name is empty.
            const std::string_view destination = aircraft.GetFlightPlan().GetDestination();
            if (destination.empty() || !platform::EqualsAsciiNoCase(destination, m_Airport))
                return;
            record.m_State = StateInbound;
        }
        node = m_TrackedAircraft.insert(m_TrackedAircraft.end(), std::move(record));
    }

    const bool canStand = altitude < kStandAltitude && groundSpeed < kStandSpeed;
    const int stand = canStand ? FindNearestStand(position) : -1;
    if (stand >= 0 && ConsumeAllocation(stand, callsign))
        node->m_Allocated = true;
    ApplyStateRules(*node, stand, groundSpeed);
    Reinsert(node, aircraft.GetDistanceToDestination());
}

void CStavoScreen::ApplyStateRules(CStavoAircraft& record, int stand, int groundSpeed)
{
    const std::int64_t now = GetTime();
    auto change = [&](AircraftState state) {
        record.m_State = state;
        record.m_StateTime = now;
    };
    record.m_Stand = stand;
    if (stand >= 0) {
        // Back on a stand: departures that had left stand again, arrivals are on block.
        // At-stand, pushback and on-block stay as they are.
        if (record.m_State == StateTaxiOut || record.m_State == StateDeparted)
            change(StateAtStand);
        else if (record.m_State == StateInbound || record.m_State == StateTaxiIn)
            change(StateOnBlock);
        return;
    }
    // Off every stand: each rule sees the state the previous one left.
    if (record.m_State == StateAtStand || record.m_State == StatePushback)
        change(StateTaxiOut);
    else if (record.m_State == StateOnBlock)
        change(StateTaxiIn);
    if (record.m_State == StateInbound && groundSpeed < kFastSpeed)
        change(StateTaxiIn);
    if ((record.m_State == StateAtStand || record.m_State == StatePushback
            || record.m_State == StateTaxiOut)
        && groundSpeed > kFastSpeed)
        change(StateDeparted);
    if (record.m_State == StateTaxiIn && groundSpeed > kFastSpeed)
        change(StateInbound);
}

void CStavoScreen::Reinsert(TrackedNode node, double distance)
{
    // A distance the host cannot give as a number sorts last instead of breaking the order.
    m_TrackedAircraft.Place(
        node, std::isnan(distance) ? std::numeric_limits<double>::infinity() : distance);
}
