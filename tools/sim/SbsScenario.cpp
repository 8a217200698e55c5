#include "SbsScenario.h"

#include "platform/CalendarTime.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <numbers>

namespace sbssim {
namespace {

constexpr double kDegree = std::numbers::pi / 180.0;

// Runway 13L/31R, approximately: the threshold of 31R at its south-east end, that of 13L at the
// north-west end. Traffic lands and takes off on 31R, towards the north-west.
constexpr GeoPoint kThreshold31R { 47.4330, 19.2860 };
constexpr GeoPoint kThreshold13L { 47.4520, 19.2470 };
// Taxiways: from the runway exit to the apron's entry, and from the apron to the holding point.
constexpr GeoPoint kExitTaxiway { 47.4420, 19.2600 };
constexpr GeoPoint kApronEntry { 47.4385, 19.2560 };
constexpr GeoPoint kHoldingPoint31R { 47.4318, 19.2842 };

// The stands of samples/lhbp.asr, in the order of its STAND entries. A test checks them against
// the file.
const std::vector<SimStand> kStands = {
    { "31", { 47.435600, 19.248700 } },
    { "32", { 47.43519, 19.24940 } },
    { "33", { 47.434774, 19.250105 } },
    { "34", { 47.43436, 19.25081 } },
    { "35", { 47.433948, 19.251511 } },
    { "36", { 47.43354, 19.25221 } },
    { "37", { 47.433122, 19.252916 } },
    { "38", { 47.43230, 19.25450 } },
    { "39", { 47.431887, 19.255203 } },
    { "40", { 47.43147, 19.25591 } },
    { "41", { 47.431061, 19.256608 } },
    { "42", { 47.43065, 19.25731 } },
    { "43", { 47.430235, 19.258013 } },
    { "101", { 47.43380, 19.24550 } },
    { "102", { 47.433328, 19.246303 } },
    { "103", { 47.43286, 19.24711 } },
    { "104", { 47.432384, 19.247909 } },
    { "105", { 47.43191, 19.24871 } },
    { "201", { 47.430500, 19.251500 } },
    { "202", { 47.43003, 19.25230 } },
    { "203", { 47.429556, 19.253106 } },
    { "204", { 47.42908, 19.25391 } },
};

struct KnownAircraft {
    const char* hexId;
    const char* callsign;
};

// The aircraft of the sample lookup files. SAS4491 has no flight plan and stays parked.
constexpr KnownAircraft kParked[] = { { "511C20", "SAS4491" } };
constexpr KnownAircraft kDepartures[] = {
    { "4402E3", "AUA774" },
    { "3C4B26", "DLH1678" },
    { "4CA9D2", "EIN658" },
    { "406B7D", "EZY8892" },
    { "47A0F1", "HCG412" },
    { "48AD03", "LOT536" },
    { "4CADF3", "RYR1BC" },
    { "4CA7B1", "RYR4ZP" },
    { "4B1A2F", "SWR1591" },
    { "4BAA2C", "THY1036" },
    { "47A1C2", "TVS5262" },
    { "896477", "UAE111" },
    { "471F03", "WZZ2451" },
    { "471DB5", "WZZ4405" },
    { "471E77", "WZZ8P" },
};
constexpr KnownAircraft kArrivals[] = {
    { "3944F1", "AFR1394" },
    { "440171", "AUA76K" },
    { "3C6586", "DLH1677" },
    { "3C66B4", "EWG7CX" },
    { "406A91", "EZY8891" },
    { "461F2B", "FIN1573" },
    { "470D12", "HAFAN" },
    { "4851D5", "KLM1975" },
    { "48AE21", "LOT535" },
    { "06A1A3", "QTR199" },
    { "4CAE05", "RYR83MK" },
    { "4B1811", "SWR1590" },
    { "4BAA8C", "THY1035" },
    { "471F4A", "WZZ3017" },
};
constexpr int kDepartureCount = static_cast<int>(std::size(kDepartures));
constexpr int kArrivalCount = static_cast<int>(std::size(kArrivals));
// Stands: departures wait on the first ones, the parked aircraft on the next, the first arrivals
// take the free ones and later arrivals the stands the first departures left.
constexpr int kParkedStand = kDepartureCount;
constexpr int kFirstFreeStand = kParkedStand + 1;

// Nautical miles north and east from `a` to `b`.
void Offset(GeoPoint a, GeoPoint b, double& north, double& east)
{
    const double midLatitude = (a.latitude + b.latitude) / 2 * kDegree;
    north = (b.latitude - a.latitude) * 60.0;
    east = (b.longitude - a.longitude) * 60.0 * std::cos(midLatitude);
}

GeoPoint Move(GeoPoint from, double bearingDegrees, double nm)
{
    const double north = nm * std::cos(bearingDegrees * kDegree);
    const double east = nm * std::sin(bearingDegrees * kDegree);
    return { from.latitude + north / 60.0,
        from.longitude + east / (60.0 * std::cos(from.latitude * kDegree)) };
}

double Bearing(GeoPoint from, GeoPoint to)
{
    double north = 0, east = 0;
    Offset(from, to, north, east);
    double bearing = std::atan2(east, north) / kDegree;
    return bearing < 0 ? bearing + 360.0 : bearing;
}

GeoPoint Between(GeoPoint a, GeoPoint b, double fraction)
{
    return { a.latitude + (b.latitude - a.latitude) * fraction,
        a.longitude + (b.longitude - a.longitude) * fraction };
}

// The taxi lane in front of a stand: 0.08 NM out from the stand row, towards the runway.
GeoPoint LanePoint(int stand)
{
    return Move(kStands[static_cast<std::size_t>(stand)].position, 45.0, 0.08);
}

std::string Squawk(int index)
{
    // Four octal digits, spread over the codes a centre hands out.
    int code = 01000 + (index * 0157) % 06000;
    std::string text(4, '0');
    for (int i = 3; i >= 0; --i, code /= 8)
        text[static_cast<std::size_t>(i)] = static_cast<char>('0' + code % 8);
    return text;
}

void AppendNumber(std::string& out, double value, int decimals)
{
    char buffer[32];
    const auto end
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals)
              .ptr;
    out.append(buffer, end);
}

void AppendNumber(std::string& out, int value)
{
    char buffer[16];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end);
}

// Message types in the order an aircraft sends them, cycling: positions and velocities most
// often, its identification every twentieth line, the other types now and then. In the air the
// velocity comes before the first position: a proxy that passed on a position without a ground
// speed would report the aircraft at 0 knots, and a stand board takes an aircraft first seen that
// slow for one on the ground, a departure.
constexpr int kAirborneTypes[] = { 1, 4, 3, 3, 8, 3, 4, 3, 4, 5, 3, 4, 3, 4, 7, 3, 4, 3, 4, 6 };
constexpr int kSurfaceTypes[] = { 1, 2, 2, 2, 8, 2, 2, 2, 2, 5, 2, 2, 2, 2, 7, 2, 2, 2, 2, 6 };

} // namespace

double DistanceNm(GeoPoint a, GeoPoint b)
{
    double north = 0, east = 0;
    Offset(a, b, north, east);
    return std::hypot(north, east);
}

const std::vector<SimStand>& Stands()
{
    return kStands;
}

CSimFlight::CSimFlight(
    std::string hexId, std::string callsign, std::string squawk, Role role, int stand)
    : m_hexId(std::move(hexId))
    , m_callsign(std::move(callsign))
    , m_squawk(std::move(squawk))
    , m_role(role)
    , m_stand(stand)
{
}

void CSimFlight::Start(double t, GeoPoint at, int speed, int altitude, bool onGround)
{
    m_legs.clear();
    m_startTime = t;
    m_legs.push_back({ t, t, at, at, speed, speed, altitude, altitude, onGround });
}

void CSimFlight::MoveTo(GeoPoint to, int speed, int altitude, bool onGround)
{
    const Leg& last = m_legs.back();
    const double distance = DistanceNm(last.to, to);
    const int averageSpeed2 = last.speed1 + speed; // twice the average speed
    // Evenly changing speed: the time is the distance over the average speed.
    const double seconds = averageSpeed2 > 0 ? 2.0 * distance / averageSpeed2 * 3600.0 : 0.0;
    m_legs.push_back({ last.t1, last.t1 + seconds, last.to, to, last.speed1, speed, last.altitude1,
        altitude, onGround });
}

void CSimFlight::Hold(double seconds)
{
    const Leg& last = m_legs.back();
    m_legs.push_back({ last.t1, last.t1 + seconds, last.to, last.to, 0, 0, last.altitude1,
        last.altitude1, last.onGround });
}

AircraftState CSimFlight::StateAt(double t) const
{
    AircraftState state;
    if (m_legs.empty())
        return state;
    if (m_period > 0.0)
        t = m_startTime + std::fmod(std::fmod(t - m_startTime, m_period) + m_period, m_period);
    if (t < m_startTime || t >= m_endTime)
        return state;
    state.transmitting = true;
    // The leg under way at t; after the last leg the aircraft stays where it ended.
    const auto it
        = std::find_if(m_legs.begin(), m_legs.end(), [t](const Leg& leg) { return t < leg.t1; });
    const Leg& leg = it == m_legs.end() ? m_legs.back() : *it;
    const double duration = leg.t1 - leg.t0;
    const double tau = std::clamp(t - leg.t0, 0.0, duration);
    double fraction = 1.0;
    double speed = leg.speed1;
    if (duration > 0.0 && it != m_legs.end()) {
        const double acceleration = (leg.speed1 - leg.speed0) / duration;
        speed = leg.speed0 + acceleration * tau;
        const double travelled = leg.speed0 * tau + 0.5 * acceleration * tau * tau;
        const double total = 0.5 * (leg.speed0 + leg.speed1) * duration;
        fraction = total > 0.0 ? travelled / total : 1.0;
        state.verticalRate
            = static_cast<int>(std::lround((leg.altitude1 - leg.altitude0) / duration * 60.0));
    }
    state.position = Between(leg.from, leg.to, fraction);
    state.altitude
        = static_cast<int>(std::lround(leg.altitude0 + (leg.altitude1 - leg.altitude0) * fraction));
    state.groundSpeed = static_cast<int>(std::lround(speed));
    // The direction of the last movement up to this leg: standing still keeps the last track.
    for (auto moving = it == m_legs.end() ? m_legs.end() : it + 1; moving != m_legs.begin();) {
        --moving;
        if (DistanceNm(moving->from, moving->to) > 0.0) {
            state.track = static_cast<int>(std::lround(Bearing(moving->from, moving->to))) % 360;
            break;
        }
    }
    state.onGround = leg.onGround;
    return state;
}

CScenario::CScenario(const ScenarioOptions& options)
    : m_length(options.lengthSeconds > 0 ? options.lengthSeconds : kFullStorySeconds)
{
    const double runwayBearing = Bearing(kThreshold31R, kThreshold13L); // about 306 degrees
    const double approachBearing = std::fmod(runwayBearing + 180.0, 360.0);
    const int ground = kFieldElevation;

    // The sample aircraft in an order that mixes the roles, so that a few of them already tell
    // the whole story: the parked one, then departures and arrivals in turn.
    std::vector<CSimFlight> flights;
    for (const KnownAircraft& known : kParked) {
        CSimFlight& flight = flights.emplace_back(
            known.hexId, known.callsign, Squawk(0), Role::Parked, kParkedStand);
        flight.Start(0.0, kStands[kParkedStand].position, 0, ground, true);
        flight.MarkStandTime();
    }
    for (int k = 0; k < std::max(kDepartureCount, kArrivalCount); ++k) {
        if (k < kDepartureCount) {
            const KnownAircraft& known = kDepartures[k];
            const int stand = k;
            CSimFlight& flight = flights.emplace_back(
                known.hexId, known.callsign, Squawk(1 + 2 * k), Role::Departure, stand);
            flight.Start(0.0, kStands[static_cast<std::size_t>(stand)].position, 0, ground, true);
            flight.Hold(60.0 + 100.0 * k);
            flight.MarkStandTime();
            flight.MoveTo(LanePoint(stand), 3, ground, true); // pushback
            flight.MoveTo(LanePoint(stand), 0, ground, true);
            flight.Hold(30.0); // engines start
            flight.MoveTo(kApronEntry, 15, ground, true);
            flight.MoveTo(kHoldingPoint31R, 18, ground, true);
            flight.MoveTo(kThreshold31R, 8, ground, true);
            flight.MoveTo(kThreshold31R, 0, ground, true);
            flight.Hold(20.0); // lined up
            flight.MoveTo(Between(kThreshold31R, kThreshold13L, 0.55), 150, ground, true);
            flight.MoveTo(Move(kThreshold13L, runwayBearing, 5.0), 190, ground + 2500, false);
            flight.MoveTo(Move(kThreshold13L, runwayBearing, 14.0), 250, ground + 7500, false);
            flight.EndTransmission();
        }
        if (k < kArrivalCount) {
            const KnownAircraft& known = kArrivals[k];
            const int stand = kFirstFreeStand + k < static_cast<int>(kStands.size())
                ? kFirstFreeStand + k
                : k - (static_cast<int>(kStands.size()) - kFirstFreeStand);
            CSimFlight& flight = flights.emplace_back(
                known.hexId, known.callsign, Squawk(2 + 2 * k), Role::Arrival, stand);
            flight.Start(20.0 + 80.0 * k, Move(kThreshold31R, approachBearing, 12.0), 180,
                ground + 3500, false);
            flight.MoveTo(Move(kThreshold31R, approachBearing, 4.0), 150, ground + 1200, false);
            flight.MoveTo(kThreshold31R, 135, ground + 50, false);
            flight.MoveTo(Between(kThreshold31R, kThreshold13L, 0.08), 125, ground, true);
            const GeoPoint exit = Between(kThreshold31R, kThreshold13L, 0.6);
            flight.MoveTo(exit, 20, ground, true);
            flight.MoveTo(kExitTaxiway, 15, ground, true);
            flight.MoveTo(kApronEntry, 15, ground, true);
            flight.MoveTo(LanePoint(stand), 10, ground, true);
            flight.MoveTo(kStands[static_cast<std::size_t>(stand)].position, 0, ground, true);
            flight.MarkStandTime();
        }
    }

    const int wanted = std::max(options.aircraft, 0);
    if (static_cast<int>(flights.size()) > wanted)
        flights.erase(flights.begin() + wanted, flights.end());
    // Overflights: straight crossings of a box around Budapest at cruise levels, each repeating.
    for (int i = static_cast<int>(flights.size()); i < wanted; ++i) {
        char hexId[16];
        char callsign[16];
        std::snprintf(hexId, sizeof hexId, "%06X", 0xA00000 + i);
        std::snprintf(callsign, sizeof callsign, "QVX%04d", i % 10000);
        CSimFlight& flight = flights.emplace_back(hexId, callsign, Squawk(i), Role::Overflight, -1);
        const double bearing = std::fmod(i * 137.508, 360.0); // spread over every direction
        const GeoPoint centre { 47.45, 19.25 };
        const GeoPoint entry = Move(centre, bearing + 180.0, 90.0);
        const GeoPoint exit = Move(centre, bearing, 90.0);
        const int speed = 420 + (i * 7) % 60;
        const int level = 30000 + (i % 10) * 1000;
        const double crossing = 180.0 / speed * 3600.0;
        // Start each one at another point of its crossing.
        flight.Start(-std::fmod(i * 97.0, crossing), entry, speed, level, false);
        flight.MoveTo(exit, speed, level, false);
        flight.SetRepeating(crossing);
    }
    m_flights = std::move(flights);
    m_sent.assign(m_flights.size(), 0);
}

int CScenario::AppendLines(double t, WallTime now, int count, std::string& out)
{
    if (m_flights.empty())
        return 0;
    t = std::fmod(std::fmod(t, m_length) + m_length, m_length);
    const std::string dateTime = FormatFeedDateTime(now);
    int appended = 0;
    std::size_t idle = 0; // flights passed over in a row because they do not transmit
    while (appended < count && idle < m_flights.size()) {
        const std::size_t index = m_next;
        m_next = (m_next + 1) % m_flights.size();
        const CSimFlight& flight = m_flights[index];
        const AircraftState state = flight.StateAt(t);
        if (!state.transmitting) {
            ++idle;
            continue;
        }
        idle = 0;
        const int n = m_sent[index]++;
        const int type = state.onGround ? kSurfaceTypes[n % std::size(kSurfaceTypes)]
                                        : kAirborneTypes[n % std::size(kAirborneTypes)];
        out += MessageLine(flight, state, type, dateTime);
        ++appended;
    }
    return appended;
}

std::string CScenario::MessageLine(const CSimFlight& flight, const AircraftState& state, int type,
    const std::string& dateTime) const
{
    // The 22 fields of the BaseStation layout: type, transmission type, session, aircraft,
    // hex id, flight, date and time generated, date and time logged, callsign, altitude,
    // ground speed, track, latitude, longitude, vertical rate, squawk, alert, emergency, SPI,
    // on ground.
    std::string line = "MSG,";
    AppendNumber(line, type);
    line += ",1,1,";
    line += flight.HexId();
    line += ",1,";
    line += dateTime;
    line += ',';
    line += dateTime;
    line += ',';
    const auto altitude = [&] { AppendNumber(line, state.altitude); };
    const auto groundSpeedAndTrack = [&] {
        AppendNumber(line, state.groundSpeed);
        line += ',';
        AppendNumber(line, state.track);
    };
    const auto position = [&] {
        AppendNumber(line, state.position.latitude, 5);
        line += ',';
        AppendNumber(line, state.position.longitude, 5);
    };
    const char* onGround = state.onGround ? "-1" : "0";
    switch (type) {
    case 1: // identification
        line += flight.Callsign() + ",,,,,,,,,,,";
        break;
    case 2: // surface position
        line += ',';
        altitude();
        line += ',';
        groundSpeedAndTrack();
        line += ',';
        position();
        line += ",,,,,,";
        line += onGround;
        break;
    case 3: // airborne position
        line += ',';
        altitude();
        line += ",,,";
        position();
        line += ",,,0,0,0,";
        line += onGround;
        break;
    case 4: // airborne velocity
        line += ",,";
        groundSpeedAndTrack();
        line += ",,,";
        AppendNumber(line, state.verticalRate);
        line += ",,,,,";
        line += onGround;
        break;
    case 5: // surveillance altitude
    case 7: // air to air
        line += ',';
        altitude();
        line += ",,,,,,,0,,0,";
        line += onGround;
        break;
    case 6: // surveillance identity: the squawk
        line += ',';
        altitude();
        line += ",,,,,," + flight.Squawk() + ",0,0,0,";
        line += onGround;
        break;
    default: // 8, all call reply
        line += ",,,,,,,,,,,";
        line += onGround;
        break;
    }
    line += "\r\n";
    return line;
}

std::string FormatFeedDateTime(WallTime now)
{
    const auto t = static_cast<std::time_t>(now.seconds);
    std::tm local {};
    if (!platform::ToLocalTime(t, local))
        return "1970/01/01,00:00:00.000";
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y/%m/%d,%H:%M:%S", &local);
    std::string result(text, length);
    const int ms = std::clamp(now.milliseconds, 0, 999);
    result += '.';
    result += static_cast<char>('0' + ms / 100);
    result += static_cast<char>('0' + ms / 10 % 10);
    result += static_cast<char>('0' + ms % 10);
    return result;
}

} // namespace sbssim
