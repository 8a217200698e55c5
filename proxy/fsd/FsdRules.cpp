#include "FsdRules.h"

#include "FsdPackets.h"

#include <cstring>

namespace {

bool Login(std::string_view line, std::string_view requested, std::string& callsign,
    CFsdSender& sender, CFsdRouter& router)
{
    // Also refused: the client's own callsign, and the empty one (equal to every client that has
    // not logged in, this one included).
    if (router.IsCallsignInUse(requested)) {
        sender.SendString(ComposeServerText(requested, kCallsignInUseText));
        return false;
    }
    callsign = requested;
    sender.SendString(ComposeServerText(callsign, kHelloText));
    sender.SendString(
        ComposeServerText(callsign, router.IsFeedConnected() ? kFeedUpText : kFeedDownText));
    router.BroadcastPacket(line, callsign);
    return true;
}

} // namespace

bool ApplyPacketRules(char* line, std::string& callsign, CFsdSender& sender, CFsdRouter& router)
{
    // Relayed lines go on byte for byte, line end included: copied before the split cuts them.
    const std::string received(line);
    CFieldList fields;
    const int count = fields.Split(line, ':');

    if (received.compare(0, 3, "#AA") == 0)
        return Login(received, fields.field[0] + 3, callsign, sender, router);
    if (received.compare(0, 1, "%") == 0 || received.compare(0, 3, "#DA") == 0)
        router.BroadcastPacket(received, callsign);
    else if (received.compare(0, 3, "#TM") == 0 && count > 1)
        router.SendToCallsign(fields.field[1], received);
    else if (received.compare(0, 3, "$CQ") == 0 && count > 3
        && std::strcmp(fields.field[2], "FP") == 0)
        router.SendFlightPlan(fields);
    return true;
}
