// Feeds in the formats receivers serve besides BaseStation lines, for the tests that point the
// proxy at the wrong port.
#pragma once

#include <cstdint>
#include <string>

// `count` Beast binary frames (Mode S long, type '3'): the escape byte, a 6-byte time stamp whose
// high bytes are 0, a signal byte and 14 bytes of frame, an escape byte inside doubled. Among the
// bytes are NULs, line feeds and commas.
inline std::string BeastFrames(int count)
{
    std::string out;
    std::uint32_t state = 12345;
    const auto next = [&] {
        state = state * 1103515245u + 12345u;
        return static_cast<char>(state >> 16);
    };
    for (int i = 0; i < count; ++i) {
        std::string body = { '\x00', '\x00', static_cast<char>(i), '\n', ',', next(), next() };
        body += '\x8d';
        for (int b = 0; b < 13; ++b)
            body += b % 5 == 0 ? ',' : next();
        out += "\x1a\x33";
        for (const char c : body)
            out += c == '\x1a' ? std::string("\x1a\x1a") : std::string(1, c);
    }
    return out;
}

// Lines of a receiver's JSON output, with the commas and texts that a misreading could take for
// fields.
inline std::string JsonLines(int count)
{
    std::string out;
    for (int i = 0; i < count; ++i)
        out += "{\"now\":1700000000.5,\"hex\":\"4ca2d" + std::to_string(i % 10)
            + "\",\"type\":\"adsb_icao\",\"flight\":\"DLH4KJ  \",\"alt_baro\":36000,"
              "\"gs\":450,\"track\":90,\"lat\":52.5,\"lon\":13.25,\"squawk\":\"1000\"}\n";
    return out;
}
