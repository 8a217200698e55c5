#include "Script.h"

#include "Text.h"

#include <istream>
#include <ostream>
#include <vector>

namespace host {
namespace {

using Kind = ScriptEvent::Kind;

constexpr double kDefaultExpectSeconds = 60;
constexpr int kLongestWait = 86400;

ScriptError Usage(std::string_view usage)
{
    return ScriptError { "usage: " + std::string(usage) };
}

ScriptLine ParseAircraft(const std::vector<std::string_view>& words)
{
    constexpr std::string_view kUsage = "aircraft CALLSIGN LAT LON GS ALT [DEST [TYPE]]";
    if (words.size() < 6 || words.size() > 8)
        return Usage(kUsage);
    ScriptEvent event;
    event.kind = Kind::Aircraft;
    event.report.callsign = words[1];
    // Decimal degrees or the sector-file form, as in the settings files.
    if (!event.report.position.LoadFromStrings(
            std::string(words[3]).c_str(), std::string(words[2]).c_str()))
        return ScriptError { "latitude " + std::string(words[2]) + " or longitude "
            + std::string(words[3]) + " not understood" };
    const std::optional<int> speed = ParseInteger<int>(words[4]);
    if (!speed || *speed < 0)
        return ScriptError { "ground speed " + std::string(words[4])
            + " is not a whole number of knots" };
    const std::optional<int> altitude = ParseInteger<int>(words[5]);
    if (!altitude)
        return ScriptError { "altitude " + std::string(words[5])
            + " is not a whole number of feet" };
    event.report.groundSpeed = *speed;
    event.report.pressureAltitude = *altitude;
    if (words.size() > 6)
        event.destination = std::string(words[6]);
    if (words.size() > 7)
        event.aircraftType = std::string(words[7]);
    return event;
}

ScriptLine ParseDrag(Kind kind, const std::vector<std::string_view>& words)
{
    if (words.size() != 4)
        return Usage(kind == Kind::Drag ? "drag ID X Y" : "drop ID X Y");
    const std::optional<int> x = ParseInteger<int>(words[2]);
    const std::optional<int> y = ParseInteger<int>(words[3]);
    if (!x || !y)
        return ScriptError { "X and Y must be whole numbers of pixels" };
    ScriptEvent event;
    event.kind = kind;
    event.text = words[1];
    event.point = platform::Point { *x, *y };
    return event;
}

} // namespace

ScriptLine ParseScriptLine(std::string_view line)
{
    line = Trim(line);
    if (line.empty() || line.front() == '#')
        return std::monostate();
    const std::vector<std::string_view> words = SplitWords(line);
    const std::string_view keyword = words.front();
    // The rest of the line after the keyword, for events that take free text.
    const std::string_view rest = Trim(line.substr(keyword.size()));
    ScriptEvent event;
    if (keyword == "aircraft")
        return ParseAircraft(words);
    if (keyword == "forget") {
        if (words.size() != 2)
            return Usage("forget CALLSIGN");
        event.kind = Kind::Forget;
        event.text = words[1];
        return event;
    }
    if (keyword == "command") {
        if (rest.empty())
            return Usage("command TEXT");
        event.kind = Kind::Command;
        event.text = rest;
        return event;
    }
    if (keyword == "drag")
        return ParseDrag(Kind::Drag, words);
    if (keyword == "drop")
        return ParseDrag(Kind::Drop, words);
    if (keyword == "refresh") {
        if (words.size() != 1)
            return Usage("refresh");
        event.kind = Kind::Refresh;
        return event;
    }
    if (keyword == "wait") {
        const std::optional<double> seconds
            = words.size() == 2 ? ParseNumber(words[1]) : std::nullopt;
        if (!seconds || *seconds < 0 || *seconds > 86400)
            return ScriptError { "usage: wait SECONDS (0 to 86400)" };
        event.kind = Kind::Wait;
        event.seconds = *seconds;
        return event;
    }
    if (keyword == "snapshot") {
        if (rest.empty())
            return Usage("snapshot FILE.png");
        event.kind = Kind::Snapshot;
        event.text = rest;
        return event;
    }
    if (keyword == "expect") {
        std::vector<std::string_view> condition(words.begin() + 1, words.end());
        event.seconds = kDefaultExpectSeconds;
        if (condition.size() >= 2 && condition[condition.size() - 2] == "within") {
            const std::optional<int> seconds = ParseInteger<int>(condition.back());
            if (!seconds || *seconds < 0 || *seconds > kLongestWait)
                return ScriptError { "within takes whole seconds (0 to 86400)" };
            event.seconds = *seconds;
            condition.resize(condition.size() - 2);
        }
        const std::optional<BoardCondition> parsed = ParseBoardCondition(condition);
        if (!parsed)
            return Usage("expect [not] final CALLSIGN [BITMAP] | [not] stand LABEL CALLSIGN "
                         "[BITMAP] | [not] allocated LABEL CALLSIGN [BITMAP] | connected "
                         "[within SECONDS]");
        event.kind = Kind::Expect;
        event.condition = *parsed;
        return event;
    }
    if (keyword == "watch") {
        const std::optional<double> seconds
            = words.size() == 2 ? ParseNumber(words[1]) : std::nullopt;
        if (!seconds || *seconds < 0 || *seconds > kLongestWait)
            return ScriptError { "usage: watch SECONDS (0 to 86400)" };
        event.kind = Kind::Watch;
        event.seconds = *seconds;
        return event;
    }
    if (keyword == "say" || keyword == "describe") {
        event.kind = keyword == "say" ? Kind::Say : Kind::Describe;
        event.text = rest;
        return event;
    }
    return ScriptError { "unknown event \"" + std::string(keyword) + "\"" };
}

int RunScript(std::istream& input, const std::string& name, CScriptHost& host, std::ostream& out,
    std::ostream& err)
{
    int errors = 0;
    int number = 0;
    std::string line;
    while (std::getline(input, line)) {
        ++number;
        const ScriptLine parsed = ParseScriptLine(line);
        std::string error;
        bool ok = true;
        bool stop = false;
        if (const auto* bad = std::get_if<ScriptError>(&parsed)) {
            error = bad->message;
            ok = false;
        } else if (const auto* event = std::get_if<ScriptEvent>(&parsed)) {
            switch (event->kind) {
            case Kind::Aircraft:
                ok = host.Aircraft(*event, &error);
                break;
            case Kind::Forget:
                ok = host.Forget(event->text, &error);
                break;
            case Kind::Command:
                out << (host.Command(event->text) ? "handled" : "not handled") << '\n';
                break;
            case Kind::Drag:
            case Kind::Drop:
                ok = host.Drag(event->text, event->point, event->kind == Kind::Drop, &error);
                break;
            case Kind::Refresh:
                host.Refresh();
                break;
            case Kind::Wait:
                host.Wait(event->seconds);
                break;
            case Kind::Snapshot:
                ok = host.Snapshot(event->text, &error);
                break;
            case Kind::Expect:
                ok = host.Expect(event->condition, event->seconds, &error);
                stop = !ok;
                break;
            case Kind::Watch:
                host.Watch(event->seconds);
                break;
            case Kind::Say:
                host.Say(event->text);
                break;
            case Kind::Describe:
                host.Describe(event->text);
                break;
            }
        } else {
            continue;
        }
        if (!ok) {
            ++errors;
            out.flush();
            err << name << ':' << number << ": " << error << std::endl;
        }
        if (!host.AfterEvent() || stop)
            break;
    }
    out.flush();
    return errors;
}

} // namespace host
