// The records a stand board is made of: stands, their allocations, tracked aircraft and the
// entries of the final-approach slots.
#pragma once

#include "platform/Geometry.h"
#include "veltrix/VeltrixPlugIn.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// State codes of a tracked aircraft. The numbers are fixed: the board and the commands test them.
// 1 to 4 are the departure family, 11 to 13 the arrival family.
enum AircraftState : int {
    StateNone = 0, // a record not yet given a state
    StateAtStand = 1, // departure side, standing at a stand
    StatePushback = 2, // pushback announced by command
    StateTaxiOut = 3, // left its stand, ground speed not above 50
    StateDeparted = 4, // left its stand faster than 50
    StateInbound = 11, // arriving, faster than 50
    StateTaxiIn = 12, // arriving, off its stand, slower than 50
    StateOnBlock = 13, // arrived at a stand
};

// One allocation of a stand to an aircraft.
class CStavoAllocation {
public:
    bool m_Departure = false; // false: arrival allocation; true: departure allocation
    std::string m_Callsign; // upper case, or "*" for any aircraft
    std::int64_t m_Time = 0; // when the allocation was made, seconds since 1970
};

// One aircraft the board tracks.
class CStavoAircraft {
public:
    std::string m_Callsign; // as the host gives it
    AircraftState m_State = StateNone;
    double m_Distance = 0.0; // the host's distance to destination at the last report
    int m_Stand = -1; // index of the stand the aircraft stands at, -1 none
    std::int64_t m_StateTime = 0; // first tracked or last change of state, seconds since 1970
    bool m_Allocated = false; // reached a stand that held an allocation for it; never cleared
};

// The tracked aircraft, ordered by distance, equal distances in the order they took them. The
// list owns the records; an iterator is a node handle that stays valid until its node is removed.
// Beside the list two indexes spare a position report every walk of it, so that a report costs
// the same with a hundred thousand aircraft as with a few hundred: one by callsign (ASCII case
// ignored) and one by distance, which holds the nodes in the list's own order.
class CStavoAircraftList {
public:
    using List = std::list<CStavoAircraft>;
    using iterator = List::iterator;
    using const_iterator = List::const_iterator;

    CStavoAircraftList() = default;
    // The indexes point into the list: a copy would point into the original.
    CStavoAircraftList(const CStavoAircraftList&) = delete;
    CStavoAircraftList& operator=(const CStavoAircraftList&) = delete;

    iterator begin() { return m_Aircraft.begin(); }
    iterator end() { return m_Aircraft.end(); }
    const_iterator begin() const { return m_Aircraft.begin(); }
    const_iterator end() const { return m_Aircraft.end(); }
    std::size_t size() const { return m_Aircraft.size(); }
    bool empty() const { return m_Aircraft.empty(); }
    CStavoAircraft& front() { return m_Aircraft.front(); }
    const CStavoAircraft& front() const { return m_Aircraft.front(); }

    // Inserts the record in front of `place`. The list stays ordered when `place` is where the
    // record's distance belongs; tracking appends and then calls Place. A record's callsign must
    // not change while it is listed.
    iterator insert(const_iterator place, CStavoAircraft record);
    void erase(iterator node);
    void clear();

    // The first aircraft in the list with this callsign, ASCII case ignored; end() if none.
    iterator Find(std::string_view callsign);
    // Gives the node its distance and moves it in front of the first other node with a strictly
    // greater distance, or to the end: equal distances keep their order, the latest behind. The
    // node itself is moved, so its handle stays valid.
    void Place(iterator node, double distance);

private:
    using DistanceIndex = std::multimap<double, iterator>;
    struct Indexed {
        iterator node;
        DistanceIndex::iterator byDistance;
    };
    using CallsignIndex = std::unordered_multimap<std::string, Indexed>;

    CallsignIndex::iterator Entry(iterator node);

    List m_Aircraft;
    CallsignIndex m_ByCallsign; // upper-case callsign
    DistanceIndex m_ByDistance; // in the list's order
    // The entry Find or insert gave last: a report finds its record and then places it.
    CallsignIndex::iterator m_LastEntry = m_ByCallsign.end();
};
using TrackedNode = CStavoAircraftList::iterator;

// One stand of the airport.
//
// Copying a stand copies everything but its two arrays: a copy starts with none, and an
// assignment leaves the target's own. Moving moves everything, so that a growing stand array
// never loses allocations.
class CStavoStand {
public:
    CStavoStand() = default;
    CStavoStand(const CStavoStand& other);
    CStavoStand& operator=(const CStavoStand& other);
    CStavoStand(CStavoStand&&) noexcept = default;
    CStavoStand& operator=(CStavoStand&&) noexcept = default;
    ~CStavoStand() = default;

    int m_Column = 0; // board column of the stand's cell, 0 or 1
    int m_Line = 0; // board line of the stand's cell, 0-based
    platform::Rect m_Area; // label cell as the last refresh placed it; empty when not placed
    std::string m_Name; // the key commands address the stand by
    std::string m_Label; // the displayed text; a stand without one cannot be found by name
    VeltrixPlugIn::CPosition m_Position[2]; // reference positions
    bool m_PositionValid[2] = { false, false };
    std::vector<CStavoAllocation> m_Allocations; // departure (if any) first, then arrivals
    std::vector<TrackedNode> m_StandingAircraft; // rebuilt at every refresh
};

// One entry of the final-approach slots, rebuilt at every refresh.
class CStavoFinalPositions {
public:
    int m_X = 0; // cell origin written by the grid pass
    int m_Y = 0;
    TrackedNode m_Node; // the aircraft in the tracked list
    int m_AllocatedStand = -1; // stand allocated to the aircraft, -1 none
};
