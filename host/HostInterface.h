// The host's side of the plug-in interface: the data behind aircraft handles, and what screens
// and plug-ins ask of the host. Plug-ins never include this.
#pragma once

#include "platform/Geometry.h"
#include "plugin/entry/VeltrixPlugIn.h"

#include <string>

namespace VeltrixPlugIn {

// What the host knows of one aircraft at one moment. CAircraft handles share it read-only.
struct HostAircraft {
    std::string callsign;
    int groundSpeed = 0; // knots
    int pressureAltitude = 0; // feet
    CPosition position;
    bool flightPlanReceived = false;
    std::string destination; // ICAO code, "" unknown
    std::string aircraftType; // ICAO type, "" unknown
    double distanceToDestination = 0.0; // nautical miles, 0 when unknown
};

// The host's services to a plug-in object.
class CHostServices {
public:
    virtual ~CHostServices() = default;
    // The aircraft with this callsign (ignoring ASCII case), or an empty handle.
    virtual CAircraft AircraftSelect(const char* callsign) const = 0;
};

// The host's side of one open display.
class CHostDisplay {
public:
    virtual ~CHostDisplay() = default;
    virtual const char* GetDataFromAsr(const char* key) = 0;
    virtual platform::Rect GetRadarArea() const = 0;
    virtual platform::Rect GetChatArea() const = 0;
    virtual void AddScreenObject(int objectType, const char* objectId, platform::Rect area,
        bool moveable, const char* message)
        = 0;
    virtual void RequestRefresh() = 0;
};

} // namespace VeltrixPlugIn
