// The host's side of an FSD connection, as a radar client: the packets it sends and reads, and
// what it does with them. Plain C++: bytes come in through Receive, packets go out through the
// send function; the socket lives elsewhere.
#pragma once

#include "Traffic.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace host {

// The packets the host reads, from one line without its line end.
struct FsdPosition {
    std::string name; // the aircraft's callsign (or whatever name the server shows it under)
    PositionReport report;
};
struct FsdFlightPlan {
    std::string name;
    std::string aircraftType;
    std::string destination;
};
// "@" pilot position: "@N:NAME:SQUAWK:RATING:LAT:LON:ALT:GS:ATTITUDE:..."
std::optional<FsdPosition> ParseFsdPosition(std::string_view line);
// "$FP" flight plan: "$FPNAME:*:RULES:TYPE:SPEED:DEP:...:ALT:DEST:..."; the type field may carry
// equipment letters around the type ("B/B738/F", "H/B744", "B738/L").
std::optional<FsdFlightPlan> ParseFsdFlightPlan(std::string_view line);
// "#DP" deletion: "#DPNAME[:...]" gives the name.
std::optional<std::string> ParseFsdDeletion(std::string_view line);

std::string ComposeFsdLogin(std::string_view callsign);
std::string ComposeFsdFlightPlanQuery(std::string_view callsign, std::string_view name);

// What the traffic of an FSD connection changes in the host.
class CFsdTrafficSink {
public:
    virtual ~CFsdTrafficSink() = default;
    // Returns true when the aircraft was new to the host.
    virtual bool OnFsdPosition(const PositionReport& report) = 0;
    virtual void OnFsdFlightPlan(const FsdFlightPlan& plan) = 0;
    virtual void OnFsdDeletion(const std::string& name) = 0;
    // A text message addressed to the host: the sender and the text.
    virtual void OnFsdText(const std::string& from, const std::string& text) = 0;
};

class CFsdClient {
public:
    // Lines longer than this are dropped up to their line end.
    static constexpr std::size_t kMaxLineLength = 4096;

    CFsdClient(
        std::string callsign, CFsdTrafficSink& sink, std::function<void(const std::string&)> send);

    // A new connection: drops any partial line of the previous one and logs in.
    void OnConnected();
    // Bytes as they arrive, cut into lines here.
    void Receive(std::string_view bytes);
    // One complete line without its line end.
    void HandleLine(std::string_view line);

private:
    std::string m_Callsign;
    CFsdTrafficSink& m_Sink;
    std::function<void(const std::string&)> m_Send;
    std::string m_Pending;
    bool m_Discarding = false; // inside an over-long line, until its line end
};

} // namespace host
