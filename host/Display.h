// One open display of the host: a screen of the plug-in, its settings, its place in the window
// and the screen objects of its last refresh.
#pragma once

#include "DisplaySettings.h"
#include "ScreenObjects.h"
#include "platform/DeviceContext.h"
#include "veltrix/HostInterface.h"

#include <functional>
#include <string>

namespace host {

// The phases of one refresh, in the order the host paints them: 0 under the radar picture, 1
// the display's own drawing, 2 on top of everything. Every display gets every phase.
inline constexpr int kPaintPhases[] = { 0, 1, 2 };

class CDisplay final : public VeltrixPlugIn::CHostDisplay {
public:
    // `onRefreshRequest` runs when the screen asks for a repaint.
    CDisplay(std::string type, CDisplaySettings settings, std::function<void()> onRefreshRequest);
    // Closes the screen if it is still open.
    ~CDisplay() override;
    CDisplay(const CDisplay&) = delete;
    CDisplay& operator=(const CDisplay&) = delete;

    // Obtains a screen of the display's type from the plug-in, then delivers the settings
    // (OnDisplaySettingsLoaded). False, with a message, when the plug-in has not registered the
    // type or creates no screen for it.
    bool Open(VeltrixPlugIn::CPlugIn& plugIn, std::string* error);
    // Calls the screen's OnDisplayClosing, its last callback, in which the screen destroys
    // itself (the host never deletes a screen).
    void Close();
    VeltrixPlugIn::CRadarScreen* Screen() const { return m_pScreen; }
    const std::string& Type() const { return m_Type; }
    const CDisplaySettings& Settings() const { return m_Settings; }

    void SetAreas(const platform::Rect& radar, const platform::Rect& chat);

    // One refresh: forgets the screen objects of the previous one and calls OnPaintDisplay for
    // every phase. `onObject` sees each object as it is registered.
    void Paint(
        platform::CDeviceContext& dc, const std::function<void(const ScreenObject&)>& onObject);
    const CScreenObjects& Objects() const { return m_Objects; }

    // CHostDisplay
    const char* GetDataFromAsr(const char* key) override;
    platform::Rect GetRadarArea() const override { return m_RadarArea; }
    platform::Rect GetChatArea() const override { return m_ChatArea; }
    void AddScreenObject(int objectType, const char* objectId, platform::Rect area, bool moveable,
        const char* message) override;
    void RequestRefresh() override;

private:
    std::string m_Type;
    CDisplaySettings m_Settings;
    std::function<void()> m_OnRefreshRequest;
    VeltrixPlugIn::CRadarScreen* m_pScreen = nullptr; // owned by itself, see Close
    platform::Rect m_RadarArea;
    platform::Rect m_ChatArea;
    CScreenObjects m_Objects;
    const std::function<void(const ScreenObject&)>* m_pOnObject = nullptr; // during Paint
};

} // namespace host
