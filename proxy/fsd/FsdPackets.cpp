#include "FsdPackets.h"

#include "platform/AsciiText.h"
#include "proxy/traffic/Geo.h"
#include "proxy/traffic/IcaoDataTable.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// "%d"
void AppendInt(std::string& out, std::int64_t value)
{
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

// "%.5f" with '.' whatever the locale; to_chars rounds exactly as printf does.
void AppendFixed5(std::string& out, double value)
{
    char text[400]; // room for the largest double written in full
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 5);
    out.append(text, result.ptr);
}

// The sine and cosine of a track in whole degrees, as std::sin and std::cos give them for the
// track's angle in radians. The feed's tracks are whole degrees, nearly always 0 to 359, so each
// tick takes them from a table of those instead of two calls into the maths library per aircraft.
struct TrackDirection {
    double sine;
    double cosine;
};

double TrackAngle(std::int32_t track)
{
    return track * 3.141592653589793 / 180.0;
}

TrackDirection DirectionOf(std::int32_t track)
{
    struct Table {
        Table()
        {
            for (std::int32_t t = 0; t < 360; ++t)
                direction[t] = { std::sin(TrackAngle(t)), std::cos(TrackAngle(t)) };
        }
        TrackDirection direction[360];
    };
    static const Table table; // built once, on the first dead reckoning
    if (track >= 0 && track < 360)
        return table.direction[track];
    const double angle = TrackAngle(track);
    return { std::sin(angle), std::cos(angle) };
}

} // namespace

std::string ComposeServerText(std::string_view callsign, std::string_view message)
{
    std::string packet;
    packet.reserve(14 + callsign.size() + message.size());
    packet.append("#TMserver:").append(callsign).append(":").append(message).append("\r\n");
    return packet;
}

std::int32_t PositionAge(std::int64_t now, std::int64_t positionTime)
{
    // Unsigned arithmetic wraps instead of overflowing; the conversion back is modular.
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(now) - static_cast<std::uint32_t>(positionTime));
}

std::string ComposeDeletePilot(std::string_view name)
{
    std::string packet;
    packet.reserve(name.size() + 5);
    packet.append("#DP").append(name).append("\r\n");
    return packet;
}

std::int32_t AttitudeWord(std::int32_t track)
{
    // The factor is 2.88, not 1024 / 360: the clients have always been sent this heading. In 64
    // bits, so that a garbled track cannot overflow; the field keeps its low 32 bits.
    const auto heading = static_cast<std::int64_t>(track * 2.88 + 0.5);
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(heading * 4));
}

AircraftPosition DeadReckon(const AircraftPosition& position, std::int32_t groundSpeed,
    std::int32_t track, std::int32_t age, const CReferencePoint& reference, PositionRange range)
{
    // Nautical miles: 0.8 times the distance flown at the ground speed in knots. The product is
    // taken in 64 bits, so a garbled speed cannot overflow it.
    const double distance = static_cast<double>(static_cast<std::int64_t>(groundSpeed) * age) * 0.8
        / reference.dLatScale / reference.dLatScale;
    const TrackDirection direction = DirectionOf(track);
    double x = 0.0;
    double y = 0.0;
    const bool anywhere = range == PositionRange::Anywhere;
    if (position.valid) {
        // Anywhere, an aircraft at 179.9 E seen from a reference point at 179.9 W is 0.2
        // degrees away, not 359.8.
        const double dLon = position.longitude - reference.dRefLon;
        x = (anywhere ? WrapLongitude(dLon) : dLon) * reference.dLonScale;
        y = reference.dLatScale * (position.latitude - reference.dRefLat);
    }
    x += direction.sine * distance;
    y += direction.cosine * distance;
    double longitude = x / reference.dLonScale + reference.dRefLon;
    if (!(std::abs(longitude) <= 180.0)) {
        // Near a pole the reference's longitude scale tends to 0 and the flat projection throws
        // the aircraft round the globe many times over, or beyond any number: the step is taken
        // on the scale of the aircraft's own latitude instead, and the result wrapped.
        constexpr double kMinLonScale = 0.01; // nautical miles per degree, within 0.01 of a pole
        const double start = position.valid ? position.longitude : reference.dRefLon;
        const double latitude = position.valid ? position.latitude : reference.dRefLat;
        const double scale = std::max(
            std::abs(std::cos(latitude / 180.0 * 3.141592653589793)) * reference.dLatScale,
            kMinLonScale);
        longitude = std::remainder(start + direction.sine * distance / scale, 360.0);
        if (!std::isfinite(longitude))
            longitude = std::isfinite(start) ? std::remainder(start, 360.0) : 0.0;
    }
    AircraftPosition moved { longitude, y / reference.dLatScale + reference.dRefLat,
        position.valid };
    if (anywhere) {
        moved.longitude = WrapLongitude(moved.longitude);
        moved.latitude = std::fmax(-90.0, std::fmin(90.0, moved.latitude));
    }
    return moved;
}

const std::string& AircraftName(const CTrackedAircraft& aircraft)
{
    if (!aircraft.callsign.empty())
        return aircraft.callsign;
    if (!aircraft.registration.empty())
        return aircraft.registration;
    return aircraft.hexId;
}

std::string ComposePilotPosition(const CTrackedAircraft& aircraft, std::int64_t now,
    const CReferencePoint& reference, PositionRange range)
{
    if (aircraft.lastPositionTime == 0)
        return {};
    const std::int32_t age = PositionAge(now, aircraft.lastPositionTime);
    if (age > kMaxPositionAge)
        return {};
    AircraftPosition position = aircraft.position;
    if (age > kDeadReckonAge)
        position
            = DeadReckon(position, aircraft.groundSpeed, aircraft.track, age, reference, range);

    const std::string& name = AircraftName(aircraft);
    std::string packet;
    packet.reserve(64 + name.size() + aircraft.squawk.size());
    packet.append(1, '@').append(1, age < kFreshPositionAge ? 'Y' : 'N').append(1, ':');
    packet.append(name).append(1, ':').append(aircraft.squawk).append(":1:");
    AppendFixed5(packet, position.latitude);
    packet.append(1, ':');
    AppendFixed5(packet, position.longitude);
    packet.append(1, ':');
    AppendInt(packet, aircraft.altitude);
    packet.append(1, ':');
    AppendInt(packet, aircraft.groundSpeed);
    packet.append(1, ':');
    AppendInt(packet, AttitudeWord(aircraft.track));
    packet.append(":0\r\n");
    return packet;
}

std::string ComposeFlightPlan(std::string_view requested, const CTrackedAircraft& aircraft)
{
    std::string packet;
    packet.append("$FP").append(requested).append(":*:I:B/").append(aircraft.aircraftType);
    packet.append("/F:450:").append(aircraft.departure).append(":0:0:");
    packet.append(aircraft.cruiseAltitude).append(":").append(aircraft.destination);
    packet.append(":0:0:0:0::REG/").append(aircraft.registration).append(":");
    packet.append(aircraft.route).append("\r\n");
    return packet;
}
