#include "FeedFormat.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>

namespace {

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Whether `text` starts with `prefix`, ASCII letters in any case.
bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

// "*" or "@", then at least four hex digits up to a ";" or the end of what arrived so far.
bool IsAvrFrame(std::string_view piece)
{
    std::size_t i = 1;
    while (i < piece.size() && IsHexDigit(piece[i]))
        ++i;
    return i >= 5 && (i == piece.size() || piece[i] == ';');
}

} // namespace

FeedFormat ClassifyFeedPiece(std::string_view piece)
{
    // The escape byte opens every binary frame, and no text line holds it. Looked at before any
    // blank is skipped: in binary, a blank byte means nothing.
    if (!piece.empty() && piece.front() == '\x1A')
        return FeedFormat::Beast;
    const std::size_t start = piece.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos)
        return FeedFormat::Unknown;
    piece.remove_prefix(start);

    switch (piece.front()) {
    case '*':
    case '@':
        return IsAvrFrame(piece) ? FeedFormat::Avr : FeedFormat::Unknown;
    case '{':
    case '[':
        return FeedFormat::Json;
    default:
        break;
    }
    if (piece.starts_with("HTTP/1.") || StartsWithNoCase(piece, "<!doctype html")
        || StartsWithNoCase(piece, "<html"))
        return FeedFormat::Http;
    // The message types of the BaseStation lines, or a line with the commas of their layout
    // (one without its leading fields still has ten or more).
    static constexpr std::array<std::string_view, 6> kTypes
        = { "MSG,", "SEL,", "AIR,", "ID,", "STA,", "CLK," };
    if (std::any_of(kTypes.begin(), kTypes.end(),
            [&](std::string_view type) { return piece.starts_with(type); }))
        return FeedFormat::BaseStation;
    const std::string_view firstLine = piece.substr(0, piece.find('\n'));
    if (std::count(firstLine.begin(), firstLine.end(), ',') >= 10)
        return FeedFormat::BaseStation;
    return FeedFormat::Unknown;
}

bool CFeedFormatDetector::Inspect(std::string_view piece)
{
    if (Done())
        return false;
    // Blank lines (keep-alives, a CR LF before the first line) tell nothing and do not count.
    if (piece.find_first_not_of(" \t\r\n") == std::string_view::npos)
        return true;
    ++m_nPieces;
    m_verdict = ClassifyFeedPiece(piece);
    return !Done();
}

const char* FeedFormatName(FeedFormat format)
{
    switch (format) {
    case FeedFormat::Unknown:
        return "";
    case FeedFormat::BaseStation:
        return "sbs";
    case FeedFormat::Beast:
        return "beast";
    case FeedFormat::Avr:
        return "avr";
    case FeedFormat::Json:
        return "json";
    case FeedFormat::Http:
        return "http";
    }
    return "";
}

namespace {
constexpr const char* kSbsPortHint
    = "receivers usually serve SBS on port 30003 (dump1090, readsb: --net-sbs-port)";
} // namespace

std::string FeedFormatWarning(FeedFormat format)
{
    const char* looks = nullptr;
    switch (format) {
    case FeedFormat::Beast:
        looks = "Beast binary output";
        break;
    case FeedFormat::Avr:
        looks = "AVR (raw hex) output";
        break;
    case FeedFormat::Json:
        looks = "JSON";
        break;
    case FeedFormat::Http:
        looks = "a web server (HTTP)";
        break;
    case FeedFormat::Unknown:
    case FeedFormat::BaseStation:
        return {};
    }
    return std::string("this looks like ") + looks + ", not BaseStation (SBS) lines; "
        + kSbsPortHint;
}

std::string QuietFeedWarning(int seconds)
{
    return "nothing received in the " + std::to_string(seconds)
        + " s since it connected: no aircraft in range, or not a BaseStation (SBS) port (a web "
          "server's port sends nothing until asked); "
        + kSbsPortHint;
}
