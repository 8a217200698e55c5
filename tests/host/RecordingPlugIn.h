// An in-process plug-in for the host's tests: its screens log every callback they receive.
#pragma once

#include "veltrix/VeltrixPlugIn.h"

#include <memory>
#include <string>
#include <vector>

namespace hosttest {

inline constexpr char kTestDisplayType[] = "Test View";

// A screen object every recording screen registers in phase 1.
struct TestObject {
    const char* id;
    platform::Rect area;
    bool movable;
};
inline constexpr TestObject kTestObjects[] = {
    { "WZZ123", { 100, 100, 160, 120 }, true },
    { "LABEL", { 100, 100, 300, 200 }, false }, // registered later: on top where they overlap
    { "RYR5TL", { 400, 100, 460, 120 }, true },
};

class RecordingScreen final : public VeltrixPlugIn::CRadarScreen {
public:
    RecordingScreen(std::vector<std::string>& log, std::string name);

    void OnDisplaySettingsLoaded(bool loaded) override;
    void OnPaintDisplay(platform::CDeviceContext* dc, int phase) override;
    void OnDisplayClosing() override;
    void OnAircraftPositionUpdate(VeltrixPlugIn::CAircraft aircraft) override;
    void OnAircraftFlightPlanUpdate(VeltrixPlugIn::CAircraft aircraft) override;
    void OnAircraftDisconnect(VeltrixPlugIn::CAircraft aircraft) override;
    bool OnCompileCommand(const char* commandLine) override;
    void OnClickScreenObject(int objectType, const char* objectId, platform::Point pt,
        platform::Rect area, int button) override;
    void OnPressScreenObject(int objectType, const char* objectId, platform::Point pt,
        platform::Rect area, bool released) override;

private:
    ~RecordingScreen() = default;
    void Log(const std::string& entry) { m_Log.push_back(m_Name + " " + entry); }

    std::vector<std::string>& m_Log;
    std::string m_Name;
};

class RecordingPlugIn final : public VeltrixPlugIn::CPlugIn {
public:
    RecordingPlugIn();
    VeltrixPlugIn::CRadarScreen* CreateDisplayScreen(
        const char* displayName, bool, bool, bool, bool) override;
    bool OnCompileCommand(const char* commandLine) override;

    std::vector<std::string> log;
    int screensMade = 0;
};

} // namespace hosttest
