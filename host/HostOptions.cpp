#include "HostOptions.h"

#include "Text.h"

namespace host {
namespace {

bool ParseSize(const std::string& text, platform::Size* size)
{
    const std::size_t x = text.find('x');
    if (x == std::string::npos)
        return false;
    const std::optional<int> width = ParseInteger<int>(std::string_view(text).substr(0, x));
    const std::optional<int> height = ParseInteger<int>(std::string_view(text).substr(x + 1));
    if (!width || !height || *width < 200 || *width > 10000 || *height < 240 || *height > 10000)
        return false;
    *size = platform::Size { *width, *height };
    return true;
}

bool ParseHostPort(const std::string& text, std::string* host, int* port)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    const std::optional<int> number = ParseInteger<int>(std::string_view(text).substr(colon + 1));
    if (!number || *number < 1 || *number > 65535)
        return false;
    *host = text.substr(0, colon);
    if (host->size() > 2 && host->front() == '[' && host->back() == ']') // [::1]:6809
        *host = host->substr(1, host->size() - 2);
    *port = *number;
    return true;
}

bool IsValidCallsign(const std::string& callsign)
{
    if (callsign.empty())
        return false;
    for (const char c : callsign)
        if (c == ':' || IsSpaceTabOrLineEnd(c) || static_cast<unsigned char>(c) < 0x20)
            return false;
    return true;
}

} // namespace

std::optional<HostOptions> ParseHostOptions(
    const std::vector<std::string>& args, std::string* error)
{
    HostOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        // "--size=1024x768" is "--size" with the value after the '='.
        const std::size_t equals
            = args[i].rfind("--", 0) == 0 ? args[i].find('=') : std::string::npos;
        const std::string arg = args[i].substr(0, equals);
        std::optional<std::string> attached;
        if (equals != std::string::npos)
            attached = args[i].substr(equals + 1);
        const auto value = [&]() -> const std::string* {
            if (attached)
                return &*attached;
            if (i + 1 >= args.size()) {
                *error = arg + " needs a value";
                return nullptr;
            }
            return &args[++i];
        };
        const auto fail = [&](const std::string& message) {
            *error = message;
            return std::nullopt;
        };
        const bool flag = arg == "--help" || arg == "-h" || arg == "--version" || arg == "--dump"
            || arg == "--headless" || arg == "--info" || arg == "--check";
        if (flag && attached)
            return fail(arg + " takes no value, not " + *attached);
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--dump") {
            options.dump = true;
        } else if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--info") {
            options.info = true;
        } else if (arg == "--check") {
            options.check = true;
        } else if (arg == "--plugin" || arg == "--display" || arg == "--type" || arg == "--size"
            || arg == "--fsd" || arg == "--callsign" || arg == "--airports" || arg == "--script"
            || arg == "--snapshot" || arg == "--clock" || arg == "--progress") {
            const std::string* v = value();
            if (v == nullptr)
                return std::nullopt;
            if (arg == "--plugin") {
                options.plugin = *v;
            } else if (arg == "--display") {
                options.displays.push_back(*v);
            } else if (arg == "--type") {
                options.displayType = *v;
            } else if (arg == "--size") {
                if (!ParseSize(*v, &options.size))
                    return fail("--size takes WIDTHxHEIGHT, at least 200x240 and at most "
                                "10000x10000, not "
                        + *v);
            } else if (arg == "--fsd") {
                if (!ParseHostPort(*v, &options.fsdHost, &options.fsdPort))
                    return fail("--fsd takes HOST:PORT with a port from 1 to 65535, not " + *v);
            } else if (arg == "--callsign") {
                if (!IsValidCallsign(*v))
                    return fail(
                        "--callsign takes a callsign without blanks or ':', not \"" + *v + "\"");
                options.callsign = *v;
            } else if (arg == "--airports") {
                options.airports = *v;
            } else if (arg == "--script") {
                options.script = *v;
            } else if (arg == "--snapshot") {
                options.snapshot = *v;
            } else if (arg == "--progress") {
                options.progress = *v;
            } else { // --clock
                const std::optional<std::int64_t> start = ParseInteger<std::int64_t>(*v);
                if (!start)
                    return fail(
                        "--clock takes whole seconds since 1970-01-01 00:00 UTC, not " + *v);
                options.clock = *start;
            }
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            return fail("unknown option '" + args[i] + "'");
        } else {
            return fail("unexpected argument '" + args[i] + "'");
        }
    }
    return options;
}

std::string HostUsage()
{
    return R"(usage: veltrix-host [OPTION]...
A stand-in for the Veltrix radar client: loads a plug-in, opens its displays, feeds them traffic
from an FSD server or a script, and shows them in a window or renders them offscreen.

  --plugin PATH      plug-in library to load (default: the Stavo library beside this
                     program, libstavo.so in ../lib of the build tree or in the
                     library directory it was installed with)
  --display FILE     open a display whose settings come from FILE (KEY:VALUE lines, ';'
                     starts a comment line); may be given more than once
  --type NAME        display type of the displays (default "STAVO View")
  --size WxH         window size in pixels (default 1280x800); the radar area is the window
                     less a chat area 120 pixels high at the bottom
  --fsd HOST:PORT    take traffic from an FSD server, logged in as a radar client
  --callsign NAME    callsign of that login (default OBS)
  --airports FILE    aerodrome positions ("ICAO LAT LON" lines) for distances to destination
  --script FILE      run the events in FILE ("-": standard input), one a line:
                       aircraft CALLSIGN LAT LON GS ALT [DEST [TYPE]]
                       forget CALLSIGN
                       command TEXT          prints handled or not handled
                       drag ID X Y           drop ID X Y
                       refresh               wait SECONDS          snapshot FILE.png
                       expect [not] final CALLSIGN [BITMAP] [within SECONDS]
                       expect [not] stand|allocated LABEL CALLSIGN [BITMAP] [within SECONDS]
                       expect connected [within SECONDS]
                                             refresh every second until the board shows it
                                             (default 60 s; "-" for an empty cell); the
                                             script stops with exit status 3 if it does not
                       watch SECONDS         let time pass, refreshing every second
                       say TEXT              describe [TEXT]
  --progress FILE    where say, expect and describe report, and the board's counts every
                     5 seconds of refreshing (default: standard error); with it, each
                     typed command is told there too
  --check            only check the script's lines (exit status 2 for a bad one) and end
  --clock SECONDS    run on a fake clock starting at SECONDS since 1970-01-01 00:00 UTC;
                     "wait" then advances it instead of sleeping
  --dump             print what every refresh drew: "refresh N", then one line per item,
                     "text L T R B CONTENT", "bitmap L T R B ID", "object TYPE ID L T R B"
  --headless         no window: render offscreen and end after the script (without a
                     script: after one refresh, or with --fsd when interrupted)
  --snapshot FILE    after the script, write the final board as a PNG picture
  --info             print the plug-in's name, version, author, licence, file and display
                     types, then end
  --help             print this text and end
  --version          print the program's name and version, then end

An option's value may also follow it after '=' (--size=1024x768).
)";
}

} // namespace host
