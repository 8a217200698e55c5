#include "Display.h"

#include <utility>

namespace host {

CDisplay::CDisplay(
    std::string type, CDisplaySettings settings, std::function<void()> onRefreshRequest)
    : m_Type(std::move(type))
    , m_Settings(std::move(settings))
    , m_OnRefreshRequest(std::move(onRefreshRequest))
{
}

CDisplay::~CDisplay()
{
    Close();
}

bool CDisplay::Open(VeltrixPlugIn::CPlugIn& plugIn, std::string* error)
{
    const VeltrixPlugIn::DisplayType* registered = nullptr;
    for (const auto& type : VeltrixPlugIn::CHostAccess::Of(plugIn).displayTypes)
        if (type.name == m_Type)
            registered = &type;
    if (registered == nullptr) {
        *error = "the plug-in has no display type \"" + m_Type + "\"";
        return false;
    }
    m_pScreen = plugIn.CreateDisplayScreen(m_Type.c_str(), registered->needRadarContent,
        registered->geoReferenced, registered->canBeSaved, registered->canBeCreated);
    if (m_pScreen == nullptr) {
        *error = "the plug-in created no screen for display type \"" + m_Type + "\"";
        return false;
    }
    VeltrixPlugIn::CHostAccess::AttachToHost(*m_pScreen, this, &plugIn);
    m_pScreen->OnDisplaySettingsLoaded(true);
    return true;
}

void CDisplay::Close()
{
    if (m_pScreen == nullptr)
        return;
    VeltrixPlugIn::CRadarScreen* screen = std::exchange(m_pScreen, nullptr);
    m_Objects.Clear();
    screen->OnDisplayClosing();
}

void CDisplay::SetAreas(const platform::Rect& radar, const platform::Rect& chat)
{
    m_RadarArea = radar;
    m_ChatArea = chat;
}

void CDisplay::Paint(
    platform::CDeviceContext& dc, const std::function<void(const ScreenObject&)>& onObject)
{
    m_Objects.Clear();
    if (m_pScreen == nullptr)
        return;
    m_pOnObject = &onObject;
    for (const int phase : kPaintPhases)
        m_pScreen->OnPaintDisplay(&dc, phase);
    m_pOnObject = nullptr;
}

const char* CDisplay::GetDataFromAsr(const char* key)
{
    return key == nullptr ? nullptr : m_Settings.Find(key);
}

void CDisplay::AddScreenObject(
    int objectType, const char* objectId, platform::Rect area, bool moveable, const char* message)
{
    ScreenObject object { objectType, objectId != nullptr ? objectId : "", area, moveable,
        message != nullptr ? message : "" };
    if (m_pOnObject != nullptr && *m_pOnObject)
        (*m_pOnObject)(object);
    m_Objects.Add(std::move(object));
}

void CDisplay::RequestRefresh()
{
    if (m_OnRefreshRequest)
        m_OnRefreshRequest();
}

} // namespace host
