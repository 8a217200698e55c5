// The window's aircraft list: one row per aircraft of the traffic model, in the order they were
// first heard, its cells kept in step with the records as the model tells of changes.
#pragma once

#include "platform/DialogControls.h"
#include "proxy/traffic/TrafficModel.h"

#include <span>
#include <string_view>

// Columns of the aircraft list.
enum AircraftListColumn : int {
    kColHexId = 0,
    kColLastReceived = 1,
    kColCallsign = 2,
    kColRegistration = 3,
    kColLastPositionReceived = 4,
    kColPosition = 5,
    kColHeading = 6,
    kColGroundSpeed = 7,
    kColAltitude = 8,
    kColSquawk = 9,
    kAircraftListColumns = 10,
};

// Header texts of the aircraft list, in column order.
inline constexpr std::string_view kAircraftListHeaders[kAircraftListColumns] = {
    "AC hexid",
    "Last received",
    "AC callsign",
    "Registration",
    "Last position received",
    "Last position lat/lon",
    "Heading",
    "Ground speed",
    "Altitude",
    "Squawk",
};

// The row of an aircraft is its arrival index.
class CAircraftListView final : public CTrafficListener {
public:
    CAircraftListView(platform::CDialogControls& controls, int listId);

    void InsertColumns();

    void OnAircraftAdded(const CTrackedAircraft& aircraft) override;
    void OnAircraftChanged(
        const CTrackedAircraft& aircraft, AircraftField field, std::string_view feedText) override;
    void OnCallsignKnown(const CTrackedAircraft& aircraft, std::string_view oldName) override;
    void OnAircraftRemoved(std::span<const std::int32_t> arrivalIndexes) override;

private:
    void SetCell(const CTrackedAircraft& aircraft, int column, std::string_view text)
    {
        m_controls.ListSetItemText(m_listId, aircraft.arrivalIndex, column, text);
    }

    platform::CDialogControls& m_controls;
    int m_listId;
};
