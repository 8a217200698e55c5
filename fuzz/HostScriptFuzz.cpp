// libFuzzer target: arbitrary bytes as a veltrix-host script, run against the sample stand board
// as veltrix-host --clock runs it. Every line is an event, a blank or comment, or one error; the
// board's invariants hold at the end.
#include "HostFuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string sampleBoard = fuzz::ReadSample("lhbp.asr");
    const std::string_view text = fuzz::Text(data, size);

    // The parser alone: what it takes for an event, the runner must not count as an error.
    int events = 0;
    int errors = 0;
    for (const std::string_view line : fuzz::Lines(text)) {
        const host::ScriptLine parsed = host::ParseScriptLine(line);
        if (const auto* event = std::get_if<host::ScriptEvent>(&parsed)) {
            ++events;
            if (event->kind == host::ScriptEvent::Kind::Wait)
                fuzz::Check(event->seconds >= 0 && event->seconds <= 86400, "a wait out of range");
        } else if (std::holds_alternative<host::ScriptError>(parsed)) {
            ++errors;
        }
    }

    fuzz::CFuzzHost host;
    fuzz::Check(host.Open(sampleBoard), "the sample board does not open");
    std::istringstream input { std::string(text) };
    std::ostringstream out;
    std::ostringstream err;
    const int failed = host::RunScript(input, "fuzz", host, out, err);
    fuzz::Check(failed >= errors && failed <= errors + events, "errors miscounted");
    fuzz::CheckBoard(*host.Board());
    return 0;
}
