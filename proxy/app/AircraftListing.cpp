#include "AircraftListing.h"

#include "proxy/traffic/FeedNumbers.h"
#include "proxy/traffic/FeedTime.h"

namespace {

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

CAircraftListView::CAircraftListView(platform::CDialogControls& controls, int listId)
    : m_controls(controls)
    , m_listId(listId)
{
}

void CAircraftListView::InsertColumns()
{
    for (int column = 0; column < kAircraftListColumns; ++column)
        m_controls.ListInsertColumn(m_listId, column, kAircraftListHeaders[column]);
}

void CAircraftListView::OnAircraftAdded(const CTrackedAircraft& aircraft)
{
    m_controls.ListInsertItem(m_listId, aircraft.arrivalIndex, aircraft.hexId);
    SetCell(aircraft, kColRegistration, aircraft.registration);
}

void CAircraftListView::OnAircraftChanged(
    const CTrackedAircraft& aircraft, AircraftField field, std::string_view feedText)
{
    switch (field) {
    case AircraftField::LastReceived:
        SetCell(aircraft, kColLastReceived, FormatUtcTime(aircraft.lastMessageTime));
        break;
    case AircraftField::LastPositionReceived:
        SetCell(aircraft, kColLastPositionReceived, FormatUtcTime(aircraft.lastPositionTime));
        break;
    case AircraftField::Position: {
        char buffer[64];
        SetCell(aircraft, kColPosition,
            FormatPosition(buffer, aircraft.position.latitude, aircraft.position.longitude));
        break;
    }
    case AircraftField::Track:
        SetCell(aircraft, kColHeading, feedText);
        break;
    case AircraftField::GroundSpeed:
        SetCell(aircraft, kColGroundSpeed, feedText);
        break;
    case AircraftField::Altitude:
        SetCell(aircraft, kColAltitude, feedText);
        break;
    case AircraftField::Squawk:
        SetCell(aircraft, kColSquawk, feedText);
        break;
    }
}

void CAircraftListView::OnCallsignKnown(const CTrackedAircraft& aircraft, std::string_view)
{
    SetCell(aircraft, kColCallsign, aircraft.callsign);
}

void CAircraftListView::OnAircraftRemoved(std::span<const std::int32_t> arrivalIndexes)
{
    // The rows go in runs, from the bottom up, so that the rows of the runs still to go do not
    // move.
    for (std::size_t end = arrivalIndexes.size(); end > 0;) {
        std::size_t start = end - 1;
        while (start > 0 && arrivalIndexes[start - 1] + 1 == arrivalIndexes[start])
            --start;
        m_controls.ListDeleteItems(m_listId, arrivalIndexes[start], static_cast<int>(end - start));
        end = start;
    }
}
