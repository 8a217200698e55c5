#include "StatusRender.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace status {

namespace {

// Length of the valid UTF-8 sequence at the start of `text`, 0 when it is not one.
std::size_t Utf8SequenceLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF))
        || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

void AppendInt(std::string& out, std::int64_t value)
{
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end);
}

void AppendDouble(std::string& out, double value)
{
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    out.append(buffer, end);
}

void AppendBool(std::string& out, bool value)
{
    out += value ? "true" : "false";
}

// ,"key": with the comma unless it is the first member.
void Key(std::string& out, std::string_view key, bool first = false)
{
    if (!first)
        out += ',';
    out += '"';
    out += key;
    out += "\":";
}

// `{"latitude":..,"longitude":..` of a place, its object left open for more members.
void OpenPlace(std::string& out, double latitude, double longitude)
{
    Key(out += '{', "latitude", true);
    AppendDouble(out, latitude);
    Key(out, "longitude");
    AppendDouble(out, longitude);
}

void AppendReference(std::string& out, const CReferenceStatus& reference)
{
    if (!reference.set) {
        out += "null";
        return;
    }
    OpenPlace(out, reference.latitude, reference.longitude);
    out += '}';
}

void AppendReceiver(std::string& out, const CReceiverStatus& receiver)
{
    if (!receiver.set) {
        out += "null";
        return;
    }
    OpenPlace(out, receiver.latitude, receiver.longitude);
    Key(out, "maxRange");
    AppendDouble(out, receiver.maxRangeNm);
    out += '}';
}

void AppendAircraft(std::string& out, const CAircraftStatus& a, std::int64_t now)
{
    Key(out += '{', "hex", true);
    AppendJsonString(out, a.hexId);
    Key(out, "callsign");
    AppendJsonString(out, a.callsign);
    Key(out, "registration");
    AppendJsonString(out, a.registration);
    Key(out, "type");
    AppendJsonString(out, a.aircraftType);
    Key(out, "name");
    AppendJsonString(out, a.name);
    Key(out, "squawk");
    AppendJsonString(out, a.squawk);
    Key(out, "altitude");
    AppendInt(out, a.altitude);
    Key(out, "groundSpeed");
    AppendInt(out, a.groundSpeed);
    Key(out, "track");
    AppendInt(out, a.track);
    Key(out, "verticalRate");
    AppendInt(out, a.verticalRate);
    Key(out, "spi");
    AppendBool(out, a.spi);
    Key(out, "onGround");
    AppendBool(out, a.onGround);
    Key(out, "lastMessageTime");
    AppendInt(out, a.lastMessageTime);
    Key(out, "lastMessageAge");
    AppendInt(out, now - a.lastMessageTime);
    Key(out, "positionsIgnored");
    AppendBool(out, a.positionsIgnored);
    Key(out, "position");
    if (a.hasPosition) {
        Key(out += '{', "latitude", true);
        AppendDouble(out, a.latitude);
        Key(out, "longitude");
        AppendDouble(out, a.longitude);
        Key(out, "time");
        AppendInt(out, a.lastPositionTime);
        Key(out, "age");
        AppendInt(out, now - a.lastPositionTime);
        out += '}';
    } else {
        out += "null";
    }
    Key(out, "clientPosition");
    if (a.shownToClients) {
        Key(out += '{', "latitude", true);
        AppendDouble(out, a.clientLatitude);
        Key(out, "longitude");
        AppendDouble(out, a.clientLongitude);
        Key(out, "deadReckoned");
        AppendBool(out, a.deadReckoned);
        out += '}';
    } else {
        out += "null";
    }
    out += '}';
}

std::int64_t WithPosition(const CStatusSnapshot& snapshot)
{
    std::int64_t count = 0;
    for (const CAircraftStatus& aircraft : snapshot.aircraft)
        count += aircraft.shownToClients ? 1 : 0;
    return count;
}

std::int64_t LoggedIn(const CStatusSnapshot& snapshot)
{
    std::int64_t count = 0;
    for (const CClientStatus& client : snapshot.clients)
        count += client.callsign.empty() ? 0 : 1;
    return count;
}

// One metric family: its help, its type, and the samples the caller appends.
void Family(std::string& out, std::string_view name, std::string_view type, std::string_view help)
{
    out += "# HELP ";
    out += name;
    out += ' ';
    out += help;
    out += "\n# TYPE ";
    out += name;
    out += ' ';
    out += type;
    out += '\n';
}

// A label's value: backslash, double quote and line feed escaped, as the text format wants them.
void AppendLabelValue(std::string& out, std::string_view value)
{
    for (const char c : value) {
        if (c == '\\' || c == '"')
            out += '\\';
        if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
}

void Sample(std::string& out, std::string_view name, std::string_view labels, double value)
{
    out += name;
    out += labels;
    out += ' ';
    // Integral values as integers, so that large counters keep every digit.
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 9.0e15)
        AppendInt(out, static_cast<std::int64_t>(value));
    else if (std::isfinite(value))
        AppendDouble(out, value);
    else
        out += std::isnan(value) ? "NaN" : (value > 0 ? "+Inf" : "-Inf");
    out += '\n';
}

void Simple(std::string& out, std::string_view name, std::string_view type, std::string_view help,
    double value)
{
    Family(out, name, type, help);
    Sample(out, name, {}, value);
}

} // namespace

const char* FeedStateName(FeedState state)
{
    switch (state) {
    case FeedState::Idle:
        return "idle";
    case FeedState::Connecting:
        return "connecting";
    case FeedState::Connected:
        return "connected";
    case FeedState::Retrying:
        return "retrying";
    case FeedState::Replaying:
        return "replaying";
    }
    return "idle";
}

void AppendJsonString(std::string& out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = Utf8SequenceLength(text.substr(i));
            if (length == 0) {
                out += "\\ufffd";
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 0xF];
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
}

namespace {

// The positions ignored, by reason, as one JSON object.
void AppendPositionsIgnored(
    std::string& out, std::int64_t northEast, std::int64_t range, std::int64_t invalid)
{
    Key(out += '{', "north-east", true);
    AppendInt(out, northEast);
    Key(out, "range");
    AppendInt(out, range);
    Key(out, "invalid");
    AppendInt(out, invalid);
    out += '}';
}

} // namespace

std::string RenderStatusJson(const CStatusSnapshot& snapshot)
{
    std::string out;
    out.reserve(1024 + snapshot.clients.size() * 128);
    Key(out += '{', "now", true);
    AppendInt(out, snapshot.now);
    Key(out, "version");
    AppendJsonString(out, snapshot.version);
    const CFeedStatus& feed = snapshot.feed;
    Key(out, "feed");
    Key(out += '{', "state", true);
    AppendJsonString(out, FeedStateName(feed.state));
    Key(out, "server");
    AppendJsonString(out, feed.server);
    Key(out, "port");
    AppendJsonString(out, feed.port);
    Key(out, "linesReceived");
    AppendInt(out, feed.linesReceived);
    Key(out, "linesAccepted");
    AppendInt(out, feed.linesAccepted);
    Key(out, "linesPerSecond");
    AppendDouble(out, feed.linesPerSecond);
    Key(out, "lastLine");
    AppendJsonString(out, feed.lastLine);
    Key(out, "format");
    AppendJsonString(out, feed.format);
    Key(out, "formatWarning");
    AppendJsonString(out, feed.formatWarning);
    Key(out, "positionsIgnored");
    AppendPositionsIgnored(out, feed.positionsIgnoredNorthEast, feed.positionsIgnoredRange,
        feed.positionsIgnoredInvalid);
    out += '}';
    // Each feed, when there are several.
    Key(out, "feeds");
    out += '[';
    for (std::size_t i = 0; i < snapshot.feeds.size(); ++i) {
        const CFeedSourceStatus& source = snapshot.feeds[i];
        if (i > 0)
            out += ',';
        Key(out += '{', "state", true);
        AppendJsonString(out, FeedStateName(source.state));
        Key(out, "server");
        AppendJsonString(out, source.server);
        Key(out, "port");
        AppendInt(out, source.port);
        Key(out, "linesReceived");
        AppendInt(out, source.linesReceived);
        Key(out, "linesAccepted");
        AppendInt(out, source.linesAccepted);
        Key(out, "format");
        AppendJsonString(out, source.format);
        Key(out, "formatWarning");
        AppendJsonString(out, source.formatWarning);
        Key(out, "positionsIgnored");
        AppendPositionsIgnored(out, source.positionsIgnoredNorthEast, source.positionsIgnoredRange,
            source.positionsIgnoredInvalid);
        out += '}';
    }
    out += ']';
    Key(out, "clients");
    out += '[';
    for (std::size_t i = 0; i < snapshot.clients.size(); ++i) {
        const CClientStatus& client = snapshot.clients[i];
        if (i > 0)
            out += ',';
        Key(out += '{', "callsign", true);
        AppendJsonString(out, client.callsign);
        Key(out, "loggedIn");
        AppendBool(out, !client.callsign.empty());
        Key(out, "address");
        AppendJsonString(out, client.address);
        Key(out, "connectedSince");
        AppendInt(out, client.connectedSince);
        Key(out, "bytesQueued");
        AppendInt(out, client.bytesQueued);
        out += '}';
    }
    out += ']';
    Key(out, "aircraftCount");
    AppendInt(out, static_cast<std::int64_t>(snapshot.aircraft.size()));
    Key(out, "aircraftWithPosition");
    AppendInt(out, WithPosition(snapshot));
    Key(out, "reference");
    AppendReference(out, snapshot.reference);
    Key(out, "receiver");
    AppendReceiver(out, snapshot.receiver);
    out += "}\n";
    return out;
}

std::string RenderAircraftJson(const CStatusSnapshot& snapshot)
{
    std::string out;
    out.reserve(128 + snapshot.aircraft.size() * 420);
    Key(out += '{', "now", true);
    AppendInt(out, snapshot.now);
    Key(out, "reference");
    AppendReference(out, snapshot.reference);
    Key(out, "receiver");
    AppendReceiver(out, snapshot.receiver);
    Key(out, "aircraft");
    out += '[';
    for (std::size_t i = 0; i < snapshot.aircraft.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendAircraft(out, snapshot.aircraft[i], snapshot.now);
    }
    out += "]}\n";
    return out;
}

std::string RenderMetrics(const CStatusSnapshot& snapshot)
{
    const CStatusMetrics& m = snapshot.metrics;
    std::string out;
    out.reserve(4096);
    Simple(out, "quorvex_lines_received_total", "counter", "SBS feed lines received.",
        static_cast<double>(m.m_nLinesReceived));
    Simple(out, "quorvex_lines_accepted_total", "counter",
        "SBS feed lines accepted into the aircraft table.",
        static_cast<double>(m.m_nLinesAccepted));
    Simple(out, "quorvex_lines_rejected_total", "counter",
        "SBS feed lines received but not accepted.",
        static_cast<double>(m.m_nLinesReceived - m.m_nLinesAccepted));
    Simple(out, "quorvex_feed_connected", "gauge", "1 while the SBS feed is connected.",
        snapshot.feed.state == FeedState::Connected ? 1.0 : 0.0);
    Simple(out, "quorvex_feed_reconnects_total", "counter",
        "Connection attempts to the SBS feed after the first.",
        static_cast<double>(m.m_nFeedConnects > 0 ? m.m_nFeedConnects - 1 : 0));
    Family(out, "quorvex_positions_ignored_total", "counter",
        "Reported positions the position rules ignored, by reason: north-east (outside the "
        "default area), range (beyond --max-range), invalid (not a coordinate, or 0,0).");
    Sample(out, "quorvex_positions_ignored_total", "{reason=\"north-east\"}",
        static_cast<double>(snapshot.feed.positionsIgnoredNorthEast));
    Sample(out, "quorvex_positions_ignored_total", "{reason=\"range\"}",
        static_cast<double>(snapshot.feed.positionsIgnoredRange));
    Sample(out, "quorvex_positions_ignored_total", "{reason=\"invalid\"}",
        static_cast<double>(snapshot.feed.positionsIgnoredInvalid));
    if (!snapshot.feeds.empty()) {
        // Each feed of several, by its address.
        const auto label = [](const CFeedSourceStatus& source) {
            std::string text = "{feed=\"";
            AppendLabelValue(text, source.server + ":" + std::to_string(source.port));
            return text + "\"}";
        };
        Family(
            out, "quorvex_feed_source_connected", "gauge", "1 while this SBS feed is connected.");
        for (const CFeedSourceStatus& source : snapshot.feeds)
            Sample(out, "quorvex_feed_source_connected", label(source),
                source.state == FeedState::Connected ? 1.0 : 0.0);
        Family(out, "quorvex_feed_source_lines_received_total", "counter",
            "Lines received from this SBS feed since Connect.");
        for (const CFeedSourceStatus& source : snapshot.feeds)
            Sample(out, "quorvex_feed_source_lines_received_total", label(source),
                static_cast<double>(source.linesReceived));
        Family(out, "quorvex_feed_source_lines_accepted_total", "counter",
            "Lines of this SBS feed accepted into the aircraft table since Connect.");
        for (const CFeedSourceStatus& source : snapshot.feeds)
            Sample(out, "quorvex_feed_source_lines_accepted_total", label(source),
                static_cast<double>(source.linesAccepted));
        Family(out, "quorvex_feed_source_positions_ignored_total", "counter",
            "Positions of this SBS feed the position rules ignored since Connect, all reasons.");
        for (const CFeedSourceStatus& source : snapshot.feeds)
            Sample(out, "quorvex_feed_source_positions_ignored_total", label(source),
                static_cast<double>(source.positionsIgnoredNorthEast + source.positionsIgnoredRange
                    + source.positionsIgnoredInvalid));
    }
    Simple(out, "quorvex_aircraft", "gauge", "Aircraft in the table.",
        static_cast<double>(snapshot.aircraft.size()));
    Simple(out, "quorvex_aircraft_with_position", "gauge",
        "Aircraft with a position recent enough to be sent to radar clients.",
        static_cast<double>(WithPosition(snapshot)));
    Simple(out, "quorvex_clients_connected", "gauge", "Radar clients connected.",
        static_cast<double>(snapshot.clients.size()));
    Simple(out, "quorvex_clients_logged_in", "gauge", "Radar clients logged in.",
        static_cast<double>(LoggedIn(snapshot)));
    Family(out, "quorvex_clients_refused_total", "counter",
        "Radar client connections or logins refused, by reason.");
    Sample(out, "quorvex_clients_refused_total", "{reason=\"callsign_in_use\"}",
        static_cast<double>(m.m_nClientsRefusedCallsign));
    Sample(out, "quorvex_clients_refused_total", "{reason=\"not_allowed\"}",
        static_cast<double>(m.m_nClientsRefusedNotAllowed));
    Family(out, "quorvex_clients_dropped_total", "counter", "Radar clients cut off, by reason.");
    Sample(out, "quorvex_clients_dropped_total", "{reason=\"backlog\"}",
        static_cast<double>(m.m_nClientsDroppedBacklog));
    Simple(out, "quorvex_bytes_sent_total", "counter", "Bytes sent to radar clients.",
        static_cast<double>(m.m_nBytesSent));

    const CDurationHistogram& tick = m.m_tickDuration;
    Family(out, "quorvex_tick_duration_seconds", "histogram",
        "Duration of the 5 second timer tick: purge, replay step and position broadcast.");
    for (std::size_t i = 0; i < CDurationHistogram::kBounds.size(); ++i) {
        char bound[32];
        const auto end = std::to_chars(
            bound, bound + sizeof bound, CDurationHistogram::kBounds[i], std::chars_format::fixed)
                             .ptr;
        std::string labels = "{le=\"";
        labels.append(bound, end);
        labels += "\"}";
        Sample(out, "quorvex_tick_duration_seconds_bucket", labels,
            static_cast<double>(tick.CumulativeCount(i)));
    }
    Sample(out, "quorvex_tick_duration_seconds_bucket", "{le=\"+Inf\"}",
        static_cast<double>(tick.Count()));
    Sample(out, "quorvex_tick_duration_seconds_sum", {}, tick.Sum());
    Sample(out, "quorvex_tick_duration_seconds_count", {}, static_cast<double>(tick.Count()));

    Family(out, "quorvex_purge_duration_seconds", "summary",
        "Duration of the purges of silent aircraft.");
    Sample(out, "quorvex_purge_duration_seconds_sum", {}, m.m_dPurgeSeconds);
    Sample(out, "quorvex_purge_duration_seconds_count", {}, static_cast<double>(m.m_nPurges));
    return out;
}

} // namespace status
