#include "StavoScreen.h"

#include "StavoText.h"
#include "platform/AsciiText.h"

#include <algorithm>
#include <cstddef>
#include <utility>

bool CStavoBox::Contains(const VeltrixPlugIn::CPosition& p) const
{
    // Written as "within" rather than "not outside" so that NaN never counts as inside.
    return p.m_Latitude >= minFirst && p.m_Latitude <= maxFirst && p.m_Longitude >= minSecond
        && p.m_Longitude <= maxSecond;
}

CStavoBox CStavoBox::Widened(double margin) const
{
    return CStavoBox { minFirst - margin, minSecond - margin, maxFirst + margin,
        maxSecond + margin };
}

void CStavoScreen::OnDisplayClosing()
{
    delete this;
}

int CStavoScreen::FindStandByName(std::string_view name) const
{
    for (std::size_t i = 0; i < m_Stands.size(); ++i) {
        if (!m_Stands[i].m_Label.empty() && m_Stands[i].m_Name == name)
            return static_cast<int>(i);
    }
    return -1;
}

TrackedNode CStavoScreen::FindTrackedAircraft(std::string_view callsign)
{
    return m_TrackedAircraft.Find(callsign);
}

int CStavoScreen::FindAllocatedStand(std::string_view callsign) const
{
    for (std::size_t i = 0; i < m_Stands.size(); ++i) {
        for (const CStavoAllocation& allocation : m_Stands[i].m_Allocations) {
            if (platform::EqualsAsciiNoCase(allocation.m_Callsign, callsign))
                return static_cast<int>(i);
        }
    }
    return -1;
}

void CStavoScreen::RemoveAllocations(std::string_view callsign)
{
    if (callsign.starts_with('*'))
        return;
    for (CStavoStand& stand : m_Stands) {
        std::erase_if(stand.m_Allocations, [&](const CStavoAllocation& allocation) {
            return platform::EqualsAsciiNoCase(allocation.m_Callsign, callsign);
        });
    }
}

// An empty callsign would make an allocation the board cannot show and no aircraft can consume,
// yet as a stand's first allocation it would hide the real ones behind it: it is refused.
void CStavoScreen::AllocateArrival(std::string_view standName, std::string_view callsign)
{
    const int stand = FindStandByName(standName);
    if (stand < 0 || callsign.empty())
        return;
    RemoveAllocations(callsign);
    m_Stands[stand].m_Allocations.push_back(
        CStavoAllocation { false, stavo::ToUpperAscii(callsign), GetTime() });
}

void CStavoScreen::AllocateDeparture(std::string_view standName, std::string_view callsign)
{
    const int stand = FindStandByName(standName);
    if (stand < 0 || callsign.empty())
        return;
    CStavoAllocation allocation { true, stavo::ToUpperAscii(callsign), GetTime() };
    RemoveAllocations(allocation.m_Callsign);
    std::vector<CStavoAllocation>& allocations = m_Stands[stand].m_Allocations;
    if (!allocations.empty() && allocations.front().m_Departure)
        allocations.front() = std::move(allocation);
    else
        allocations.insert(allocations.begin(), std::move(allocation));
}

void CStavoScreen::RemoveAllocation(int stand, int k)
{
    if (stand < 0 || static_cast<std::size_t>(stand) >= m_Stands.size())
        return;
    std::vector<CStavoAllocation>& allocations = m_Stands[stand].m_Allocations;
    if (k < 0 || static_cast<std::size_t>(k) >= allocations.size())
        return;
    allocations.erase(allocations.begin() + k);
}

void CStavoScreen::EraseTrackedAircraft(TrackedNode node)
{
    // The per-refresh lists hold node handles; drop them with the node so that nothing reads a
    // removed node before the next refresh rebuilds the lists. The aircraft may have moved since
    // that refresh, so every stand is looked at.
    for (CStavoStand& stand : m_Stands)
        std::erase(stand.m_StandingAircraft, node);
    std::erase_if(m_Finals, [&](const CStavoFinalPositions& f) { return f.m_Node == node; });
    m_TrackedAircraft.erase(node);
}
