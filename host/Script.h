// The host's script language: one event a line.
//
//   aircraft CALLSIGN LAT LON GS ALT [DEST [TYPE]]   a position report (degrees, knots, feet);
//                                                    DEST (and TYPE) give the flight plan
//   forget CALLSIGN                                  the host no longer knows the aircraft
//   command TEXT                                     a typed line; prints handled or not handled
//   drag ID X Y                                      moves screen object ID to window pixel X Y
//   drop ID X Y                                      ... and lets it go there
//   refresh                                          repaints every display
//   wait SECONDS                                     lets time pass (a fraction is allowed)
//   snapshot FILE.png                                writes the board as a picture
//   expect [not] CONDITION [within SECONDS]          refreshes every second until the board
//                                                    shows CONDITION (see BoardReading.h); the
//                                                    script stops when it does not in time
//   watch SECONDS                                    lets time pass, refreshing every second
//   say TEXT                                         prints TEXT as progress
//   describe [TEXT]                                  prints the last board in words
//
// Blank lines and lines starting with '#' are ignored. A bad line is reported with its number
// and the script goes on.
#pragma once

#include "BoardReading.h"
#include "Traffic.h"
#include "platform/Geometry.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace host {

struct ScriptEvent {
    enum class Kind {
        Aircraft,
        Forget,
        Command,
        Drag,
        Drop,
        Refresh,
        Wait,
        Snapshot,
        Expect,
        Watch,
        Say,
        Describe
    };
    Kind kind = Kind::Refresh;
    PositionReport report; // Aircraft
    std::optional<std::string> destination; // Aircraft
    std::optional<std::string> aircraftType; // Aircraft
    std::string text; // Forget: callsign; Command: line; Drag, Drop: id;
                      // Snapshot: file; Say, Describe: the text
    platform::Point point; // Drag, Drop
    double seconds = 0.0; // Wait, Watch; Expect: how long it may take
    BoardCondition condition; // Expect
};

struct ScriptError {
    std::string message;
};

// Nothing for a blank or comment line, an event, or what is wrong with the line.
using ScriptLine = std::variant<std::monostate, ScriptEvent, ScriptError>;
ScriptLine ParseScriptLine(std::string_view line);

// What a script asks of the host. A false result carries a message and counts as an error.
class CScriptHost {
public:
    virtual ~CScriptHost() = default;
    virtual bool Aircraft(const ScriptEvent& event, std::string* error) = 0;
    virtual bool Forget(const std::string& callsign, std::string* error) = 0;
    // True when a display or the plug-in handled the line.
    virtual bool Command(const std::string& line) = 0;
    virtual bool Drag(
        const std::string& id, platform::Point point, bool release, std::string* error)
        = 0;
    virtual void Refresh() = 0;
    virtual void Wait(double seconds) = 0;
    virtual bool Snapshot(const std::string& file, std::string* error) = 0;
    // Refreshes every second until the condition holds, judged at each refresh. False, with a
    // message, when it did not within `seconds`; the script then stops.
    virtual bool Expect(const BoardCondition& condition, double seconds, std::string* error) = 0;
    // Lets time pass, refreshing every second.
    virtual void Watch(double seconds) = 0;
    virtual void Say(const std::string& text) = 0;
    // The board of the last refresh in words, under a heading line that starts with `heading`.
    virtual void Describe(const std::string& heading) = 0;
    // After every event: serve what the event left pending (refresh requests). Returns false
    // when the host is going away and the script must stop.
    virtual bool AfterEvent() = 0;
};

// Runs the script read from `input` line by line (so that standard input works as it comes).
// Results go to `out`, errors as "NAME:LINE: message" to `err`. Returns the number of errors. A
// failed expect ends the script.
int RunScript(std::istream& input, const std::string& name, CScriptHost& host, std::ostream& out,
    std::ostream& err);

} // namespace host
