// The interface between the Veltrix radar client (the host) and its plug-ins.
//
// A plug-in is a shared library exporting, with C linkage,
//     void VeltrixPlugInInit(VeltrixPlugIn::CPlugIn** ppPlugInInstance);
//     void VeltrixPlugInExit();
// The host looks both up by name after loading the library. Init creates the plug-in object and
// stores its address in *ppPlugInInstance; the plug-in owns that object and Exit destroys it.
// Right after Init the host reads the interface version the object was constructed with (the
// first argument of CPlugIn's constructor, kInterfaceVersion for a plug-in built against this
// header); a plug-in built for another version is given Exit at once and unloaded, unused.
//
// Threads: the host makes every call below, both ways, on its one GUI thread, and a plug-in calls
// the host only from inside such a call; nothing is locked.
// Pointers: a text or pointer the host passes in is valid only until the call returns (copy what
// you keep); a text the host returns stays valid as its function's comment says. Handles
// (CAircraft and the data they give) are values that the callee may keep.
//
// The classes below are implemented by the host's interface library, which the plug-in links
// against. The order of the virtual operations is part of the interface: do not reorder, insert
// or remove any. What the host keeps of a plug-in object sits behind one opaque pointer, so that
// the host can change it without changing the size or layout plug-ins are compiled with.
//
// Everything a plug-in needs of its surroundings comes through these classes, the clock and the
// user's message boxes included, so that this header and its version describe all of it.
#pragma once

#include "platform/DeviceContext.h"
#include "platform/Geometry.h"

#include <cstdint>
#include <memory>

namespace VeltrixPlugIn {

// The interface version this header describes. A plug-in passes it to CPlugIn's constructor; the
// host refuses a plug-in that reports any other. It stays the radar client's own number, 8, which
// real plug-ins pass: the screens' clock and message boxes (GetTime, ShowMessageBox) are functions
// of the interface library, not new virtual slots, so the classes' layout is that of version 8.
inline constexpr int kInterfaceVersion = 8;

class CPlugIn;
class CRadarScreen;

// Host-side state behind the handles, plug-ins and screens. Defined by the host, opaque to
// plug-ins, and so are the host's ways of making handles and attaching screens (CHostAccess).
struct HostAircraft;
struct HostPlugIn;
class CHostDisplay;
class CHostServices;
class CHostAccess;

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

private:
    friend class CHostAccess;
    explicit CAircraft(std::shared_ptr<const HostAircraft> data);

    std::shared_ptr<const HostAircraft> m_Data;
};

// Placeholders for host objects that this plug-in interface passes but Stavo never reads.
class CController { };
class CFlightPlanData { };
class CFlightStrip { };

// Base of every plug-in object. A plug-in derives from it and overrides what it needs; the base
// implementations do nothing and return false or nullptr. Handles arrive by value: the plug-in
// may keep them. Slots the stand-in host (veltrix-host) never calls say so.
class CPlugIn {
public:
    // compatibility: the interface version the plug-in was built for; pass kInterfaceVersion.
    // The texts are copied.
    CPlugIn(int compatibility, const char* name, const char* version, const char* author,
        const char* copyright);
    // Slot 0. Run by VeltrixPlugInExit, after the host has closed every screen of the plug-in.
    virtual ~CPlugIn();

    // Slots 1 to 16, in this order.
    // When a controller appears or moves (veltrix-host: never).
    virtual void OnControllerPositionUpdate(CController controller);
    // When a controller leaves (veltrix-host: never).
    virtual void OnControllerDisconnect(CController controller);
    // After every position report, once the host's screens have had it.
    virtual void OnAircraftPositionUpdate(CAircraft aircraft);
    // When the host forgets an aircraft (gone from the feed, or silent too long); the handle
    // still gives its last values.
    virtual void OnAircraftDisconnect(CAircraft aircraft);
    // When a flight plan for the aircraft arrives, once the host's screens have had it.
    virtual void OnAircraftFlightPlanUpdate(CAircraft aircraft);
    // When a controller changes assigned data of the aircraft (veltrix-host: never).
    virtual void OnAircraftControllerAssignedDataUpdate(CAircraft aircraft, int dataType);
    // When another controller pushes the aircraft's strip (veltrix-host: never).
    virtual void OnAircraftFlightStripPushed(
        CAircraft aircraft, const char* sender, const char* target);
    // When the host opens a display of a type this plug-in registered. Returns a new screen,
    // which the host owns from then on until it calls the screen's OnDisplayClosing, or nullptr.
    virtual CRadarScreen* CreateDisplayScreen(const char* displayName, bool needRadarContent,
        bool geoReferenced, bool canBeSaved, bool canBeCreated);
    // For a typed command line that no screen handled; true when the plug-in handled it.
    virtual bool OnCompileCommand(const char* commandLine);
    // For a chat message on a frequency; true when handled (veltrix-host: never).
    virtual bool OnCompileFrequencyChat(const char* sender, double frequency, const char* message);
    // For a private chat message; true when handled (veltrix-host: never).
    virtual bool OnCompilePrivateChat(
        const char* sender, const char* receiver, const char* message);
    // When the host draws a tag item the plug-in provides; the plug-in writes at most 15
    // characters and a NUL into the host's itemString and may set the host's colorCode, rgb and
    // fontSize, all valid during the call only (veltrix-host: never).
    virtual void OnGetTagItem(CAircraft aircraft, int itemCode, int tagData, char itemString[16],
        int* colorCode, platform::Color* rgb, double* fontSize);
    // When the host rebuilds an aircraft list of the plug-in (veltrix-host: never).
    virtual void OnRefresAcListContent(CAircraft aircraft);
    // When a weather report arrives for a station (veltrix-host: never).
    virtual void OnNewMetarReceived(const char* station, const char* fullMetar);
    // When the user picks a function the plug-in registered (veltrix-host: never).
    virtual void OnFunctionCall(
        int functionId, const char* itemString, platform::Point pt, platform::Rect area);
    // When the active runways change (veltrix-host: never).
    virtual void OnAirportRunwayActivityChanged();

    // Registers a display type; the host offers it and calls CreateDisplayScreen with its name.
    // The name is copied.
    void RegisterDisplayType(const char* displayName, bool needRadarContent, bool geoReferenced,
        bool canBeSaved, bool canBeCreated);

    // The aircraft with this callsign (ignoring ASCII case), or an empty handle.
    CAircraft AircraftSelect(const char* callsign) const;

private:
    friend class CHostAccess;

    // What the host keeps of the plug-in (its texts, display types, services), made by the
    // constructor and destroyed with the object.
    std::unique_ptr<HostPlugIn> m_Host;
};

// Base of every display screen. The plug-in creates a screen in CPlugIn::CreateDisplayScreen and
// hands it to the host, which owns it from then on: the host calls OnDisplaySettingsLoaded once
// before anything else, then the other callbacks as events arrive, and OnDisplayClosing last; in
// OnDisplayClosing the screen deletes itself (the host never deletes a screen). Every screen is
// closed before the plug-in object is destroyed. Slots the stand-in host never calls say so.
class CRadarScreen {
public:
    CRadarScreen();

    // Slots 0 to 16, in this order.
    // Once, right after the screen was created and attached; the display's settings can be read
    // with GetDataFromAsr from here on.
    virtual void OnDisplaySettingsLoaded(bool loaded);
    // Before the host saves the display's settings (veltrix-host: never).
    virtual void OnAsrContentToBeSaved();
    // For each drawing phase of a refresh (0, 1, 2 in veltrix-host); the context belongs to the
    // host and is valid during the call only.
    virtual void OnPaintDisplay(platform::CDeviceContext* dc, int phase);
    // The last call the screen receives, when the host closes the display or shuts down; the
    // screen deletes itself here.
    virtual void OnDisplayClosing();
    // When a controller appears or moves (veltrix-host: never).
    virtual void OnControllerPositionUpdate(CController controller);
    // When a controller leaves (veltrix-host: never).
    virtual void OnControllerDisconnect(CController controller);
    // After every position report the host receives.
    virtual void OnAircraftPositionUpdate(CAircraft aircraft);
    // When the host forgets an aircraft; the handle still gives its last values.
    virtual void OnAircraftDisconnect(CAircraft aircraft);
    // When a flight plan for the aircraft arrives.
    virtual void OnAircraftFlightPlanUpdate(CAircraft aircraft);
    // When a controller changes assigned data of the aircraft (veltrix-host: never).
    virtual void OnAircraftControllerAssignedDataUpdate(CAircraft aircraft, int dataType);
    // When another controller pushes the aircraft's strip (veltrix-host: never).
    virtual void OnAircraftFlightStripPushed(
        CAircraft aircraft, const char* sender, const char* target);
    // For a typed command line, offered to the screens in the order they were opened before the
    // plug-in; returns true when the command line was handled by this screen.
    virtual bool OnCompileCommand(const char* commandLine);
    // When the mouse moves over a screen object of this screen (veltrix-host: never).
    virtual void OnOverScreenObject(
        int objectType, const char* objectId, platform::Point pt, platform::Rect area);
    // When the user clicks a screen object of this screen that is not movable.
    virtual void OnClickScreenObject(
        int objectType, const char* objectId, platform::Point pt, platform::Rect area, int button);
    // When the user double-clicks a screen object of this screen (veltrix-host: never).
    virtual void OnDoubleClickScreenObject(
        int objectType, const char* objectId, platform::Point pt, platform::Rect area, int button);
    // While the user drags a movable screen object, and once more with released true when the
    // mouse button is let go. area is the object's rectangle moved with the mouse.
    virtual void OnPressScreenObject(int objectType, const char* objectId, platform::Point pt,
        platform::Rect area, bool released);
    // When the user picks a function the plug-in registered (veltrix-host: never).
    virtual void OnFunctionCall(
        int functionId, const char* itemString, platform::Point pt, platform::Rect area);

    // The value of a key of the display's settings file, or nullptr when the key is absent.
    // Valid until the next call.
    const char* GetDataFromAsr(const char* key);
    // The parts of the display window in pixels: the radar area and the chat area below it.
    platform::Rect GetRadarArea() const;
    platform::Rect GetChatArea() const;
    // Registers a clickable area for this refresh. Registrations are dropped at the next refresh.
    // The texts are copied.
    void AddScreenObject(int objectType, const char* objectId, platform::Rect area, bool moveable,
        const char* message);
    // Asks the host to repaint the display soon.
    void RequestRefresh();
    // The host's clock: seconds since 1970-01-01 00:00 UTC. A screen reads every "now" here, so
    // that it runs on the host's time, which the host may set (a scripted or a test clock).
    // Works before the screen is attached as well.
    std::int64_t GetTime() const;
    // Shows the text to the user in a modal message box with an OK button, or however the host
    // tells its user such things (a host without a window prints it); returns once it is shown.
    // Works before the screen is attached as well.
    void ShowMessageBox(const char* text) const;
    // The plug-in that created the screen; it outlives the screen.
    CPlugIn* GetPlugIn() const;

    // The host's way in, defined by the host (a nested class rather than a friend, which would
    // make the protected destructor count as reachable from outside).
    struct HostSide;

protected:
    // Screens are destroyed only by themselves, in OnDisplayClosing.
    ~CRadarScreen();

private:
    CHostDisplay* m_Display = nullptr; // the host's display, set before OnDisplaySettingsLoaded
    CPlugIn* m_PlugIn = nullptr;
};

} // namespace VeltrixPlugIn

// What a plug-in library exports for the host to find by name.
#ifdef _WIN32
#define VELTRIX_PLUGIN_EXPORT __declspec(dllexport)
#else
#define VELTRIX_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
VELTRIX_PLUGIN_EXPORT void VeltrixPlugInInit(VeltrixPlugIn::CPlugIn** ppPlugInInstance);
VELTRIX_PLUGIN_EXPORT void VeltrixPlugInExit();
}
