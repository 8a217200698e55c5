#include "QuorvexStatus.h"

#include "QuorvexDlg.h"
#include "platform/Clock.h"
#include "platform/ProjectVersion.h"
#include "proxy/fsd/FsdPackets.h"

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
    else if (dlg.IsFeedConnected())
        feed.state = status::FeedState::Connected;
    else if (dlg.IsRetrying())
        feed.state = status::FeedState::Retrying;
    else if (dlg.IsConnecting())
        feed.state = status::FeedState::Connecting;
    feed.server = controls.GetWindowText(kIdEditServer);
    feed.port = controls.GetWindowText(kIdEditPort);
    feed.linesReceived = dlg.m_nLinesReceived;
    feed.linesAccepted = dlg.m_nLinesAccepted;
    feed.lastLine = dlg.m_strLastLine;
    while (!feed.lastLine.empty() && (feed.lastLine.back() == '\n' || feed.lastLine.back() == '\r'))
        feed.lastLine.pop_back();
    feed.format = FeedFormatName(dlg.FeedFormatSeen());
    feed.formatWarning = FeedFormatWarning(dlg.FeedFormatSeen());
    if (dlg.Feeds().size() > 1 && !dlg.IsReplaying()) {
        for (const auto& source : dlg.Feeds()) {
            status::CFeedSourceStatus& out = s.feeds.emplace_back();
            switch (source->GetState()) {
            case CSbsFeed::State::Idle:
                out.state = status::FeedState::Idle;
                break;
            case CSbsFeed::State::Connecting:
                out.state = status::FeedState::Connecting;
                break;
            case CSbsFeed::State::Connected:
                out.state = status::FeedState::Connected;
                break;
            case CSbsFeed::State::Waiting:
                out.state = status::FeedState::Retrying;
                break;
            }
            out.server = source->Server();
            out.port = source->Port();
            out.linesReceived = source->m_nLinesReceived;
            out.linesAccepted = source->m_nLinesAccepted;
            out.format = FeedFormatName(source->Format());
            out.formatWarning = FeedFormatWarning(source->Format());
            const CIgnoredPositions& counts = source->m_ignoredPositions;
            out.positionsIgnoredNorthEast = counts.Count(PositionVerdict::NorthEast);
            out.positionsIgnoredRange = counts.Count(PositionVerdict::Range);
            out.positionsIgnoredInvalid = counts.Count(PositionVerdict::Invalid);
        }
    }
    const CIgnoredPositions& ignored = dlg.Traffic().m_ignoredPositions;
    feed.positionsIgnoredNorthEast = ignored.Count(PositionVerdict::NorthEast);
    feed.positionsIgnoredRange = ignored.Count(PositionVerdict::Range);
    feed.positionsIgnoredInvalid = ignored.Count(PositionVerdict::Invalid);
    rate.Sample(s.now, dlg.m_metrics.m_nLinesReceived);
    feed.linesPerSecond = rate.PerSecond();

    const CFsdServer& server = dlg.Server();
    s.clients.reserve(server.ClientCount());
    for (const auto& client : server.Clients()) {
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

    const CTrafficModel& traffic = dlg.Traffic();
    const CReferencePoint& reference = traffic.Reference();
    const PositionRange range = traffic.m_positionRules.Range();
    s.aircraft.reserve(traffic.Size());
    for (const auto& [key, record] : traffic.m_aircraftMap) {
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
        out.positionsIgnored = a.positionIgnored && !a.position.valid;
        if (a.position.valid && a.lastPositionTime != 0) {
            out.hasPosition = true;
            out.lastPositionTime = a.lastPositionTime;
            out.latitude = a.position.latitude;
            out.longitude = a.position.longitude;
            // The same rules as the position broadcast, its range included.
            const std::int32_t age = PositionAge(s.now, a.lastPositionTime);
            out.shownToClients = age <= kMaxPositionAge;
            out.deadReckoned = age > kDeadReckonAge;
            const AircraftPosition shown = out.deadReckoned
                ? DeadReckon(a.position, a.groundSpeed, a.track, age, reference, range)
                : a.position;
            out.clientLatitude = shown.latitude;
            out.clientLongitude = shown.longitude;
        }
        s.aircraft.push_back(std::move(out));
    }
    s.reference.set = reference.IsSet();
    s.reference.latitude = reference.dRefLat;
    s.reference.longitude = reference.dRefLon;
    const CPositionRules& rules = traffic.m_positionRules;
    s.receiver.set = rules.receiverSet;
    s.receiver.latitude = rules.receiverLatitude;
    s.receiver.longitude = rules.receiverLongitude;
    s.receiver.maxRangeNm = rules.maxRangeNm;
    return s;
}
