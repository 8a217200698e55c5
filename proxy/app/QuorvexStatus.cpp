#include "QuorvexStatus.h"

#include "QuorvexDlg.h"
#include "platform/Clock.h"
#include "platform/ProjectVersion.h"
#include "proxy/fsd/FsdPackets.h"
#include "proxy/traffic/ReferencePoint.h"

status::CStatusSnapshot TakeStatusSnapshot(
    const CQuorvexDlg& dlg, const platform::CDialogControls& controls, status::CLineRate& rate)
{
    status::CStatusSnapshot s;
    s.now = platform::Time64();
    s.version = kProjectVersion;
    s.metrics = dlg.m_metrics;

    status::CFeedStatus& feed = s.feed;
    if (dlg.IsReplaying())
        feed.state = status::FeedState::Replaying;
    else if (dlg.m_bFeedConnected)
        feed.state = status::FeedState::Connected;
    else if (dlg.IsRetrying())
        feed.state = status::FeedState::Retrying;
    else if (!controls.IsWindowEnabled(kIdConnect) && controls.IsWindowEnabled(kIdDisconnect))
        feed.state = status::FeedState::Connecting; // Connect pressed, no outcome yet
    feed.server = controls.GetWindowText(kIdEditServer);
    feed.port = controls.GetWindowText(kIdEditPort);
    feed.linesReceived = dlg.m_nLinesReceived;
    feed.linesAccepted = dlg.m_nLinesAccepted;
    feed.lastLine = controls.GetWindowText(kIdLastLine);
    while (!feed.lastLine.empty() && (feed.lastLine.back() == '\n' || feed.lastLine.back() == '\r'))
        feed.lastLine.pop_back();
    rate.Sample(s.now, dlg.m_metrics.m_nLinesReceived);
    feed.linesPerSecond = rate.PerSecond();

    s.clients.reserve(dlg.m_clientList.size());
    for (const auto& client : dlg.m_clientList) {
        status::CClientStatus c;
        c.callsign = client->m_strCallsign;
        std::string address;
        unsigned port = 0;
        if (client->GetPeerName(address, port))
            c.address = address + ":" + std::to_string(port);
        c.connectedSince = client->m_tConnected;
        c.bytesQueued = static_cast<std::int64_t>(client->GetSendBacklog());
        s.clients.push_back(std::move(c));
    }

    s.aircraft.reserve(dlg.m_aircraftMap.size());
    for (const auto& [key, record] : dlg.m_aircraftMap) {
        const CTrackedAircraft& a = record;
        status::CAircraftStatus out;
        out.hexId = a.hexId;
        out.callsign = a.callsign;
        out.registration = a.registration;
        out.aircraftType = a.aircraftType;
        out.name = AircraftName(a);
        out.squawk = a.squawk;
        out.lastMessageTime = a.lastMessageTime;
        out.altitude = a.altitude;
        out.groundSpeed = a.groundSpeed;
        out.track = a.track;
        out.verticalRate = a.verticalRate;
        out.spi = a.spiFlag;
        out.onGround = a.onGroundFlag;
        if (a.position.valid && a.lastPositionTime != 0) {
            out.hasPosition = true;
            out.lastPositionTime = a.lastPositionTime;
            out.latitude = a.position.latitude;
            out.longitude = a.position.longitude;
            // The same rules as the position broadcast.
            const std::int32_t age = PositionAge(s.now, a.lastPositionTime);
            out.shownToClients = age <= kMaxPositionAge;
            out.deadReckoned = age > kDeadReckonAge;
            const AircraftPosition shown = out.deadReckoned
                ? DeadReckon(a.position, a.groundSpeed, a.track, age)
                : a.position;
            out.clientLatitude = shown.latitude;
            out.clientLongitude = shown.longitude;
        }
        s.aircraft.push_back(std::move(out));
    }
    s.reference.set = g_dRefLat != 0.0 || g_dRefLon != 0.0;
    s.reference.latitude = g_dRefLat;
    s.reference.longitude = g_dRefLon;
    return s;
}
