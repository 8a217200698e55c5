// veltrix-host with Stavo loaded in-process, on a fake clock, painting into a recorder: the
// host side of the targets that drive the stand board, and the board's invariants.
#pragma once

#include "FuzzSupport.h"
#include "host/Airports.h"
#include "host/DisplaySettings.h"
#include "host/HostSession.h"
#include "host/Script.h"
#include "host/Text.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/RecordingDeviceContext.h"
#include "plugin/entry/StavoViewPlugin.h"
#include "plugin/model/StavoScreen.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace fuzz {

// A sample file of the repository, read once at start-up: the same bytes for every run.
inline std::string ReadSample(const std::string& name)
{
    std::string error;
    const auto text = host::ReadTextFile(std::string(QS_SAMPLES_DIR) + "/" + name, &error);
    if (!text)
        Fail(error.c_str());
    return *text;
}

// One host session with the Stavo plug-in and the sample airports. Script events act on it as
// they do on veltrix-host with --clock, except that a wait lets at most kMaxWait seconds pass
// (a day of seconds per line would only slow the fuzzer down) and snapshots are refused.
class CFuzzHost final : public host::CScriptHost {
public:
    static constexpr std::int64_t kStart = 1'767'225'600;
    static constexpr double kMaxWait = 120.0;

    CFuzzHost()
    {
        platform::SetMessageBoxHandler([](std::string_view) {}); // the loader's messages
        m_Session.UsePlugIn(m_PlugIn);
        m_Session.SetWindowSize({ 1280, 800 });
    }
    ~CFuzzHost() override { platform::SetMessageBoxHandler({}); }
    CFuzzHost(const CFuzzHost&) = delete;
    CFuzzHost& operator=(const CFuzzHost&) = delete;

    bool Open(std::string_view settings)
    {
        std::string error;
        return m_Session.OpenDisplay(
            kStavoDisplayType, host::CDisplaySettings::Parse(settings, nullptr), &error);
    }
    host::CHostSession& Session() { return m_Session; }
    platform::FakeClock& Clock() { return m_Clock; }

    // The board of the first display, or nullptr when none is open.
    CStavoScreen* Board() const
    {
        const auto& displays = m_Session.Displays();
        if (displays.empty() || displays.front()->Screen() == nullptr)
            return nullptr;
        return static_cast<CStavoScreen*>(displays.front()->Screen());
    }

    void Paint()
    {
        platform::CRecordingDeviceContext recorder;
        m_Session.Paint(recorder);
    }
    void ServePendingRefresh()
    {
        if (m_Session.RefreshPending())
            Paint();
    }

    // CScriptHost
    bool Aircraft(const host::ScriptEvent& event, std::string*) override
    {
        m_Session.ReportAircraft(event.report, event.destination ? &*event.destination : nullptr,
            event.aircraftType ? &*event.aircraftType : nullptr);
        return true;
    }
    bool Forget(const std::string& callsign, std::string* error) override
    {
        if (m_Session.ForgetAircraft(callsign))
            return true;
        *error = "no aircraft " + callsign;
        return false;
    }
    bool Command(const std::string& line) override { return m_Session.Command(line); }
    bool Drag(
        const std::string& id, platform::Point point, bool release, std::string* error) override
    {
        return m_Session.DragObject(id, point, release, error);
    }
    void Refresh() override { Paint(); }
    // The script's parser is what this host is for: it lets an expect's time pass, refreshing,
    // but does not judge the board (the host's own tests do).
    bool Expect(const host::BoardCondition&, double seconds, std::string*) override
    {
        Watch(seconds);
        return true;
    }
    void Watch(double seconds) override
    {
        Wait(seconds);
        Paint();
    }
    void Say(const std::string&) override { }
    void Describe(const std::string&) override { Paint(); }
    void Wait(double seconds) override
    {
        m_PendingSeconds += std::min(seconds, kMaxWait);
        while (m_PendingSeconds >= 1.0) {
            m_PendingSeconds -= 1.0;
            m_Clock.Advance(1);
            m_Session.Tick(platform::Time64());
            ServePendingRefresh();
        }
    }
    bool Snapshot(const std::string&, std::string* error) override
    {
        *error = "no snapshots while fuzzing";
        return false;
    }
    bool AfterEvent() override
    {
        ServePendingRefresh();
        return true;
    }

private:
    platform::FakeClock m_Clock { kStart };
    CStavoViewPlugin m_PlugIn; // outlives the session, as a loaded library does
    host::CHostSession m_Session { host::CAirportTable::Parse(ReadSample("airports.txt"), nullptr),
        [](const std::string&) {} };
    double m_PendingSeconds = 0.0;
};

// What holds of a board whatever was typed, dropped or reported.
inline void CheckBoard(const CStavoScreen& board)
{
    const int stands = static_cast<int>(board.m_Stands.size());
    const auto isStand = [stands](int index) { return index >= -1 && index < stands; };
    Check(board.m_FinalRows >= 1 && board.m_FinalRows <= 4, "FINAL outside 1..4");
    Check(board.m_StandLines >= 5 && board.m_StandLines <= 39, "LINES outside 5..39");
    Check(isStand(board.m_SelectedStand), "the selected stand is no stand");

    // Allocations: upper case and never empty, a stand's departure first, and an aircraft's
    // callsign ("*" for anyone aside) on one stand at most.
    std::map<std::string, int> allocated;
    for (int s = 0; s < stands; ++s) {
        const CStavoStand& stand = board.m_Stands[s];
        if (s > 0) {
            const CStavoStand& before = board.m_Stands[s - 1];
            Check(before.m_Line < stand.m_Line
                    || (before.m_Line == stand.m_Line && before.m_Column <= stand.m_Column),
                "stands out of line and column order");
        }
        for (std::size_t k = 0; k < stand.m_Allocations.size(); ++k) {
            const CStavoAllocation& allocation = stand.m_Allocations[k];
            Check(!allocation.m_Callsign.empty(), "an empty allocation");
            for (const char c : allocation.m_Callsign)
                Check(!(c >= 'a' && c <= 'z'), "an allocation not in upper case");
            Check(!allocation.m_Departure || k == 0, "a departure allocation behind another");
            if (!allocation.m_Callsign.starts_with('*'))
                Check(++allocated[allocation.m_Callsign] == 1, "a callsign allocated twice");
        }
    }

    // Tracked aircraft: nearest first, each on a stand or none.
    const CStavoAircraft* previous = nullptr;
    for (const CStavoAircraft& aircraft : board.m_TrackedAircraft) {
        Check(isStand(aircraft.m_Stand), "a tracked aircraft on no stand");
        Check(!std::isnan(aircraft.m_Distance), "a tracked aircraft without a distance");
        if (previous != nullptr)
            Check(previous->m_Distance <= aircraft.m_Distance, "tracked aircraft out of order");
        previous = &aircraft;
    }
    for (const CStavoFinalPositions& final : board.m_Finals)
        Check(isStand(final.m_AllocatedStand), "a final slot allocated to no stand");
}

} // namespace fuzz
