#include "FsdClient.h"

#include "Text.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace host {
namespace {

std::vector<std::string_view> SplitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t colon = line.find(':');
        fields.push_back(line.substr(0, colon));
        if (colon == std::string_view::npos)
            return fields;
        line.remove_prefix(colon + 1);
    }
}

// The name of a position goes back to the server in the flight-plan query: a CR or NUL in it
// would end or cut that packet, so such a name is not understood.
bool HasControlByte(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

std::string_view AircraftTypeOf(std::string_view field)
{
    const std::size_t first = field.find('/');
    if (first == std::string_view::npos)
        return field;
    const std::size_t second = field.find('/', first + 1);
    if (second != std::string_view::npos) // "B/B738/F"
        return field.substr(first + 1, second - first - 1);
    // One slash: the type is the longer part ("H/B744" or "B738/L").
    return first > 1 ? field.substr(0, first) : field.substr(first + 1);
}

} // namespace

std::optional<FsdPosition> ParseFsdPosition(std::string_view line)
{
    if (!line.starts_with('@'))
        return std::nullopt;
    const std::vector<std::string_view> f = SplitFields(line);
    if (f.size() < 8 || f[1].empty() || HasControlByte(f[1]))
        return std::nullopt;
    const std::optional<double> latitude = ParseNumber(f[4]);
    const std::optional<double> longitude = ParseNumber(f[5]);
    const std::optional<int> altitude = ParseInteger<int>(f[6]);
    const std::optional<int> speed = ParseInteger<int>(f[7]);
    if (!latitude || !longitude || !altitude || !speed || *latitude < -90 || *latitude > 90
        || *longitude < -180 || *longitude > 180)
        return std::nullopt;
    FsdPosition position;
    position.name = f[1];
    position.report.callsign = f[1];
    position.report.position.m_Latitude = *latitude;
    position.report.position.m_Longitude = *longitude;
    position.report.pressureAltitude = *altitude;
    position.report.groundSpeed = *speed;
    return position;
}

std::optional<FsdFlightPlan> ParseFsdFlightPlan(std::string_view line)
{
    if (!line.starts_with("$FP"))
        return std::nullopt;
    const std::vector<std::string_view> f = SplitFields(line);
    if (f.size() < 10 || f[0].size() == 3)
        return std::nullopt;
    return FsdFlightPlan { std::string(f[0].substr(3)), std::string(AircraftTypeOf(f[3])),
        std::string(f[9]) };
}

std::optional<std::string> ParseFsdDeletion(std::string_view line)
{
    if (!line.starts_with("#DP"))
        return std::nullopt;
    const std::string_view name = line.substr(3, line.find(':') - 3);
    if (name.empty())
        return std::nullopt;
    return std::string(name);
}

std::string ComposeFsdLogin(std::string_view callsign)
{
    // "#AA" CALLSIGN ":SERVER:" REAL NAME ":" ID ":" PASSWORD ":" RATING ":" PROTOCOL
    return "#AA" + std::string(callsign) + ":SERVER:Veltrix stand-in host:0::1:9\r\n";
}

std::string ComposeFsdFlightPlanQuery(std::string_view callsign, std::string_view name)
{
    return "$CQ" + std::string(callsign) + ":SERVER:FP:" + std::string(name) + "\r\n";
}

CFsdClient::CFsdClient(
    std::string callsign, CFsdTrafficSink& sink, std::function<void(const std::string&)> send)
    : m_Callsign(std::move(callsign))
    , m_Sink(sink)
    , m_Send(std::move(send))
{
}

void CFsdClient::OnConnected()
{
    m_Pending.clear();
    m_Discarding = false;
    m_Send(ComposeFsdLogin(m_Callsign));
}

void CFsdClient::Receive(std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        if (!m_Discarding) {
            m_Pending.append(piece);
            if (m_Pending.size() > kMaxLineLength) {
                m_Pending.clear();
                m_Discarding = true;
            }
        }
        if (end == std::string_view::npos)
            return;
        if (!m_Discarding)
            HandleLine(TrimRight(m_Pending));
        m_Pending.clear();
        m_Discarding = false;
        bytes.remove_prefix(end + 1);
    }
}

void CFsdClient::HandleLine(std::string_view line)
{
    if (const std::optional<FsdPosition> position = ParseFsdPosition(line)) {
        // Ask once for the flight plan of every aircraft new to the host. A forgotten aircraft
        // that comes back is new again and is asked for again.
        if (m_Sink.OnFsdPosition(position->report))
            m_Send(ComposeFsdFlightPlanQuery(m_Callsign, position->name));
    } else if (const std::optional<FsdFlightPlan> plan = ParseFsdFlightPlan(line)) {
        m_Sink.OnFsdFlightPlan(*plan);
    } else if (const std::optional<std::string> name = ParseFsdDeletion(line)) {
        m_Sink.OnFsdDeletion(*name);
    } else if (line.starts_with("#TM")) {
        const std::vector<std::string_view> f = SplitFields(line);
        if (f.size() >= 3 && EqualsAsciiNoCase(f[1], m_Callsign)) {
            const std::size_t textStart = f[0].size() + f[1].size() + 2;
            m_Sink.OnFsdText(std::string(f[0].substr(3)), std::string(line.substr(textStart)));
        }
    }
}

} // namespace host
