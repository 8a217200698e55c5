#include "StavoRecords.h"

#include "StavoText.h"

#include <iterator>
#include <utility>

CStavoStand::CStavoStand(const CStavoStand& other)
    : m_Column(other.m_Column)
    , m_Line(other.m_Line)
    , m_Area(other.m_Area)
    , m_Name(other.m_Name)
    , m_Label(other.m_Label)
    , m_Position { other.m_Position[0], other.m_Position[1] }
    , m_PositionValid { other.m_PositionValid[0], other.m_PositionValid[1] }
{
}

CStavoStand& CStavoStand::operator=(const CStavoStand& other)
{
    m_Column = other.m_Column;
    m_Line = other.m_Line;
    m_Area = other.m_Area;
    m_Name = other.m_Name;
    m_Label = other.m_Label;
    m_Position[0] = other.m_Position[0];
    m_Position[1] = other.m_Position[1];
    m_PositionValid[0] = other.m_PositionValid[0];
    m_PositionValid[1] = other.m_PositionValid[1];
    return *this;
}

CStavoAircraftList::iterator CStavoAircraftList::insert(const_iterator place, CStavoAircraft record)
{
    std::string key = stavo::ToUpperAscii(record.m_Callsign);
    const iterator node = m_Aircraft.insert(place, std::move(record));
    const DistanceIndex::iterator byDistance = m_ByDistance.emplace(node->m_Distance, node);
    // A rehash may move every entry: the one just made is the only one known.
    m_LastEntry = m_ByCallsign.emplace(std::move(key), Indexed { node, byDistance });
    return node;
}

CStavoAircraftList::CallsignIndex::iterator CStavoAircraftList::Entry(iterator node)
{
    if (m_LastEntry != m_ByCallsign.end() && m_LastEntry->second.node == node)
        return m_LastEntry;
    auto [first, last] = m_ByCallsign.equal_range(stavo::ToUpperAscii(node->m_Callsign));
    while (first != last && first->second.node != node)
        ++first;
    return first;
}

void CStavoAircraftList::erase(iterator node)
{
    const CallsignIndex::iterator entry = Entry(node);
    if (entry != m_ByCallsign.end()) {
        m_ByDistance.erase(entry->second.byDistance);
        m_ByCallsign.erase(entry);
    }
    m_LastEntry = m_ByCallsign.end();
    m_Aircraft.erase(node);
}

void CStavoAircraftList::clear()
{
    m_ByCallsign.clear();
    m_ByDistance.clear();
    m_Aircraft.clear();
    m_LastEntry = m_ByCallsign.end();
}

CStavoAircraftList::iterator CStavoAircraftList::Find(std::string_view callsign)
{
    auto [first, last] = m_ByCallsign.equal_range(stavo::ToUpperAscii(callsign));
    if (first == last)
        return m_Aircraft.end();
    if (std::next(first) == last) {
        m_LastEntry = first;
        return first->second.node;
    }
    // Only records inserted as they are, not through tracking, can share a callsign: the one
    // nearest the front wins, as it would in a walk of the list.
    for (iterator node = m_Aircraft.begin(); node != m_Aircraft.end(); ++node) {
        for (auto it = first; it != last; ++it) {
            if (it->second.node == node) {
                m_LastEntry = it;
                return node;
            }
        }
    }
    return m_Aircraft.end();
}

void CStavoAircraftList::Place(iterator node, double distance)
{
    const CallsignIndex::iterator entry = Entry(node);
    if (entry != m_ByCallsign.end())
        m_ByDistance.erase(entry->second.byDistance);
    node->m_Distance = distance;
    // The first other node with a greater distance; the node itself is out of the index.
    const DistanceIndex::iterator next = m_ByDistance.upper_bound(distance);
    m_Aircraft.splice(
        next == m_ByDistance.end() ? m_Aircraft.end() : next->second, m_Aircraft, node);
    // Just in front of `next`, that is behind every equal distance.
    const DistanceIndex::iterator placed = m_ByDistance.emplace_hint(next, distance, node);
    if (entry != m_ByCallsign.end())
        entry->second.byDistance = placed;
}
