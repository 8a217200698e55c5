// The SBS-1 BaseStation line parser of the main window: one feed line in, one aircraft updated.
#include "QuorvexDlg.h"
#include "platform/CalendarTime.h"
#include "platform/Clock.h"
#include "proxy/traffic/FeedNumbers.h"
#include "proxy/traffic/Geo.h"
#include "proxy/traffic/ReferencePoint.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

// Message types whose lines carry the full layout.
bool IsFullLayoutType(const char* type)
{
    return std::strcmp(type, "MSG") == 0 || std::strcmp(type, "SEL") == 0
        || std::strcmp(type, "AIR") == 0 || std::strcmp(type, "ID") == 0;
}

// Positions south of 10 degrees north or west of 10 degrees east are dropped: receivers report
// 0,0 and other junk for aircraft without a fix. Beyond the poles or the antimeridian, or not a
// number at all, a coordinate is garbled, and taking it would also make it the reference point of
// the whole run.
bool IsAcceptedPosition(double latitude, double longitude)
{
    return latitude > 10.0 && latitude <= 90.0 && longitude > 10.0 && longitude <= 180.0;
}

// With receivers anywhere, only the receivers' 0,0 of an aircraft without a fix is junk by
// itself; the receiver's range, when given, drops the far garbage of bad decodes.
bool IsAcceptedPosition(double latitude, double longitude, const CFeedOptions& options)
{
    if (!options.positionsAnywhere) {
        if (!IsAcceptedPosition(latitude, longitude))
            return false;
    } else if (!(std::fabs(latitude) <= 90.0 && std::fabs(longitude) <= 180.0)
        || (latitude == 0.0 && longitude == 0.0)) {
        return false; // also not a number
    }
    return !options.receiverSet
        || DistanceNm(options.receiverLatitude, options.receiverLongitude, latitude, longitude)
        <= options.maxRangeNm;
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

// "%.4f,%.4f" of latitude and longitude, independent of the process locale.
std::string_view FormatPosition(char (&buffer)[64], double latitude, double longitude)
{
    char* const end = buffer + sizeof buffer;
    char* p = FormatFixed4(buffer, end, latitude);
    *p++ = ',';
    p = FormatFixed4(p, end, longitude);
    return { buffer, static_cast<std::size_t>(p - buffer) };
}

} // namespace

bool CQuorvexDlg::HandleFeedLine(char* line)
{
    m_strLineCopy.assign(line);
    ++m_nLinesReceived;
    ++m_metrics.m_nLinesReceived;
    if (m_feedOptions.feedTimeoutSeconds > 0 && m_bFeedConnected)
        m_tFeedActivity = platform::Time64();
    CFieldList fields;
    fields.Split(line, m_strLineCopy.size(), ','); // the copy has measured the line
    if (ProcessSbsLine(fields)) {
        m_strLastLine.swap(m_strLineCopy); // both keep their buffers for the next lines
        m_bLastLineShown = false;
        ++m_nLinesAccepted;
        ++m_metrics.m_nLinesAccepted;
    }
    m_bLineCountShown = false;
    return true;
}

// A feed delivers thousands of lines a second: the texts are formatted once for all the lines
// of a receive or a replay step, not for every line.
void CQuorvexDlg::ShowFeedCounters()
{
    if (!m_bLastLineShown) {
        m_controls.SetWindowText(kIdLastLine, m_strLastLine);
        m_bLastLineShown = true;
    }
    if (!m_bLineCountShown) {
        char text[48];
        const int length = std::snprintf(text, sizeof text, "%lld / %lld",
            static_cast<long long>(m_nLinesReceived), static_cast<long long>(m_nLinesAccepted));
        m_controls.SetWindowText(
            kIdLineCount, std::string_view(text, static_cast<std::size_t>(length)));
        m_bLineCountShown = true;
    }
}

bool CQuorvexDlg::ProcessSbsLine(const CFieldList& fields)
{
    if (IsFullLayoutType(fields.field[0]))
        return ApplySbsMessage(fields, 0);

    // A line without its leading fields: the field holding today's date is the "date logged"
    // field of the full layout, and fixes the alignment of all the others. A replay may take the
    // recording's own date instead: the last field shaped as a date.
    constexpr int kDateLoggedField = 8;
    if (m_feedOptions.replayDateRecorded && IsReplaying()) {
        for (int i = fields.fieldCount - 1; i >= 0; --i) {
            if (IsDateField(fields.field[i]))
                return i <= kDateLoggedField && ApplySbsMessage(fields, kDateLoggedField - i);
        }
        return false;
    }
    const std::string today = FormatLocalDate(platform::Time64());
    if (today.empty())
        return false; // an empty date would match every empty field
    for (int i = fields.fieldCount - 1; i >= 0; --i) {
        if (today != fields.field[i])
            continue;
        if (i > kDateLoggedField)
            return false;
        return ApplySbsMessage(fields, kDateLoggedField - i);
    }
    return false;
}

bool CQuorvexDlg::ApplySbsMessage(const CFieldList& fields, int offset)
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
    if (const char* callsign = field(10); std::strlen(callsign) > 3 && aircraft->callsign.empty()
        && std::strchr(callsign, '@') == nullptr && IsPacketFieldText(callsign))
        SetCallsign(*aircraft, callsign);

    // Within the same second the time cells already show this time: they are not written again.
    const std::int64_t now = platform::Time64();
    if (aircraft->lastMessageTime != now || now == 0) {
        aircraft->lastMessageTime = now;
        SetCell(*aircraft, kColLastReceived, FormatUtcTime(now));
    }

    if (const char* text = present(11)) {
        aircraft->altitude = FeedInt32(text);
        SetCell(*aircraft, kColAltitude, text);
    }
    if (const char* text = present(12)) {
        aircraft->groundSpeed = FeedInt32(text);
        SetCell(*aircraft, kColGroundSpeed, text);
    }
    if (const char* text = present(13)) {
        aircraft->track = FeedInt32(text);
        SetCell(*aircraft, kColHeading, text);
    }
    if (present(15) != nullptr && present(14) != nullptr) {
        const double latitude = FeedDouble(field(14));
        const double longitude = FeedDouble(field(15));
        if (IsAcceptedPosition(latitude, longitude, m_feedOptions)) {
            aircraft->position = AircraftPosition { longitude, latitude, true };
            SetReferencePointOnce(longitude, latitude);
            char buffer[64];
            SetCell(*aircraft, kColPosition, FormatPosition(buffer, latitude, longitude));
            if (aircraft->lastPositionTime != now || now == 0) {
                aircraft->lastPositionTime = now;
                SetCell(*aircraft, kColLastPositionReceived, FormatUtcTime(now));
            }
        }
    }
    if (const char* text = present(16))
        aircraft->verticalRate = FeedInt32(text);
    // A squawk that would split the position packet is ignored: the aircraft keeps its last one.
    if (const char* text = present(17); text != nullptr && IsPacketFieldText(text)) {
        aircraft->squawk = text;
        SetCell(*aircraft, kColSquawk, text);
    }
    if (const char* text = present(20))
        aircraft->spiFlag = FeedInt32(text) != 0;
    if (const char* text = present(21))
        aircraft->onGroundFlag = FeedInt32(text) != 0;
    return true;
}

// The first callsign of an aircraft: shown, announced to the clients, and the key of its flight
// plan. It never changes afterwards.
void CQuorvexDlg::SetCallsign(CTrackedAircraft& aircraft, const char* callsign)
{
    aircraft.callsign = callsign;
    SetCell(aircraft, kColCallsign, aircraft.callsign);

    // Until now the clients knew the aircraft by its registration or hex id; from the next
    // broadcast on it appears under its callsign, so the old entry is deleted.
    const std::string& oldName
        = aircraft.registration.empty() ? aircraft.hexId : aircraft.registration;
    BroadcastPacket("#DP" + oldName + "\r\n", {});

    const int i = m_flightplansTable.Find(aircraft.callsign);
    if (i < 0)
        return;
    const CIcaoDataElement& plan = m_flightplansTable.GetAt(i);
    // The plan's texts go into the "$FP" packet's fields: whatever would split them is dropped.
    if (aircraft.aircraftType.empty())
        aircraft.aircraftType = PacketFieldText(plan.column[0]);
    aircraft.planColumn1 = PacketFieldText(plan.column[1]);
    aircraft.departure = PacketFieldText(plan.column[2]);
    aircraft.planColumn3 = PacketFieldText(plan.column[3]);
    aircraft.destination = PacketFieldText(plan.column[4]);
    aircraft.cruiseAltitude = PacketFieldText(plan.column[5]);
    aircraft.route = PacketFieldText(plan.column[6]);
}

std::string CQuorvexDlg::FormatUtcTime(std::int64_t time)
{
    // UTC has no offsets to look up: the time of day is the remainder of whole days.
    constexpr std::int64_t kDay = 86400;
    std::int64_t seconds = time % kDay;
    if (seconds < 0)
        seconds += kDay;
    const auto hours = static_cast<int>(seconds / 3600);
    const auto minutes = static_cast<int>(seconds / 60 % 60);
    const auto secs = static_cast<int>(seconds % 60);
    const char text[8] = {
        static_cast<char>('0' + hours / 10),
        static_cast<char>('0' + hours % 10),
        ':',
        static_cast<char>('0' + minutes / 10),
        static_cast<char>('0' + minutes % 10),
        ':',
        static_cast<char>('0' + secs / 10),
        static_cast<char>('0' + secs % 10),
    };
    return std::string(text, sizeof text);
}

std::string CQuorvexDlg::FormatLocalDate(std::int64_t time)
{
    const auto t = static_cast<std::time_t>(time);
    std::tm local {};
    if (!platform::ToLocalTime(t, local))
        return {};
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, "%Y/%m/%d", &local);
    return std::string(text, length);
}
