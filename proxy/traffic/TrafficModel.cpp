#include "TrafficModel.h"

#include "FeedNumbers.h"
#include "FeedTime.h"
#include "Geo.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include <utility>

namespace {

// Message types whose lines carry the full layout.
bool IsFullLayoutType(const char* type)
{
    return std::strcmp(type, "MSG") == 0 || std::strcmp(type, "SEL") == 0
        || std::strcmp(type, "AIR") == 0 || std::strcmp(type, "ID") == 0;
}

// "YYYY/MM/DD", the shape of the date fields.
bool IsDateField(const char* text)
{
    for (int i = 0; i < 10; ++i) {
        const bool slash = i == 4 || i == 7;
        if (slash ? text[i] != '/' : (text[i] < '0' || text[i] > '9'))
            return false;
    }
    return text[10] == '\0';
}

} // namespace

PositionVerdict CPositionRules::Check(double latitude, double longitude) const
{
    // Beyond the poles or the antimeridian, or not a number at all, a coordinate is garbled, and
    // taking it would also make it the reference point of the whole run. 0,0 is what receivers
    // report for an aircraft without a fix: junk wherever the receiver is.
    if (!(std::fabs(latitude) <= 90.0 && std::fabs(longitude) <= 180.0)
        || (latitude == 0.0 && longitude == 0.0))
        return PositionVerdict::Invalid;
    if (!anywhere && !(latitude > 10.0 && longitude > 10.0))
        return PositionVerdict::NorthEast;
    // The receiver's range, when given, drops the far garbage of bad decodes.
    if (receiverSet
        && !(DistanceNm(receiverLatitude, receiverLongitude, latitude, longitude) <= maxRangeNm))
        return PositionVerdict::Range;
    return PositionVerdict::Accepted;
}

void CTrafficModel::RemoveListener(CTrafficListener& listener)
{
    std::erase(m_listeners, &listener);
}

bool CTrafficModel::HandleFeedLine(char* line, std::size_t length, std::int64_t now,
    ShortLineDate dates, CIgnoredPositions* source)
{
    CFieldList fields;
    fields.Split(line, length, ',');
    m_pSourceIgnored = source;
    const bool accepted = ProcessSbsLine(fields, now, dates);
    m_pSourceIgnored = nullptr;
    return accepted;
}

bool CTrafficModel::ProcessSbsLine(const CFieldList& fields, std::int64_t now, ShortLineDate dates)
{
    if (IsFullLayoutType(fields.field[0]))
        return ApplySbsMessage(fields, 0, now);

    // A line without its leading fields: the field holding today's date is the "date logged"
    // field of the full layout, and fixes the alignment of all the others. A replay may take the
    // recording's own date instead: the last field shaped as a date.
    constexpr int kDateLoggedField = 8;
    if (dates == ShortLineDate::Recorded) {
        for (int i = fields.fieldCount - 1; i >= 0; --i) {
            if (IsDateField(fields.field[i]))
                return i <= kDateLoggedField && ApplySbsMessage(fields, kDateLoggedField - i, now);
        }
        return false;
    }
    const std::string today = FormatLocalDate(now);
    if (today.empty())
        return false; // an empty date would match every empty field
    for (int i = fields.fieldCount - 1; i >= 0; --i) {
        if (today != fields.field[i])
            continue;
        if (i > kDateLoggedField)
            return false;
        return ApplySbsMessage(fields, kDateLoggedField - i, now);
    }
    return false;
}

bool CTrafficModel::ApplySbsMessage(const CFieldList& fields, int offset, std::int64_t now)
{
    // Field k of the full layout is split index k - offset; field 4, the hex id, must exist.
    if (offset < 0 || offset >= 5 || fields.fieldCount + offset < 11)
        return false;
    const auto field = [&](int k) -> const char* {
        const int i = k - offset;
        return i < fields.fieldCount ? fields.field[i] : nullptr;
    };
    const auto present = [&](int k) -> const char* {
        const char* text = field(k);
        return (text != nullptr && *text != '\0') ? text : nullptr;
    };

    const std::string_view hexId(field(4));
    if (offset == 4 && hexId.size() < 6)
        return false;
    if (hexId.empty())
        return false; // an aircraft without a name could never be addressed by the clients
    if (!IsPacketFieldText(hexId))
        return false; // as a name in the clients' packets it would shift their fields

    CTrackedAircraft* aircraft = m_aircraftMap.Find(hexId);
    if (aircraft == nullptr && (aircraft = CreateAircraft(hexId)) == nullptr)
        return false;

    // Only the first callsign counts. The line's own field is looked at first: most lines have
    // none, and then the record's callsign, a cache line of its own, stays untouched.
    if (std::string_view callsign = field(10); callsign.size() > 3) {
        // Receivers pad the callsign to 8 characters; trimmed, it is the name the flight plans
        // and the radar clients know.
        if (m_bTrimCallsigns)
            callsign = callsign.substr(0, callsign.find_last_not_of(' ') + 1);
        if (callsign.size() > 3 && aircraft->callsign.empty()
            && callsign.find('@') == std::string_view::npos && IsPacketFieldText(callsign))
            SetCallsign(*aircraft, callsign);
    }

    // Within the same second the time is the same: listeners are not told again.
    if (aircraft->lastMessageTime != now || now == 0) {
        aircraft->lastMessageTime = now;
        Changed(*aircraft, AircraftField::LastReceived);
    }

    if (const char* text = present(11)) {
        aircraft->altitude = FeedInt32(text);
        Changed(*aircraft, AircraftField::Altitude, text);
    }
    if (const char* text = present(12)) {
        aircraft->groundSpeed = FeedInt32(text);
        Changed(*aircraft, AircraftField::GroundSpeed, text);
    }
    if (const char* text = present(13)) {
        aircraft->track = FeedInt32(text);
        Changed(*aircraft, AircraftField::Track, text);
    }
    if (present(15) != nullptr && present(14) != nullptr) {
        const double latitude = FeedDouble(field(14));
        const double longitude = FeedDouble(field(15));
        if (const PositionVerdict verdict = m_positionRules.Check(latitude, longitude);
            verdict == PositionVerdict::Accepted) {
            aircraft->position = AircraftPosition { longitude, latitude, true };
            m_reference.SetOnce(longitude, latitude);
            Changed(*aircraft, AircraftField::Position);
            if (aircraft->lastPositionTime != now || now == 0) {
                aircraft->lastPositionTime = now;
                Changed(*aircraft, AircraftField::LastPositionReceived);
            }
        } else {
            // Counted, so that a receiver outside the rules' area can be told why its aircraft
            // have no position.
            m_ignoredPositions.Add(verdict);
            if (m_pSourceIgnored != nullptr)
                m_pSourceIgnored->Add(verdict);
            aircraft->positionIgnored = true;
        }
    }
    if (const char* text = present(16))
        aircraft->verticalRate = FeedInt32(text);
    // A squawk that would split the position packet is ignored: the aircraft keeps its last one.
    if (const char* text = present(17); text != nullptr && IsPacketFieldText(text)) {
        aircraft->squawk = text;
        Changed(*aircraft, AircraftField::Squawk, text);
    }
    if (const char* text = present(20))
        aircraft->spiFlag = FeedInt32(text) != 0;
    if (const char* text = present(21))
        aircraft->onGroundFlag = FeedInt32(text) != 0;
    return true;
}

// The first callsign of an aircraft: its name for the clients from now on, and the key of its
// flight plan. It never changes afterwards.
void CTrafficModel::SetCallsign(CTrackedAircraft& aircraft, std::string_view callsign)
{
    // Until now the clients knew the aircraft by its registration or hex id.
    const std::string oldName
        = aircraft.registration.empty() ? aircraft.hexId : aircraft.registration;
    aircraft.callsign = callsign;
    if (const int i = m_flightplansTable.Find(aircraft.callsign); i >= 0) {
        const CIcaoDataElement& plan = m_flightplansTable.GetAt(i);
        // The plan's texts go into the "$FP" packet's fields: whatever would split them is
        // dropped.
        if (aircraft.aircraftType.empty())
            aircraft.aircraftType = PacketFieldText(plan.column[0]);
        aircraft.departure = PacketFieldText(plan.column[2]);
        aircraft.destination = PacketFieldText(plan.column[4]);
        aircraft.cruiseAltitude = PacketFieldText(plan.column[5]);
        aircraft.route = PacketFieldText(plan.column[6]);
    }
    for (CTrafficListener* listener : m_listeners)
        listener->OnCallsignKnown(aircraft, oldName);
}

// A new record, enriched from the lookup tables, in the map and last in the arrival order;
// nullptr (and nothing changed) if memory runs out.
CTrackedAircraft* CTrafficModel::CreateAircraft(std::string_view hexId)
{
    CTrackedAircraft* aircraft = nullptr;
    try {
        CTrackedAircraft record;
        record.hexId = hexId;
        record.arrivalIndex = static_cast<std::int32_t>(m_aircraftMap.size());
        // The lookup texts go into packet fields (the name, "$FP"): whatever would split them
        // is dropped; the tables are searched with the texts as the files give them.
        if (const int i = m_icao24Table.Find(record.hexId); i >= 0) {
            const std::string& registration = m_icao24Table.GetAt(i).column[0];
            record.registration = PacketFieldText(registration);
            if (const int j = m_aircraftsTable.Find(registration); !registration.empty() && j >= 0)
                record.aircraftType = PacketFieldText(m_aircraftsTable.GetAt(j).column[1]);
        }
        aircraft = m_aircraftMap.Insert(hexId, std::move(record)).first;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    for (CTrafficListener* listener : m_listeners)
        listener->OnAircraftAdded(*aircraft);
    return aircraft;
}

void CTrafficModel::PurgeStaleAircraft(std::int64_t now)
{
    // One pass over the table frees the silent records and notes their places; a second moves the
    // survivors up by the count of removed places before theirs.
    const std::size_t count = m_aircraftMap.size();
    std::vector<char> removed(count, 0);
    std::vector<std::int32_t> removedIndexes;
    for (auto it = m_aircraftMap.begin(); it != m_aircraftMap.end();) {
        const CTrackedAircraft& aircraft = it->second;
        if (aircraft.lastMessageTime + kStaleAircraftSeconds > now) {
            ++it;
            continue;
        }
        if (aircraft.arrivalIndex >= 0 && static_cast<std::size_t>(aircraft.arrivalIndex) < count)
            removed[static_cast<std::size_t>(aircraft.arrivalIndex)] = 1;
        it = m_aircraftMap.Erase(it); // frees the record
    }
    if (m_aircraftMap.size() == count)
        return;

    // removedBefore[i]: removed places before place i.
    std::vector<std::int32_t> removedBefore(count + 1, 0);
    for (std::size_t i = 0; i < count; ++i) {
        removedBefore[i + 1] = removedBefore[i] + removed[i];
        if (removed[i])
            removedIndexes.push_back(static_cast<std::int32_t>(i));
    }
    for (auto& [key, aircraft] : m_aircraftMap) {
        if (aircraft.arrivalIndex >= 0 && static_cast<std::size_t>(aircraft.arrivalIndex) <= count)
            aircraft.arrivalIndex -= removedBefore[static_cast<std::size_t>(aircraft.arrivalIndex)];
    }
    for (CTrafficListener* listener : m_listeners)
        listener->OnAircraftRemoved(removedIndexes);
}

void CTrafficModel::LoadLookupFiles()
{
    m_icao24Table.Load(kIcao24File);
    m_aircraftsTable.Load(kAircraftsFile);
    m_flightplansTable.Load(kFlightplansFile);
}

void CTrafficModel::ReloadLookupFiles(
    const std::function<void(const char*, const CIcaoDataTable&, bool, int)>& told)
{
    for (auto [table, name] : { std::pair { &m_icao24Table, kIcao24File },
             { &m_aircraftsTable, kAircraftsFile }, { &m_flightplansTable, kFlightplansFile } }) {
        int skipped = 0;
        const bool read = table->Reload(name, skipped);
        told(name, *table, read, skipped);
    }
}

void CTrafficModel::ForEachLookupTable(
    const std::function<void(const char*, const CIcaoDataTable&)>& visit) const
{
    visit(kIcao24File, m_icao24Table);
    visit(kAircraftsFile, m_aircraftsTable);
    visit(kFlightplansFile, m_flightplansTable);
}
