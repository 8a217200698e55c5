// The feed simulator's built-in scenario around Budapest Liszt Ferenc (LHBP), and the SBS-1
// BaseStation lines it sends. Plain C++ without a clock of its own: every call is told the
// scenario time and the wall time to stamp, so tests drive it with any times they like.
//
// The aircraft are those of the sample files (samples/icao24.txt, aircrafts.txt, flightplans.txt):
// one parked on a stand for the whole scenario, departures that wait on their stands, push back,
// taxi to runway 31R and take off, and arrivals that fly the final approach to 31R, land, taxi to
// a stand and stop there. The stands are those of the stand board's sample settings
// (samples/lhbp.asr). Asked for more aircraft than the samples know, the scenario adds
// overflights at cruise levels, unknown to the lookup files. Everything lies north of 10 degrees
// north and east of 10 degrees east.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sbssim {

// The field elevation of LHBP, feet: the altitude of every aircraft on the ground.
inline constexpr int kFieldElevation = 495;

struct GeoPoint {
    double latitude = 0.0; // degrees north
    double longitude = 0.0; // degrees east
};

// Distance in nautical miles, on a flat projection around the two points (good for a few dozen
// miles).
double DistanceNm(GeoPoint a, GeoPoint b);

// A stand of the sample stand board: its name and its first reference position.
struct SimStand {
    std::string_view name;
    GeoPoint position;
};
const std::vector<SimStand>& Stands();

// What an aircraft transmits at one moment.
struct AircraftState {
    bool transmitting = false;
    GeoPoint position;
    int altitude = 0; // feet
    int groundSpeed = 0; // knots
    int track = 0; // degrees, 0 to 359, the direction of movement
    int verticalRate = 0; // feet per minute
    bool onGround = false;
};

enum class Role { Parked, Departure, Arrival, Overflight };

// One aircraft and its whole story: a path of legs in scenario time.
class CSimFlight {
public:
    CSimFlight(std::string hexId, std::string callsign, std::string squawk, Role role, int stand);

    // The state at scenario time `t` seconds.
    AircraftState StateAt(double t) const;
    // The scenario time at which the aircraft stands still on its stand for good (arrivals and
    // parked aircraft), or leaves it (departures: the start of the pushback).
    double StandTime() const { return m_standTime; }

    const std::string& HexId() const { return m_hexId; }
    const std::string& Callsign() const { return m_callsign; }
    const std::string& Squawk() const { return m_squawk; }
    Role GetRole() const { return m_role; }
    int Stand() const { return m_stand; } // index into Stands(), -1 for overflights

    // Path building: from the end of the path, move to `to` changing speed and altitude evenly
    // to `speed` and `altitude` (a pushback moves backwards: the track is reported anyway as the
    // direction of movement); or stay where the path ends for `seconds`.
    void MoveTo(GeoPoint to, int speed, int altitude, bool onGround);
    void Hold(double seconds);
    void Start(double t, GeoPoint at, int speed, int altitude, bool onGround);
    // From this time on the aircraft no longer transmits (gone beyond the receiver's range).
    void EndTransmission() { m_endTime = EndOfPath(); }
    void MarkStandTime() { m_standTime = EndOfPath(); }
    void SetRepeating(double period) { m_period = period; }

private:
    struct Leg {
        double t0, t1; // scenario seconds
        GeoPoint from, to;
        int speed0, speed1;
        int altitude0, altitude1;
        bool onGround;
    };
    double EndOfPath() const { return m_legs.empty() ? 0.0 : m_legs.back().t1; }

    std::string m_hexId, m_callsign, m_squawk;
    Role m_role;
    int m_stand;
    std::vector<Leg> m_legs;
    double m_startTime = 0.0; // transmits from here
    double m_endTime = 1e300; // to here
    double m_standTime = 0.0;
    double m_period = 0.0; // overflights repeat their crossing
};

struct ScenarioOptions {
    int aircraft = 30; // the first ones of the sample aircraft, then overflights
    double lengthSeconds = 1800.0; // the scenario starts again after this long
};

// One line's wall-clock stamp: seconds since 1970 (UTC) and milliseconds.
struct WallTime {
    std::int64_t seconds = 0;
    int milliseconds = 0;
};

class CScenario {
public:
    // The whole story takes kFullStorySeconds; a shorter length starts it over before the last
    // flights are done.
    static constexpr double kFullStorySeconds = 1800.0;

    explicit CScenario(const ScenarioOptions& options);

    const std::vector<CSimFlight>& Flights() const { return m_flights; }
    double Length() const { return m_length; }

    // Appends `count` lines (each ending in CR LF) at scenario time `t` (wrapped into the
    // scenario's length), taking the transmitting aircraft in turn, each sending its usual mix
    // of message types. Lines carry `now` as local date and time. Returns the number appended,
    // 0 when no aircraft transmits.
    int AppendLines(double t, WallTime now, int count, std::string& out);

private:
    std::string MessageLine(const CSimFlight& flight, const AircraftState& state, int type,
        const std::string& dateTime) const;

    std::vector<CSimFlight> m_flights;
    std::vector<int> m_sent; // lines sent per flight, to cycle through the message types
    std::size_t m_next = 0; // the flight whose turn is next
    double m_length;
};

// The "YYYY/MM/DD,HH:MM:SS.mmm" local date and time of a feed line.
std::string FormatFeedDateTime(WallTime now);

} // namespace sbssim
