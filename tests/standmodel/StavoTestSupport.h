// A stand-in for the host around one stand board screen: settings, a clock, message boxes and
// aircraft reports, delivered through the screen's host interface as the radar client does.
#pragma once

#include "host/HostInterface.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "plugin/model/StavoScreen.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace stavotest {

class FakeDisplay : public VeltrixPlugIn::CHostDisplay {
public:
    const char* GetDataFromAsr(const char* key) override
    {
        const auto it = settings.find(key);
        if (it == settings.end())
            return nullptr;
        m_Value = it->second; // valid until the next call, as the host promises
        return m_Value.c_str();
    }
    platform::Rect GetRadarArea() const override { return {}; }
    platform::Rect GetChatArea() const override { return {}; }
    void AddScreenObject(int, const char*, platform::Rect, bool, const char*) override { }
    void RequestRefresh() override { }

    std::map<std::string, std::string> settings;

private:
    std::string m_Value;
};

// Screens are destroyed only by their own closing callback.
struct CloseScreen {
    void operator()(CStavoScreen* screen) const { screen->OnDisplayClosing(); }
};

// "name:label:column:line:latitude:longitude", the first position as a settings file gives it.
inline std::string Stand(const std::string& name, int column, int line, double lat, double lon)
{
    return name + ":" + name + ":" + std::to_string(column) + ":" + std::to_string(line) + ":"
        + std::to_string(lat) + ":" + std::to_string(lon);
}

class ScreenTest : public testing::Test {
protected:
    static constexpr std::int64_t kStart = 1'700'000'000;

    ScreenTest()
    {
        platform::SetMessageBoxHandler(
            [this](std::string_view text) { messages.emplace_back(text); });
        screen->AttachToHost(&display, nullptr);
    }
    ~ScreenTest() override { platform::SetMessageBoxHandler({}); }

    void Load()
    {
        static_cast<VeltrixPlugIn::CRadarScreen&>(*screen).OnDisplaySettingsLoaded(true);
    }

    void Report(const std::string& callsign, int groundSpeed, int altitude, double lat, double lon,
        const std::string& destination = "", double distance = 0.0)
    {
        auto data = std::make_shared<VeltrixPlugIn::HostAircraft>();
        data->callsign = callsign;
        data->groundSpeed = groundSpeed;
        data->pressureAltitude = altitude;
        data->position.m_Latitude = lat;
        data->position.m_Longitude = lon;
        data->destination = destination;
        data->distanceToDestination = distance;
        static_cast<VeltrixPlugIn::CRadarScreen&>(*screen).OnAircraftPositionUpdate(
            VeltrixPlugIn::CAircraft(data));
    }

    std::vector<std::string> TrackedCallsigns() const
    {
        std::vector<std::string> callsigns;
        for (const CStavoAircraft& a : screen->m_TrackedAircraft)
            callsigns.push_back(a.m_Callsign);
        return callsigns;
    }

    std::vector<std::string> Allocations(const std::string& stand) const
    {
        std::vector<std::string> texts;
        for (const CStavoAllocation& a :
            screen->m_Stands.at(screen->FindStandByName(stand)).m_Allocations)
            texts.push_back((a.m_Departure ? "dep " : "arr ") + a.m_Callsign);
        return texts;
    }

    platform::FakeClock clock { kStart };
    FakeDisplay display;
    std::vector<std::string> messages;
    std::unique_ptr<CStavoScreen, CloseScreen> screen { new CStavoScreen };
};

} // namespace stavotest
