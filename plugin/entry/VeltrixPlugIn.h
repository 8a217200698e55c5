// The interface between the Veltrix radar client (the host) and its plug-ins.
//
// A plug-in is a shared library exporting, with C linkage,
//     void VeltrixPlugInInit(VeltrixPlugIn::CPlugIn** ppPlugInInstance);
//     void VeltrixPlugInExit();
// The host looks both up by name after loading the library. Init creates the plug-in object and
// stores its address in *ppPlugInInstance; the plug-in owns that object and Exit destroys it.
//
// Everything here is called on the host's one thread. The classes below are implemented by the
// host's interface library, which the plug-in links against. The order of the virtual
// operations is part of the interface: do not reorder, insert or remove any.
#pragma once

#include "platform/DeviceContext.h"
#include "platform/Geometry.h"

#include <memory>
#include <string>
#include <vector>

namespace VeltrixPlugIn {

class CPlugIn;
class CRadarScreen;

// Host-side state behind the handles and screens. Defined by the host, opaque to plug-ins.
struct HostAircraft;
class CHostDisplay;
class CHostServices;

// A geographic position in degrees.
class CPosition {
public:
    double m_Latitude = 0.0; // first coordinate, north positive
    double m_Longitude = 0.0; // second coordinate, east positive

    CPosition() = default;

    // Fills the position from a longitude text and a latitude text, each in decimal degrees
    // ("19.2611", "-0.5") or in the sector-file form ("E019.15.40.000", "N047.26.10.000").
    // Returns false, leaving the position unchanged, when either text is anything else.
    bool LoadFromStrings(const char* longitude, const char* latitude);

    // Great-circle distance to the other position, in nautical miles.
    double DistanceTo(const CPosition& other) const;
};

// The reported position of an aircraft.
class CAircraftPositionData {
public:
    CAircraftPositionData() = default;
    bool IsValid() const;
    // Pressure altitude in feet.
    int GetPressureAltitude() const;
    CPosition GetPosition() const;

private:
    friend class CAircraft;
    std::shared_ptr<const HostAircraft> m_Data;
};

// The flight plan of an aircraft, as far as the host knows it.
class CAircraftFlightPlan {
public:
    CAircraftFlightPlan() = default;
    bool IsValid() const;
    // True once the host has received a flight plan for the aircraft.
    bool IsReceived() const;
    // ICAO code of the destination aerodrome; "" when unknown. Valid while the handle lives.
    const char* GetDestination() const;
    // ICAO aircraft type; "" when unknown. Valid while the handle lives.
    const char* GetAircraftFPType() const;

private:
    friend class CAircraft;
    std::shared_ptr<const HostAircraft> m_Data;
};

// A handle on one aircraft the host knows. A default-constructed handle is empty (IsValid()
// false), as is the one AircraftSelect returns for an unknown callsign; the getters of an empty
// handle return "", 0 or empty handles. A handle is a snapshot: it keeps the values of the
// moment it was made, even after the host forgets the aircraft.
class CAircraft {
public:
    CAircraft() = default;
    bool IsValid() const;
    // Valid while the handle lives.
    const char* GetCallsign() const;
    // Ground speed in knots.
    int GetGS() const;
    CAircraftPositionData GetPosition() const;
    CAircraftFlightPlan GetFlightPlan() const;
    // Great-circle distance from the aircraft to its destination aerodrome in nautical miles;
    // 0 when the destination or its position is unknown.
    double GetDistanceToDestination() const;

    // Host side: wraps host-owned data. Plug-ins never call this.
    explicit CAircraft(std::shared_ptr<const HostAircraft> data);

private:
    std::shared_ptr<const HostAircraft> m_Data;
};

// Placeholders for host objects that this plug-in interface passes but Stavo never reads.
class CController { };
class CFlightPlanData { };
class CFlightStrip { };

// Base of every plug-in object. A plug-in derives from it and overrides what it needs; the base
// implementations do nothing and return empty values.
class CPlugIn {
public:
    // compatibility: the interface version the plug-in was built for (8 for this one).
    CPlugIn(int compatibility, const char* name, const char* version, const char* author,
        const char* copyright);
    // Slot 0.
    virtual ~CPlugIn();

    // Slots 1 to 16, in this order.
    virtual void OnControllerPositionUpdate(CController controller);
    virtual void OnControllerDisconnect(CController controller);
    virtual void OnAircraftPositionUpdate(CAircraft aircraft);
    virtual void OnAircraftDisconnect(CAircraft aircraft);
    virtual void OnAircraftFlightPlanUpdate(CAircraft aircraft);
    virtual void OnAircraftControllerAssignedDataUpdate(CAircraft aircraft, int dataType);
    virtual void OnAircraftFlightStripPushed(
        CAircraft aircraft, const char* sender, const char* target);
    // Called when the host opens a display of a type this plug-in registered. Returns a new
    // screen, which the host owns until it calls the screen's OnDisplayClosing, or nullptr.
    virtual CRadarScreen* CreateDisplayScreen(const char* displayName, bool needRadarContent,
        bool geoReferenced, bool canBeSaved, bool canBeCreated);
    // Returns true when the command line was handled.
    virtual bool OnCompileCommand(const char* commandLine);
    virtual bool OnCompileFrequencyChat(const char* sender, double frequency, const char* message);
    virtual bool OnCompilePrivateChat(
        const char* sender, const char* receiver, const char* message);
    virtual void OnGetTagItem(CAircraft aircraft, int itemCode, int tagData, char itemString[16],
        int* colorCode, platform::Color* rgb, double* fontSize);
    virtual void OnRefresAcListContent(CAircraft aircraft);
    virtual void OnNewMetarReceived(const char* station, const char* fullMetar);
    virtual void OnFunctionCall(
        int functionId, const char* itemString, platform::Point pt, platform::Rect area);
    virtual void OnAirportRunwayActivityChanged();

    // Registers a display type; the host offers it and calls CreateDisplayScreen with its name.
    void RegisterDisplayType(const char* displayName, bool needRadarContent, bool geoReferenced,
        bool canBeSaved, bool canBeCreated);

    // The aircraft with this callsign (ignoring ASCII case), or an empty handle.
    CAircraft AircraftSelect(const char* callsign) const;

    // Host side.
    const std::string& GetPlugInName() const { return m_Name; }
    const std::string& GetPlugInVersion() const { return m_Version; }
    const std::string& GetPlugInAuthor() const { return m_Author; }
    const std::string& GetPlugInCopyright() const { return m_Copyright; }
    int GetCompatibility() const { return m_Compatibility; }
    struct DisplayType {
        std::string name;
        bool needRadarContent;
        bool geoReferenced;
        bool canBeSaved;
        bool canBeCreated;
    };
    const std::vector<DisplayType>& GetDisplayTypes() const { return m_DisplayTypes; }
    void SetHostServices(CHostServices* services) { m_pHost = services; }

private:
    int m_Compatibility;
    std::string m_Name;
    std::string m_Version;
    std::string m_Author;
    std::string m_Copyright;
    std::vector<DisplayType> m_DisplayTypes;
    CHostServices* m_pHost = nullptr;
};

// Base of every display screen. The host obtains a screen from CPlugIn::CreateDisplayScreen,
// calls OnDisplaySettingsLoaded once before anything else, then the other callbacks as events
// arrive, and OnDisplayClosing last; in OnDisplayClosing the screen deletes itself (the host
// never deletes a screen).
class CRadarScreen {
public:
    CRadarScreen();

    // Slots 0 to 16, in this order.
    // The display's settings can be read with GetDataFromAsr.
    virtual void OnDisplaySettingsLoaded(bool loaded);
    virtual void OnAsrContentToBeSaved();
    // Called for each drawing phase of a refresh; the context belongs to the host.
    virtual void OnPaintDisplay(platform::CDeviceContext* dc, int phase);
    // The last call the screen receives; the screen deletes itself here.
    virtual void OnDisplayClosing();
    virtual void OnControllerPositionUpdate(CController controller);
    virtual void OnControllerDisconnect(CController controller);
    virtual void OnAircraftPositionUpdate(CAircraft aircraft);
    virtual void OnAircraftDisconnect(CAircraft aircraft);
    virtual void OnAircraftFlightPlanUpdate(CAircraft aircraft);
    virtual void OnAircraftControllerAssignedDataUpdate(CAircraft aircraft, int dataType);
    virtual void OnAircraftFlightStripPushed(
        CAircraft aircraft, const char* sender, const char* target);
    // Returns true when the command line was handled by this screen.
    virtual bool OnCompileCommand(const char* commandLine);
    virtual void OnOverScreenObject(
        int objectType, const char* objectId, platform::Point pt, platform::Rect area);
    virtual void OnClickScreenObject(
        int objectType, const char* objectId, platform::Point pt, platform::Rect area, int button);
    virtual void OnDoubleClickScreenObject(
        int objectType, const char* objectId, platform::Point pt, platform::Rect area, int button);
    // Called while the user drags a movable screen object, and once more with released true
    // when the mouse button is let go. area is the object's rectangle moved with the mouse.
    virtual void OnPressScreenObject(int objectType, const char* objectId, platform::Point pt,
        platform::Rect area, bool released);
    virtual void OnFunctionCall(
        int functionId, const char* itemString, platform::Point pt, platform::Rect area);

    // The value of a key of the display's settings file, or nullptr when the key is absent.
    // Valid until the next call.
    const char* GetDataFromAsr(const char* key);
    // The parts of the display window in pixels: the radar area and the chat area below it.
    platform::Rect GetRadarArea() const;
    platform::Rect GetChatArea() const;
    // Registers a clickable area for this refresh. Registrations are dropped at the next refresh.
    void AddScreenObject(int objectType, const char* objectId, platform::Rect area, bool moveable,
        const char* message);
    // Asks the host to repaint the display soon.
    void RequestRefresh();
    // The plug-in that created the screen.
    CPlugIn* GetPlugIn() const;

    // Host side.
    void AttachToHost(CHostDisplay* display, CPlugIn* plugIn);

protected:
    // Screens are destroyed only by themselves, in OnDisplayClosing.
    ~CRadarScreen();

private:
    CHostDisplay* m_pDisplay = nullptr;
    CPlugIn* m_pPlugIn = nullptr;
};

} // namespace VeltrixPlugIn

extern "C" {
void VeltrixPlugInInit(VeltrixPlugIn::CPlugIn** ppPlugInInstance);
void VeltrixPlugInExit();
}
