// The stand-in radar client without its window: the plug-in, the open displays, the traffic, and
// the events a user or a script causes. Plain C++; the window, the console and the network
// connection drive it.
#pragma once

#include "Airports.h"
#include "Display.h"
#include "FsdClient.h"
#include "PlugInLibrary.h"
#include "Traffic.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

class CHostSession final : public CFsdTrafficSink {
public:
    // Height of the chat area at the bottom of the window, in pixels.
    static constexpr int kChatHeight = 120;
    // A network aircraft without a position for longer than this is forgotten.
    static constexpr std::int64_t kSilenceLimit = 60;

    // `notice` receives the lines the host has to tell its user (warnings, texts, messages).
    CHostSession(CAirportTable airports, std::function<void(const std::string&)> notice);
    // Shuts down if that has not been done.
    ~CHostSession() override;
    CHostSession(const CHostSession&) = delete;
    CHostSession& operator=(const CHostSession&) = delete;

    // The plug-in: loaded from a library (owned), or an object someone else owns.
    void UsePlugIn(std::unique_ptr<CPlugInLibrary> library);
    void UsePlugIn(VeltrixPlugIn::CPlugIn& plugIn);
    VeltrixPlugIn::CPlugIn* PlugIn() const { return m_pPlugIn; }
    const CPlugInLibrary* Library() const { return m_Library.get(); }

    // Opens a display of the type with these settings; they are delivered at once.
    bool OpenDisplay(const std::string& type, CDisplaySettings settings, std::string* error);
    const std::vector<std::unique_ptr<CDisplay>>& Displays() const { return m_Displays; }

    // The window: radar area on top, chat area of fixed height below.
    void SetWindowSize(platform::Size size);
    platform::Size WindowSize() const { return m_WindowSize; }
    platform::Rect RadarArea() const;
    platform::Rect ChatArea() const;

    // Closes every display (OnDisplayClosing), then lets the plug-in go (VeltrixPlugInExit).
    void Shutdown();

    // Traffic. An aircraft report from a script: one position update, with a flight plan when
    // a destination is given (and its type, if any).
    void ReportAircraft(const PositionReport& report, const std::string* destination,
        const std::string* aircraftType);
    bool ForgetAircraft(std::string_view callsign);
    // Forgets network aircraft that have gone silent; call it about once a second.
    void Tick(std::int64_t now);
    const CTrafficRegistry& Traffic() const { return m_Traffic; }

    // A typed line: offered to each display, then to the plug-in, until one handles it.
    bool Command(const std::string& line);

    // The mouse, in window pixels. Pressing on a movable screen object starts a drag: every move
    // calls the display's OnPressScreenObject with released false and the object's rectangle
    // moved with the mouse, the release with released true. Pressing on another object clicks it.
    void MousePress(platform::Point point);
    void MouseMove(platform::Point point);
    void MouseRelease(platform::Point point);
    bool Dragging() const { return m_Drag.has_value(); }
    // A scripted drag of the object with this id, grabbed at its centre: moves it to the point,
    // and drops it there when `release`. False, with a message, when no such object is shown or
    // another object is still being dragged.
    bool DragObject(std::string_view id, platform::Point point, bool release, std::string* error);

    // Refresh. Displays ask through RequestRefresh; `onRequest` (if set) hears of each request so
    // that a window can schedule a repaint.
    void SetRefreshListener(std::function<void()> onRequest);
    bool RefreshPending() const { return m_RefreshPending; }
    // One refresh: every display paints in turn through `dc`; its screen objects are reported to
    // `onObject` as they are registered, and `afterDisplay` hears when each display is done.
    // Returns the refresh's number, counted from 1.
    int Paint(platform::CDeviceContext& dc,
        const std::function<void(const ScreenObject&)>& onObject = {},
        const std::function<void(const CDisplay&)>& afterDisplay = {});

    // CFsdTrafficSink
    bool OnFsdPosition(const PositionReport& report) override;
    void OnFsdFlightPlan(const FsdFlightPlan& plan) override;
    void OnFsdDeletion(const std::string& name) override;
    void OnFsdText(const std::string& from, const std::string& text) override;

private:
    struct Drag {
        CDisplay* display = nullptr;
        ScreenObject object;
        platform::Point grab;
    };

    // Calls every open screen, then the plug-in object.
    template <typename Call> void DeliverToAll(const Call& call);
    void DeliverPosition(const VeltrixPlugIn::CAircraft& aircraft);
    void DeliverFlightPlan(const VeltrixPlugIn::CAircraft& aircraft);
    void DeliverDisconnect(const VeltrixPlugIn::CAircraft& aircraft);
    void OnRefreshRequest();
    // The topmost object at the point over all displays (the last display lies on top).
    std::pair<CDisplay*, const ScreenObject*> HitTest(platform::Point point) const;
    void SendDrag(const Drag& drag, platform::Point point, bool released);

    std::function<void(const std::string&)> m_Notice;
    CAirportTable m_Airports;
    CTrafficRegistry m_Traffic;
    std::unique_ptr<CPlugInLibrary> m_Library;
    VeltrixPlugIn::CPlugIn* m_pPlugIn = nullptr;
    std::vector<std::unique_ptr<CDisplay>> m_Displays;
    platform::Size m_WindowSize { 1280, 800 };
    std::optional<Drag> m_Drag;
    std::function<void()> m_OnRefreshRequest;
    bool m_RefreshPending = false;
    int m_Refreshes = 0;
};

} // namespace host
