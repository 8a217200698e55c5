// The live traffic: the aircraft table, the lookup tables that enrich it, the reference point of
// the dead reckoning and the SBS-1 BaseStation parser that keeps it. It tells its listeners what
// happened and knows nothing of who shows or sends it. The caller passes the time in.
#pragma once

#include "AircraftMap.h"
#include "FieldList.h"
#include "IcaoDataTable.h"
#include "PositionRules.h"
#include "ReferencePoint.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

// Names of the lookup files, read from the working directory.
inline constexpr const char* kIcao24File = "icao24.txt";
inline constexpr const char* kAircraftsFile = "aircrafts.txt";
inline constexpr const char* kFlightplansFile = "flightplans.txt";

// Seconds of silence after which PurgeStaleAircraft removes an aircraft.
inline constexpr std::int64_t kStaleAircraftSeconds = 300;

// The fields of an aircraft its listeners are told of as they change.
enum class AircraftField {
    LastReceived, // lastMessageTime
    LastPositionReceived, // lastPositionTime
    Position,
    Track,
    GroundSpeed,
    Altitude,
    Squawk,
};

class CTrafficListener {
public:
    // A new aircraft, with what the lookup tables gave it, last in the arrival order.
    virtual void OnAircraftAdded(const CTrackedAircraft& /*aircraft*/) { }
    // A field changed. `feedText` is the feed's own text of the field for Track, GroundSpeed,
    // Altitude and Squawk, exactly as received; empty for the others.
    virtual void OnAircraftChanged(const CTrackedAircraft& /*aircraft*/, AircraftField /*field*/,
        std::string_view /*feedText*/)
    {
    }
    // The aircraft's first callsign, which it keeps from now on; until now it was known as
    // `oldName` (its registration, else its hex id).
    virtual void OnCallsignKnown(const CTrackedAircraft& /*aircraft*/, std::string_view /*oldName*/)
    {
    }
    // A purge removed the aircraft at these arrival indexes (as they were before it), ascending;
    // the aircraft after them moved up.
    virtual void OnAircraftRemoved(std::span<const std::int32_t> /*arrivalIndexes*/) { }

protected:
    ~CTrafficListener() = default;
};

// Which date a line without its leading fields must carry: today's, or (for a replay) the one it
// carries, the last field shaped as a date.
enum class ShortLineDate { Today, Recorded };

class CTrafficModel {
public:
    CTrafficModel() = default;
    CTrafficModel(const CTrafficModel&) = delete;
    CTrafficModel& operator=(const CTrafficModel&) = delete;

    // Listeners are told in the order they were added; they must outlive their listening.
    void AddListener(CTrafficListener& listener) { m_listeners.push_back(&listener); }
    void RemoveListener(CTrafficListener& listener);

    // One feed line of `length` bytes, NUL-terminated, which is cut in place. Returns whether it
    // was accepted (it named an aircraft, which it created or updated). A position the rules
    // ignore is counted in m_ignoredPositions and, when given, in `source`, the counters of the
    // feed the line came from.
    bool HandleFeedLine(char* line, std::size_t length, std::int64_t now,
        ShortLineDate dates = ShortLineDate::Today, CIgnoredPositions* source = nullptr);
    bool ProcessSbsLine(const CFieldList& fields, std::int64_t now, ShortLineDate dates);
    // SBS field k is split index k - offset; offset counts the leading fields the line lacks.
    bool ApplySbsMessage(const CFieldList& fields, int offset, std::int64_t now);

    // Removes every aircraft silent for kStaleAircraftSeconds or more.
    void PurgeStaleAircraft(std::int64_t now);

    // Loads icao24.txt, aircrafts.txt and flightplans.txt from the working directory; a missing
    // file leaves its table empty.
    void LoadLookupFiles();
    // Reads them again, for a running proxy: a file that cannot be read keeps its table. Aircraft
    // already known keep what they got from the old tables. `told` hears of every file: its name,
    // table, whether it was read and the lines it skipped.
    void ReloadLookupFiles(
        const std::function<void(const char*, const CIcaoDataTable&, bool, int)>& told);
    // Calls `visit` with each lookup file's name and table.
    void ForEachLookupTable(
        const std::function<void(const char*, const CIcaoDataTable&)>& visit) const;

    // Sets the reference point unless a position has set it already.
    void SetReferencePointOnce(double longitude, double latitude)
    {
        m_reference.SetOnce(longitude, latitude);
    }
    const CReferencePoint& Reference() const { return m_reference; }
    std::size_t Size() const { return m_aircraftMap.size(); }

    CAircraftMap m_aircraftMap;
    CIcaoDataTable m_icao24Table; // key: hex id; column[0] registration
    CIcaoDataTable m_aircraftsTable; // key: registration; column[1] aircraft type
    CIcaoDataTable m_flightplansTable; // key: callsign; column[0] type, [1]..[6] the plan
    CPositionRules m_positionRules;
    CIgnoredPositions m_ignoredPositions; // by the rules, since the start; never reset
    // Trailing blanks of a feed callsign are dropped before anything uses it (--trim-callsigns);
    // by default it is kept exactly as received.
    bool m_bTrimCallsigns = false;

private:
    CTrackedAircraft* CreateAircraft(std::string_view hexId);
    void SetCallsign(CTrackedAircraft& aircraft, std::string_view callsign);
    void Changed(const CTrackedAircraft& aircraft, AircraftField field, std::string_view text = {})
    {
        for (CTrafficListener* listener : m_listeners)
            listener->OnAircraftChanged(aircraft, field, text);
    }

    CReferencePoint m_reference;
    CIgnoredPositions* m_pSourceIgnored = nullptr; // of the line being handled
    std::vector<CTrafficListener*> m_listeners;
};
