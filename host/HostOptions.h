// The command line of veltrix-host.
#pragma once

#include "platform/Geometry.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace host {

struct HostOptions {
    std::string plugin; // empty: the Stavo library built beside the program
    std::vector<std::string> displays; // settings files, one display each
    std::string displayType = "STAVO View";
    platform::Size size { 1280, 800 };
    std::string fsdHost; // empty: no network traffic
    int fsdPort = 0;
    std::string callsign = "OBS";
    std::string airports;
    std::string script; // "-" for standard input
    bool dump = false;
    bool headless = false;
    std::string snapshot;
    std::string progress; // where a script's progress goes; empty: standard error
    bool check = false; // only check the script's lines
    std::optional<std::int64_t> clock; // a fake clock starting here, seconds since 1970
    bool info = false;
    bool help = false;
    bool version = false;
};

// Parses the arguments (without the program name). An option's value follows it as the next
// argument or after '=' (--size=1024x768). Nothing, with a message naming the option, when they
// are wrong.
std::optional<HostOptions> ParseHostOptions(
    const std::vector<std::string>& args, std::string* error);

// The text --help prints.
std::string HostUsage();

} // namespace host
