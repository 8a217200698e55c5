#include "HostSession.h"

#include "Text.h"
#include "platform/Clock.h"

#include <algorithm>
#include <utility>

namespace host {

using VeltrixPlugIn::CAircraft;

CHostSession::CHostSession(CAirportTable airports, std::function<void(const std::string&)> notice)
    : m_Notice(std::move(notice))
    , m_Airports(std::move(airports))
    , m_Traffic(m_Airports, m_Notice)
{
}

CHostSession::~CHostSession()
{
    Shutdown();
}

void CHostSession::UsePlugIn(std::unique_ptr<CPlugInLibrary> library)
{
    m_Library = std::move(library);
    UsePlugIn(*m_Library->PlugIn());
}

void CHostSession::UsePlugIn(VeltrixPlugIn::CPlugIn& plugIn)
{
    m_pPlugIn = &plugIn;
    VeltrixPlugIn::CHostAccess::SetHostServices(*m_pPlugIn, &m_Traffic);
}

bool CHostSession::OpenDisplay(
    const std::string& type, CDisplaySettings settings, std::string* error)
{
    if (m_pPlugIn == nullptr) {
        *error = "no plug-in loaded";
        return false;
    }
    auto display
        = std::make_unique<CDisplay>(type, std::move(settings), [this] { OnRefreshRequest(); });
    display->SetAreas(RadarArea(), ChatArea());
    // The display is listed before its settings are delivered, so that whatever the screen does
    // meanwhile (a refresh request) finds it.
    m_Displays.push_back(std::move(display));
    if (!m_Displays.back()->Open(*m_pPlugIn, error)) {
        m_Displays.pop_back();
        return false;
    }
    return true;
}

void CHostSession::SetWindowSize(platform::Size size)
{
    m_WindowSize = size;
    for (const auto& display : m_Displays)
        display->SetAreas(RadarArea(), ChatArea());
}

platform::Rect CHostSession::RadarArea() const
{
    return platform::Rect { 0, 0, m_WindowSize.cx, std::max(0, m_WindowSize.cy - kChatHeight) };
}

platform::Rect CHostSession::ChatArea() const
{
    return platform::Rect { 0, RadarArea().bottom, m_WindowSize.cx, m_WindowSize.cy };
}

void CHostSession::Shutdown()
{
    m_Drag.reset();
    for (const auto& display : m_Displays)
        display->Close();
    m_Displays.clear();
    if (m_pPlugIn != nullptr)
        VeltrixPlugIn::CHostAccess::SetHostServices(*m_pPlugIn, nullptr);
    m_pPlugIn = nullptr;
    m_Library.reset(); // VeltrixPlugInExit, then the library is unloaded
}

void CHostSession::ReportAircraft(
    const PositionReport& report, const std::string* destination, const std::string* aircraftType)
{
    CAircraft aircraft
        = m_Traffic.ReportPosition(report, TrafficSource::Script, platform::Time64()).aircraft;
    if (destination != nullptr)
        aircraft = m_Traffic.ReportFlightPlan(
            report.callsign, *destination, aircraftType != nullptr ? *aircraftType : "");
    DeliverPosition(aircraft);
}

bool CHostSession::ForgetAircraft(std::string_view callsign)
{
    const CAircraft gone = m_Traffic.Forget(callsign);
    if (!gone.IsValid())
        return false;
    DeliverDisconnect(gone);
    return true;
}

void CHostSession::Tick(std::int64_t now)
{
    for (const CAircraft& gone : m_Traffic.ForgetSilent(now, kSilenceLimit))
        DeliverDisconnect(gone);
}

template <typename Call> void CHostSession::DeliverToAll(const Call& call)
{
    for (const auto& display : m_Displays)
        if (display->Screen() != nullptr)
            call(*display->Screen());
    if (m_pPlugIn != nullptr)
        call(*m_pPlugIn);
}

void CHostSession::DeliverPosition(const CAircraft& aircraft)
{
    DeliverToAll([&aircraft](auto& target) { target.OnAircraftPositionUpdate(aircraft); });
}

void CHostSession::DeliverFlightPlan(const CAircraft& aircraft)
{
    DeliverToAll([&aircraft](auto& target) { target.OnAircraftFlightPlanUpdate(aircraft); });
}

void CHostSession::DeliverDisconnect(const CAircraft& aircraft)
{
    DeliverToAll([&aircraft](auto& target) { target.OnAircraftDisconnect(aircraft); });
}

bool CHostSession::Command(const std::string& line)
{
    for (const auto& display : m_Displays)
        if (display->Screen() != nullptr && display->Screen()->OnCompileCommand(line.c_str()))
            return true;
    return m_pPlugIn != nullptr && m_pPlugIn->OnCompileCommand(line.c_str());
}

std::pair<CDisplay*, const ScreenObject*> CHostSession::HitTest(platform::Point point) const
{
    for (auto it = m_Displays.rbegin(); it != m_Displays.rend(); ++it)
        if (const ScreenObject* object = (*it)->Objects().HitTest(point))
            return { it->get(), object };
    return { nullptr, nullptr };
}

void CHostSession::SendDrag(const Drag& drag, platform::Point point, bool released)
{
    VeltrixPlugIn::CRadarScreen* screen = drag.display->Screen();
    if (screen == nullptr)
        return;
    screen->OnPressScreenObject(drag.object.type, drag.object.id.c_str(), point,
        MoveWithMouse(drag.object.area, drag.grab, point), released);
}

void CHostSession::MousePress(platform::Point point)
{
    m_Drag.reset();
    const auto [display, object] = HitTest(point);
    if (object == nullptr)
        return;
    if (object->movable) {
        m_Drag = Drag { display, *object, point };
    } else if (display->Screen() != nullptr) {
        display->Screen()->OnClickScreenObject(
            object->type, object->id.c_str(), point, object->area, 1);
    }
}

void CHostSession::MouseMove(platform::Point point)
{
    if (m_Drag)
        SendDrag(*m_Drag, point, false);
}

void CHostSession::MouseRelease(platform::Point point)
{
    if (!m_Drag)
        return;
    const Drag drag = *m_Drag;
    m_Drag.reset();
    SendDrag(drag, point, true);
}

bool CHostSession::DragObject(
    std::string_view id, platform::Point point, bool release, std::string* error)
{
    if (m_Drag && m_Drag->object.id != id) {
        *error = "\"" + m_Drag->object.id + "\" is still being dragged; drop it first";
        return false;
    }
    if (!m_Drag) {
        CDisplay* owner = nullptr;
        const ScreenObject* found = nullptr;
        for (auto it = m_Displays.rbegin(); it != m_Displays.rend() && found == nullptr; ++it) {
            owner = it->get();
            found = owner->Objects().FindById(id);
        }
        if (found == nullptr) {
            *error = "no screen object \"" + std::string(id) + "\" on the last refresh";
            return false;
        }
        if (!found->movable) {
            *error = "screen object \"" + std::string(id) + "\" cannot be moved";
            return false;
        }
        m_Drag = Drag { owner, *found, CentreOf(found->area) };
    }
    if (release)
        MouseRelease(point);
    else
        MouseMove(point);
    return true;
}

void CHostSession::SetRefreshListener(std::function<void()> onRequest)
{
    m_OnRefreshRequest = std::move(onRequest);
}

void CHostSession::OnRefreshRequest()
{
    // A request made while painting stays pending: it asks for the next refresh.
    m_RefreshPending = true;
    if (m_OnRefreshRequest)
        m_OnRefreshRequest();
}

int CHostSession::Paint(platform::CDeviceContext& dc,
    const std::function<void(const ScreenObject&)>& onObject,
    const std::function<void(const CDisplay&)>& afterDisplay)
{
    m_RefreshPending = false;
    for (const auto& display : m_Displays) {
        display->Paint(dc, onObject);
        if (afterDisplay)
            afterDisplay(*display);
    }
    return ++m_Refreshes;
}

bool CHostSession::OnFsdPosition(const PositionReport& report)
{
    const CTrafficRegistry::Update update
        = m_Traffic.ReportPosition(report, TrafficSource::Network, platform::Time64());
    DeliverPosition(update.aircraft);
    return update.isNew;
}

void CHostSession::OnFsdFlightPlan(const FsdFlightPlan& plan)
{
    const CAircraft aircraft
        = m_Traffic.ReportFlightPlan(plan.name, plan.destination, plan.aircraftType);
    if (aircraft.IsValid())
        DeliverFlightPlan(aircraft);
}

void CHostSession::OnFsdDeletion(const std::string& name)
{
    ForgetAircraft(name);
}

void CHostSession::OnFsdText(const std::string& from, const std::string& text)
{
    m_Notice(from + ": " + text);
}

} // namespace host
