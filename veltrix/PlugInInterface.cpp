// The interface library's implementation of the classes plug-ins link against.
#include "platform/AsciiText.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "veltrix/HostInterface.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>
#include <string_view>
#include <utility>

namespace VeltrixPlugIn {
namespace {

constexpr double kEarthRadiusNm = 6371.0088 / 1.852; // mean earth radius in nautical miles

// Decimal degrees: the whole text is one number, an optional sign, digits and an optional
// fraction ("19.2611", "-0.5", "+47"). No blanks, exponents or hexadecimal forms; the decimal
// point is always '.', whatever the locale the program runs in.
std::optional<double> ParseDecimal(const char* text)
{
    if (text == nullptr)
        return std::nullopt;
    std::string_view view(text);
    bool negative = false;
    if (!view.empty() && (view.front() == '+' || view.front() == '-')) {
        negative = view.front() == '-';
        view.remove_prefix(1);
    }
    const std::size_t point = view.find('.');
    const std::string_view whole = view.substr(0, point);
    const std::string_view fraction
        = point == std::string_view::npos ? std::string_view() : view.substr(point + 1);
    const auto allDigits = [](std::string_view part) {
        return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if ((whole.empty() && fraction.empty()) || !allDigits(whole) || !allDigits(fraction))
        return std::nullopt;
    double value = 0.0;
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    if (error != std::errc() || end != view.data() + view.size())
        return std::nullopt;
    return negative ? -value : value;
}

// Sector-file form: hemisphere letter, degrees, minutes and seconds with decimals,
// "N047.26.10.000" or "E019.15.40.000".
std::optional<double> ParseSectorForm(const char* text, char positive, char negative)
{
    if (text == nullptr)
        return std::nullopt;
    const char hemisphere = platform::AsciiUpper(text[0]);
    if (hemisphere != positive && hemisphere != negative)
        return std::nullopt;
    long parts[4] = { 0, 0, 0, 0 };
    int digitsIn[4] = { 0, 0, 0, 0 };
    int part = 0;
    for (const char* p = text + 1; *p != '\0'; ++p) {
        if (*p == '.') {
            if (++part > 3)
                return std::nullopt;
        } else if (std::isdigit(static_cast<unsigned char>(*p))) {
            if (++digitsIn[part] > 9)
                return std::nullopt;
            parts[part] = parts[part] * 10 + (*p - '0');
        } else {
            return std::nullopt;
        }
    }
    if (part < 2 || digitsIn[0] == 0 || digitsIn[1] == 0 || digitsIn[2] == 0
        || (part == 3 && digitsIn[3] == 0))
        return std::nullopt;
    if (parts[1] >= 60 || parts[2] >= 60)
        return std::nullopt;
    double seconds = static_cast<double>(parts[2]);
    if (part == 3)
        seconds += static_cast<double>(parts[3]) / std::pow(10.0, digitsIn[3]);
    const double value = static_cast<double>(parts[0]) + parts[1] / 60.0 + seconds / 3600.0;
    return hemisphere == negative ? -value : value;
}

std::optional<double> ParseCoordinate(const char* text, char positive, char negative, double limit)
{
    std::optional<double> value = ParseSectorForm(text, positive, negative);
    if (!value)
        value = ParseDecimal(text);
    if (!value || std::fabs(*value) > limit)
        return std::nullopt;
    return value;
}

double Radians(double degrees)
{
    return degrees * std::numbers::pi / 180.0;
}

} // namespace

// CPosition

bool CPosition::LoadFromStrings(const char* longitude, const char* latitude)
{
    const std::optional<double> lon = ParseCoordinate(longitude, 'E', 'W', 180.0);
    const std::optional<double> lat = ParseCoordinate(latitude, 'N', 'S', 90.0);
    if (!lon || !lat)
        return false;
    m_Longitude = *lon;
    m_Latitude = *lat;
    return true;
}

double CPosition::DistanceTo(const CPosition& other) const
{
    const double lat1 = Radians(m_Latitude);
    const double lat2 = Radians(other.m_Latitude);
    const double dLat = lat2 - lat1;
    const double dLon = Radians(other.m_Longitude - m_Longitude);
    const double h = std::sin(dLat / 2) * std::sin(dLat / 2)
        + std::cos(lat1) * std::cos(lat2) * std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2.0 * kEarthRadiusNm * std::asin(std::sqrt(std::min(1.0, h)));
}

// Aircraft handles

CAircraft::CAircraft(std::shared_ptr<const HostAircraft> data)
    : m_Data(std::move(data))
{
}

bool CAircraft::IsValid() const
{
    return m_Data != nullptr;
}
const char* CAircraft::GetCallsign() const
{
    return m_Data ? m_Data->callsign.c_str() : "";
}
int CAircraft::GetGS() const
{
    return m_Data ? m_Data->groundSpeed : 0;
}

CAircraftPositionData CAircraft::GetPosition() const
{
    CAircraftPositionData data;
    data.m_Data = m_Data;
    return data;
}

CAircraftFlightPlan CAircraft::GetFlightPlan() const
{
    CAircraftFlightPlan plan;
    plan.m_Data = m_Data;
    return plan;
}

double CAircraft::GetDistanceToDestination() const
{
    return m_Data ? m_Data->distanceToDestination : 0.0;
}

bool CAircraftPositionData::IsValid() const
{
    return m_Data != nullptr;
}
int CAircraftPositionData::GetPressureAltitude() const
{
    return m_Data ? m_Data->pressureAltitude : 0;
}
CPosition CAircraftPositionData::GetPosition() const
{
    return m_Data ? m_Data->position : CPosition();
}

bool CAircraftFlightPlan::IsValid() const
{
    return m_Data != nullptr;
}
bool CAircraftFlightPlan::IsReceived() const
{
    return m_Data && m_Data->flightPlanReceived;
}
const char* CAircraftFlightPlan::GetDestination() const
{
    return m_Data ? m_Data->destination.c_str() : "";
}
const char* CAircraftFlightPlan::GetAircraftFPType() const
{
    return m_Data ? m_Data->aircraftType.c_str() : "";
}

// CPlugIn

CPlugIn::CPlugIn(int compatibility, const char* name, const char* version, const char* author,
    const char* copyright)
    : m_Host(std::make_unique<HostPlugIn>())
{
    m_Host->compatibility = compatibility;
    m_Host->name = name ? name : "";
    m_Host->version = version ? version : "";
    m_Host->author = author ? author : "";
    m_Host->copyright = copyright ? copyright : "";
}

CPlugIn::~CPlugIn() = default;

void CPlugIn::OnControllerPositionUpdate(CController)
{
}
void CPlugIn::OnControllerDisconnect(CController)
{
}
void CPlugIn::OnAircraftPositionUpdate(CAircraft)
{
}
void CPlugIn::OnAircraftDisconnect(CAircraft)
{
}
void CPlugIn::OnAircraftFlightPlanUpdate(CAircraft)
{
}
void CPlugIn::OnAircraftControllerAssignedDataUpdate(CAircraft, int)
{
}
void CPlugIn::OnAircraftFlightStripPushed(CAircraft, const char*, const char*)
{
}
CRadarScreen* CPlugIn::CreateDisplayScreen(const char*, bool, bool, bool, bool)
{
    return nullptr;
}
bool CPlugIn::OnCompileCommand(const char*)
{
    return false;
}
bool CPlugIn::OnCompileFrequencyChat(const char*, double, const char*)
{
    return false;
}
bool CPlugIn::OnCompilePrivateChat(const char*, const char*, const char*)
{
    return false;
}
void CPlugIn::OnGetTagItem(CAircraft, int, int, char[16], int*, platform::Color*, double*)
{
}
void CPlugIn::OnRefresAcListContent(CAircraft)
{
}
void CPlugIn::OnNewMetarReceived(const char*, const char*)
{
}
void CPlugIn::OnFunctionCall(int, const char*, platform::Point, platform::Rect)
{
}
void CPlugIn::OnAirportRunwayActivityChanged()
{
}

void CPlugIn::RegisterDisplayType(const char* displayName, bool needRadarContent,
    bool geoReferenced, bool canBeSaved, bool canBeCreated)
{
    m_Host->displayTypes.push_back(DisplayType { displayName ? displayName : "", needRadarContent,
        geoReferenced, canBeSaved, canBeCreated });
}

CAircraft CPlugIn::AircraftSelect(const char* callsign) const
{
    if (m_Host->services == nullptr || callsign == nullptr)
        return CAircraft();
    return m_Host->services->AircraftSelect(callsign);
}

// CRadarScreen

CRadarScreen::CRadarScreen() = default;
CRadarScreen::~CRadarScreen() = default;

void CRadarScreen::OnDisplaySettingsLoaded(bool)
{
}
void CRadarScreen::OnAsrContentToBeSaved()
{
}
void CRadarScreen::OnPaintDisplay(platform::CDeviceContext*, int)
{
}
void CRadarScreen::OnDisplayClosing()
{
}
void CRadarScreen::OnControllerPositionUpdate(CController)
{
}
void CRadarScreen::OnControllerDisconnect(CController)
{
}
void CRadarScreen::OnAircraftPositionUpdate(CAircraft)
{
}
void CRadarScreen::OnAircraftDisconnect(CAircraft)
{
}
void CRadarScreen::OnAircraftFlightPlanUpdate(CAircraft)
{
}
void CRadarScreen::OnAircraftControllerAssignedDataUpdate(CAircraft, int)
{
}
void CRadarScreen::OnAircraftFlightStripPushed(CAircraft, const char*, const char*)
{
}
bool CRadarScreen::OnCompileCommand(const char*)
{
    return false;
}
void CRadarScreen::OnOverScreenObject(int, const char*, platform::Point, platform::Rect)
{
}
void CRadarScreen::OnClickScreenObject(int, const char*, platform::Point, platform::Rect, int)
{
}
void CRadarScreen::OnDoubleClickScreenObject(int, const char*, platform::Point, platform::Rect, int)
{
}
void CRadarScreen::OnPressScreenObject(int, const char*, platform::Point, platform::Rect, bool)
{
}
void CRadarScreen::OnFunctionCall(int, const char*, platform::Point, platform::Rect)
{
}

const char* CRadarScreen::GetDataFromAsr(const char* key)
{
    return m_Display != nullptr && key != nullptr ? m_Display->GetDataFromAsr(key) : nullptr;
}

platform::Rect CRadarScreen::GetRadarArea() const
{
    return m_Display != nullptr ? m_Display->GetRadarArea() : platform::Rect();
}

platform::Rect CRadarScreen::GetChatArea() const
{
    return m_Display != nullptr ? m_Display->GetChatArea() : platform::Rect();
}

void CRadarScreen::AddScreenObject(
    int objectType, const char* objectId, platform::Rect area, bool moveable, const char* message)
{
    if (m_Display != nullptr)
        m_Display->AddScreenObject(objectType, objectId ? objectId : "", area, moveable, message);
}

void CRadarScreen::RequestRefresh()
{
    if (m_Display != nullptr)
        m_Display->RequestRefresh();
}

// The host's clock and message boxes are the platform's: the host sets their source (a fake
// clock, a message box handler) and every plug-in sees the same.
std::int64_t CRadarScreen::GetTime() const
{
    return platform::Time64();
}

void CRadarScreen::ShowMessageBox(const char* text) const
{
    platform::ShowMessageBox(text != nullptr ? text : "");
}

CPlugIn* CRadarScreen::GetPlugIn() const
{
    return m_PlugIn;
}

} // namespace VeltrixPlugIn
