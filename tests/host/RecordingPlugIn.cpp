#include "RecordingPlugIn.h"

#include <cstring>

namespace hosttest {

namespace {
std::string RectText(const platform::Rect& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right)
        + "," + std::to_string(r.bottom);
}
} // namespace

RecordingScreen::RecordingScreen(std::vector<std::string>& log, std::string name)
    : m_Log(log)
    , m_Name(std::move(name))
{
}

void RecordingScreen::OnDisplaySettingsLoaded(bool)
{
    const char* airport = GetDataFromAsr("AIRPORT");
    Log(std::string("settings ") + (airport != nullptr ? airport : "(none)") + " radar "
        + RectText(GetRadarArea()) + " chat " + RectText(GetChatArea()));
}

void RecordingScreen::OnPaintDisplay(platform::CDeviceContext*, int phase)
{
    Log("paint " + std::to_string(phase));
    if (phase != 1)
        return;
    for (const TestObject& object : kTestObjects)
        AddScreenObject(1, object.id, object.area, object.movable, nullptr);
}

void RecordingScreen::OnDisplayClosing()
{
    Log("closing");
    delete this;
}

void RecordingScreen::OnAircraftPositionUpdate(VeltrixPlugIn::CAircraft aircraft)
{
    Log(std::string("position ") + aircraft.GetCallsign() + " " + std::to_string(aircraft.GetGS())
        + " " + aircraft.GetFlightPlan().GetDestination());
}

void RecordingScreen::OnAircraftFlightPlanUpdate(VeltrixPlugIn::CAircraft aircraft)
{
    Log(std::string("plan ") + aircraft.GetCallsign() + " "
        + aircraft.GetFlightPlan().GetAircraftFPType());
}

void RecordingScreen::OnAircraftDisconnect(VeltrixPlugIn::CAircraft aircraft)
{
    Log(std::string("gone ") + aircraft.GetCallsign());
}

bool RecordingScreen::OnCompileCommand(const char* commandLine)
{
    Log(std::string("command ") + commandLine);
    return std::strncmp(commandLine, m_Name.c_str(), m_Name.size()) == 0;
}

void RecordingScreen::OnClickScreenObject(
    int, const char* objectId, platform::Point pt, platform::Rect, int)
{
    Log(std::string("click ") + objectId + " " + std::to_string(pt.x) + "," + std::to_string(pt.y));
}

void RecordingScreen::OnPressScreenObject(
    int objectType, const char* objectId, platform::Point pt, platform::Rect area, bool released)
{
    Log("press " + std::to_string(objectType) + " " + objectId + " " + std::to_string(pt.x) + ","
        + std::to_string(pt.y) + " " + RectText(area) + (released ? " released" : " held"));
}

RecordingPlugIn::RecordingPlugIn()
    : CPlugIn(8, "Recorder", "0.1", "tests", "none")
{
    RegisterDisplayType(kTestDisplayType, false, false, false, false);
    RegisterDisplayType("Refusing View", false, false, false, false);
}

VeltrixPlugIn::CRadarScreen* RecordingPlugIn::CreateDisplayScreen(
    const char* displayName, bool, bool, bool, bool)
{
    if (std::strcmp(displayName, kTestDisplayType) != 0)
        return nullptr;
    return new RecordingScreen(log, "screen" + std::to_string(++screensMade));
}

bool RecordingPlugIn::OnCompileCommand(const char* commandLine)
{
    log.push_back(std::string("plugin command ") + commandLine);
    return std::strcmp(commandLine, "plugin") == 0;
}

} // namespace hosttest
