// The host's side of the plug-in interface: the data behind aircraft handles, and what screens
// and plug-ins ask of the host. Plug-ins never include this.
#pragma once

#include "platform/Geometry.h"
#include "veltrix/VeltrixPlugIn.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

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

// A display type a plug-in registered.
struct DisplayType {
    std::string name;
    bool needRadarContent = false;
    bool geoReferenced = false;
    bool canBeSaved = false;
    bool canBeCreated = false;
};

// What the host keeps of one plug-in object, behind its opaque pointer.
struct HostPlugIn {
    int compatibility = 0; // the interface version the plug-in was built for
    std::string name;
    std::string version;
    std::string author;
    std::string copyright;
    std::vector<DisplayType> displayTypes;
    CHostServices* services = nullptr;
};

struct CRadarScreen::HostSide {
    static void Attach(CRadarScreen& screen, CHostDisplay* display, CPlugIn* plugIn)
    {
        screen.m_Display = display;
        screen.m_PlugIn = plugIn;
    }
};

// The host's side of the interface classes: what only the host reads or sets.
class CHostAccess {
public:
    static const HostPlugIn& Of(const CPlugIn& plugIn) { return *plugIn.m_Host; }
    // The plug-in's AircraftSelect asks `services` from now on; nullptr detaches it.
    static void SetHostServices(CPlugIn& plugIn, CHostServices* services)
    {
        plugIn.m_Host->services = services;
    }
    // Before the first callback: the screen's host calls go to `display`, GetPlugIn is `plugIn`.
    static void AttachToHost(CRadarScreen& screen, CHostDisplay* display, CPlugIn* plugIn)
    {
        CRadarScreen::HostSide::Attach(screen, display, plugIn);
    }
    // A handle on host-owned data.
    static CAircraft MakeAircraft(std::shared_ptr<const HostAircraft> data)
    {
        return CAircraft(std::move(data));
    }
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
