// What a feed's first bytes look like. Receivers serve their traffic on several ports in several
// formats, and a feed pointed at the wrong one gives only rejected lines: this names the format,
// so that the user can be told what to connect to instead.
#pragma once

#include <string>
#include <string_view>

enum class FeedFormat {
    Unknown, // not decided (yet), or nothing known
    BaseStation, // the SBS-1 lines the proxy reads
    Beast, // binary frames, each starting with the 0x1A escape
    Avr, // raw Mode S frames as hex, "*8D4CA2D6...;" or with a time stamp "@...;"
    Json, // objects or arrays
    Http, // a web server's answer or page
};

// Looks at the start of a feed, a piece at a time, until it knows the format or has seen
// kMaxPieces pieces with something in them. Each piece starts where a line starts: a line as the
// feed hands it over, or the bytes of the first receive of a connection. The bytes are taken as
// they are, NUL and binary included.
class CFeedFormatDetector {
public:
    static constexpr int kMaxPieces = 8;

    // Returns whether it wants more: false once it has a verdict or gave up.
    bool Inspect(std::string_view piece);
    void Reset() { *this = CFeedFormatDetector(); }

    bool Done() const { return m_verdict != FeedFormat::Unknown || m_nPieces >= kMaxPieces; }
    FeedFormat Verdict() const { return m_verdict; }

private:
    FeedFormat m_verdict = FeedFormat::Unknown;
    int m_nPieces = 0;
};

// What one piece that starts a line looks like; Unknown when it does not tell.
FeedFormat ClassifyFeedPiece(std::string_view piece);

// The format's name in the status documents: "sbs", "beast", "avr", "json", "http"; "" for
// Unknown.
const char* FeedFormatName(FeedFormat format);

// What to tell the user of a feed in a format the proxy cannot read, e.g. "this looks like Beast
// binary output, not BaseStation (SBS) lines; receivers usually serve SBS on port 30003 (dump1090,
// readsb: --net-sbs-port)"; empty for BaseStation and Unknown.
std::string FeedFormatWarning(FeedFormat format);

// What to tell the user of a feed that connected and sent nothing at all in `seconds`.
std::string QuietFeedWarning(int seconds);
