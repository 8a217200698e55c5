// The status documents as pure functions of a snapshot: the two JSON documents of the status page
// and the Prometheus text of /metrics. Cheap enough to run on the event loop's thread: a snapshot
// of 5,000 aircraft renders in a few milliseconds.
#pragma once

#include "StatusSnapshot.h"

#include <string>
#include <string_view>

namespace status {

// /status.json: the feed, the radar clients, the table's counts and the reference point.
std::string RenderStatusJson(const CStatusSnapshot& snapshot);

// /aircraft.json: every aircraft of the table, with the reference point.
std::string RenderAircraftJson(const CStatusSnapshot& snapshot);

// /metrics: the Prometheus text exposition format, version 0.0.4.
std::string RenderMetrics(const CStatusSnapshot& snapshot);

// Appends `text` as a JSON string, quotes included. Feed and lookup texts are 8-bit and may be
// anything: control bytes are escaped, and a byte that is not part of valid UTF-8 becomes U+FFFD,
// so that the document always parses.
void AppendJsonString(std::string& out, std::string_view text);

} // namespace status
