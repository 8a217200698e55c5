// How the window runs its feed and its replay, as the command line sets them. The defaults are
// the proxy's classic behaviour: no retry, no silence limit, 20 replay lines a step at the pace of
// the timer. (Which positions are taken is the traffic model's CPositionRules.)
#pragma once

#include <string>
#include <string_view>

// A receiver's address, of a feed beyond the first.
struct CFeedAddress {
    std::string server;
    unsigned port = 0;
};

struct CFeedOptions {
    int reconnectMaxSeconds = 0; // > 0: a lost feed is tried again after 1 s, doubling up to this
    int feedTimeoutSeconds = 0; // > 0: a feed silent (or connecting) this long counts as lost
    int replayLines = 20; // lines per timer tick and per "+10" press
    double replaySpeed = 0.0; // > 0: replay at this many times the recorded pace
    bool replayDateRecorded = false; // a replay aligns short lines by their own date, not today's

    // Whether the window needs its one-second service tick (retries, silence, replay pace).
    bool NeedsServiceTick() const
    {
        return reconnectMaxSeconds > 0 || feedTimeoutSeconds > 0 || replaySpeed > 0.0;
    }
};

// "LAT,LON" in decimal degrees, latitude within +-90 and longitude within +-180.
bool ParseLatLon(std::string_view text, double& latitude, double& longitude);
