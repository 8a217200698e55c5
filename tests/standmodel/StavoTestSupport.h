// A stand-in for the host around one stand board screen: settings, window areas, a clock,
// message boxes, the aircraft the host knows and their reports, delivered through the screen's
// host interface as the radar client does.
#pragma once

#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "plugin/model/StavoScreen.h"
#include "plugin/model/StavoText.h"
#include "veltrix/HostInterface.h"

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
    platform::Rect GetRadarArea() const override { return radarArea; }
    platform::Rect GetChatArea() const override { return chatArea; }
    void AddScreenObject(
        int type, const char* id, platform::Rect area, bool moveable, const char* message) override
    {
        objects.push_back({ type, id, area, moveable, message != nullptr });
    }
    void RequestRefresh() override { ++refreshRequests; }

    struct ScreenObject {
        int type;
        std::string id;
        platform::Rect area;
        bool moveable;
        bool hasMessage;
    };
    std::map<std::string, std::string> settings;
    platform::Rect radarArea;
    platform::Rect chatArea;
    std::vector<ScreenObject> objects;
    int refreshRequests = 0;

private:
    std::string m_Value;
};

// The aircraft the host knows, by upper-case callsign. Tests change them in place.
class FakeServices : public VeltrixPlugIn::CHostServices {
public:
    VeltrixPlugIn::CAircraft AircraftSelect(const char* callsign) const override
    {
        const auto it = aircraft.find(stavo::ToUpperAscii(callsign));
        return it != aircraft.end() ? VeltrixPlugIn::CHostAccess::MakeAircraft(it->second)
                                    : VeltrixPlugIn::CAircraft();
    }

    std::map<std::string, std::shared_ptr<VeltrixPlugIn::HostAircraft>> aircraft;
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
        VeltrixPlugIn::CHostAccess::SetHostServices(plugIn, &services);
        VeltrixPlugIn::CHostAccess::AttachToHost(*screen, &display, &plugIn);
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
        services.aircraft[stavo::ToUpperAscii(callsign)] = data;
        static_cast<VeltrixPlugIn::CRadarScreen&>(*screen).OnAircraftPositionUpdate(
            VeltrixPlugIn::CHostAccess::MakeAircraft(data));
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
    FakeServices services;
    VeltrixPlugIn::CPlugIn plugIn { VeltrixPlugIn::kInterfaceVersion, "test", "1.0", "", "" };
    std::vector<std::string> messages;
    std::unique_ptr<CStavoScreen, CloseScreen> screen { new CStavoScreen };
};

} // namespace stavotest
