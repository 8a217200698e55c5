// The FSD server over real loopback connections on an ephemeral port.
#include "FsdServerFixture.h"
#include "platform/Clock.h"
#include "proxy/fsd/FsdPackets.h"
#include "proxy/traffic/TrafficModel.h"
#include "support/DescriptorLimit.h"
#include "support/EventLoop.h"
#include "support/RecordingControls.h"

#include <QTcpServer>

#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <memory>
#include <string>
#include <vector>

namespace {

using qstest::Settle;
using qstest::WaitFor;

class FsdServerTest : public CFsdServerFixture { };

TEST_F(FsdServerTest, LinesAreHandledOnceTheirLineFeedArrives)
{
    CFsdTestPeer& other = Login("DEF");
    CFsdTestPeer& sender = Connect();
    const std::string two = "#AAABC:SERVER:A B:1:1:100\r\n%ABC:24000:5:100:5:47.4:19.2:0\r\n";
    sender.Write(two);
    ASSERT_TRUE(Receives(other, two));

    sender.Write("%ABC:1:2");
    Settle(50);
    sender.Write(":3\r");
    Settle(50);
    Sync();
    EXPECT_EQ(Drain(other), two);
    sender.Write("\n");
    ASSERT_TRUE(Receives(other, "%ABC:1:2:3\r\n"));
    Sync();
    EXPECT_EQ(Drain(other), "%ABC:1:2:3\r\n");
}

TEST_F(FsdServerTest, LoginIsAnsweredOrRefused)
{
    // Logs `peer` in and expects the hello and the feed status, then nothing else.
    const auto logIn = [this](CFsdTestPeer& peer, const std::string& callsign, std::string status) {
        peer.Write("#AA" + callsign + ":SERVER:A B:1:1:100\r\n");
        ASSERT_TRUE(Receives(peer, status + "\r\n"));
        EXPECT_EQ(peer.received,
            "#TMserver:" + callsign + ":Hello to Quorvex server by Dorvath\r\n#TMserver:" + callsign
                + ":" + status + "\r\n");
        peer.received.clear();
    };
    CFsdTestPeer& a = Connect();
    logIn(a, "abc", "Unfortunately SBS-1 sever is not connected");
    m_server.SetFeedConnected(true);
    CFsdTestPeer& b = Connect();
    logIn(b, "XYZ", "Be happy, the SBS-1 sever is connected");
    ASSERT_TRUE(Receives(a, "#AAXYZ:SERVER:A B:1:1:100\r\n")); // relayed to the others
    a.received.clear();

    // Refused: a callsign in use in another case, where the rest of that receive is dropped; the
    // empty callsign, equal to the client's own before it logs in.
    const struct {
        const char* sent;
        const char* reply;
    } refusals[] = {
        { "#AAABC:SERVER\r\n%ABC:dropped\r\n", "#TMserver:ABC:Sorry, but callsign is in use\r\n" },
        { "#AA:SERVER\r\n", "#TMserver::Sorry, but callsign is in use\r\n" },
        { "#AA\n", "#TMserver::Sorry, but callsign is in use\r\n" },
    };
    for (const auto& refusal : refusals) {
        CFsdTestPeer& refused = Connect();
        refused.Write(refusal.sent);
        ASSERT_TRUE(WaitFor([&] { return refused.IsClosed(); })) << refusal.sent;
        EXPECT_EQ(refused.received, refusal.reply);
    }
    EXPECT_EQ(ShownClientCount(), "2");
    Sync();
    EXPECT_EQ(Drain(a), "");
    EXPECT_EQ(Drain(b), "");

    // A logged-in client may change its callsign, but not log in again under its own.
    logIn(b, "NEW", "Be happy, the SBS-1 sever is connected");
    ASSERT_TRUE(Receives(a, "#AANEW:"));
    a.received.clear();
    a.Write("#AAAbc:SERVER\r\n");
    ASSERT_TRUE(WaitFor([&] { return a.IsClosed(); }));
    EXPECT_EQ(a.received, "#TMserver:Abc:Sorry, but callsign is in use\r\n");
    ASSERT_EQ(m_server.Clients().size(), 1u);
    EXPECT_EQ(m_server.Clients().front()->m_strCallsign, "NEW");
}

TEST_F(FsdServerTest, RelaysAndTextMessagesReachTheRightClients)
{
    CFsdTestPeer& abc = Login("ABC");
    CFsdTestPeer& def = Login("DEF");
    CFsdTestPeer& anonymous = Connect();

    const std::string position = "%ABC:199998:5:100:7:48.11:16.57:0\r\n";
    abc.Write(position);
    ASSERT_TRUE(Receives(def, position));
    const std::string logoff = "#DAXYZ:SERVER\r\n"; // from a client that has not logged in
    anonymous.Write(logoff);
    ASSERT_TRUE(Receives(abc, logoff));
    // To a callsign in another case; to * (nobody has that callsign); a text without recipient;
    // an empty recipient, which only the clients not logged in have.
    abc.Write("#TMABC:def:hi there\r\n#TMABC:*:all\r\n#TMABC\r\n#TMABC::empty\r\n");
    ASSERT_TRUE(Receives(anonymous, "#TMABC::empty\r\n"));
    Sync();
    EXPECT_EQ(Drain(abc), logoff);
    EXPECT_EQ(Drain(def), position + logoff + "#TMABC:def:hi there\r\n");
    EXPECT_EQ(Drain(anonymous), position + "#TMABC::empty\r\n");
}

TEST_F(FsdServerTest, FlightPlansServerTextsAndDeletions)
{
    CTrackedAircraft& named = AddAircraft("4CA2D6");
    named.callsign = "ABC123";
    named.aircraftType = "B738";
    named.departure = "EIDW";
    named.destination = "LHBP";
    CTrackedAircraft& registered = AddAircraft("471F03");
    registered.registration = "HA-LWA";
    CFsdTestPeer& app = Login("APP1");
    CFsdTestPeer& other = Login("OTHER");
    CFsdTestPeer& anonymous = Connect();

    // Sent to the callsign the query names as its sender, not to the connection it came on.
    other.Write("$CQAPP1:SERVER:fp:ABC123\r\n$CQAPP1:SERVER:FP\r\n$CQAPP1:SERVER:FPX:ABC123\r\n"
                "$CQAPP1:SERVER:FP:abc123\r\n$CQapp1:SERVER:FP:ha-lwa\r\n"
                "$CQAPP1:SERVER:FP:471f03\r\n$CQAPP1:SERVER:FP:NOBODY\r\n%OTHER:done\r\n");
    ASSERT_TRUE(Receives(app, "%OTHER:done\r\n"));
    Sync();
    EXPECT_EQ(Drain(other), "");
    EXPECT_EQ(Drain(app),
        "$FPabc123:*:I:B/B738/F:450:EIDW:0:0::LHBP:0:0:0:0::REG/:\r\n"
        "$FPha-lwa:*:I:B//F:450::0:0:::0:0:0:0::REG/HA-LWA:\r\n"
        "$FP471f03:*:I:B//F:450::0:0:::0:0:0:0::REG/HA-LWA:\r\n"
        "%OTHER:done\r\n");
    Drain(anonymous);

    // With several matches, the first aircraft of the table answers.
    AddAircraft("abc123").aircraftType = "C172";
    const CTrackedAircraft& first = m_traffic.m_aircraftMap.begin()->second;
    other.Write("$CQAPP1:SERVER:FP:Abc123\r\n");
    ASSERT_TRUE(Receives(app, "\r\n"));
    EXPECT_EQ(app.received, ComposeFlightPlan("Abc123", first));
    app.received.clear();

    m_server.SendServerText(kFeedDisconnectedMessage);
    std::string line = "MSG,1,1,1,471F03,1,2010/02/19,x,2010/02/19,x,RYR1234,,,,,,,,,,,\n";
    Feed(line); // its callsign arrives: the registration is deleted
    Sync();
    EXPECT_EQ(
        Drain(app), "#TMserver:APP1:Sorry, but SBS data feed is disconnetced\r\n#DPHA-LWA\r\n");
    EXPECT_EQ(
        Drain(other), "#TMserver:OTHER:Sorry, but SBS data feed is disconnetced\r\n#DPHA-LWA\r\n");
    EXPECT_EQ(Drain(anonymous), "#TMserver::Sorry, but SBS data feed is disconnetced\r\n");
}

TEST_F(FsdServerTest, FeedAndLookupTextsCannotSplitAPacketField)
{
    CScratchDirectory directory;
    directory.Write("icao24.txt", "4ca2d6\tEI:D\x01WA\n");
    directory.Write("flightplans.txt",
        "RYR1234\tB7:38\tx\tEI\x7F"
        "DW\t0610\tLH:BP\tFL3\x1F"
        "50\tDCT:X\n");
    m_traffic.LoadLookupFiles();
    CFsdTestPeer& radar = Login("APP1");
    const auto feed
        = [&](const std::string& hexId, const std::string& callsign, const std::string& squawk) {
              std::string line = "MSG,3,1,1," + hexId + ",1,2010/02/19,x,2010/02/19,x," + callsign
                  + ",35000,450,90,52.50000,13.25000,," + squawk + ",,,,\n";
              Feed(line);
          };
    feed("4CA2D6", "AB:CD", "7000");
    feed("4CA2D6",
        "AB\x01"
        "CD",
        "12:34");
    feed("4CA2D6", "ABC\x7F",
        "70\x01"
        "0");
    feed("4C:A2D6", "", "");
    feed("4C\x1F"
         "A2",
        "", "");
    feed("471F03", "RYR1234", "2000");
    EXPECT_EQ(m_traffic.m_aircraftMap.size(), 2u);

    m_server.BroadcastPositions(platform::Time64());
    radar.Write("$CQAPP1:SERVER:FP:RYR1234\r\n");
    ASSERT_TRUE(Receives(radar, "$FP"));
    Sync();
    const std::string received = Drain(radar);
    // The callsigns and the squawks that would split a field are not taken; the lookup texts
    // lose the bytes that would.
    for (const char* packet :
        { "#DP471F03\r\n", "@Y:EIDWA:7000:1:52.50000:13.25000:35000:450:1036:0\r\n",
            "@Y:RYR1234:2000:1:52.50000:13.25000:35000:450:1036:0\r\n",
            "$FPRYR1234:*:I:B/B738/F:450:EIDW:0:0:FL350:LHBP:0:0:0:0::REG/:DCTX\r\n" })
        EXPECT_NE(received.find(packet), std::string::npos) << packet << " in " << received;
    EXPECT_EQ(std::count(received.begin(), received.end(), '\n'), 4) << received;
}

// A receiver's callsigns padded to 8 characters, with --trim-callsigns: the radar clients know
// the aircraft by the trimmed name, and its flight plan comes from the file's unpadded key.
TEST_F(FsdServerTest, PaddedCallsignsAreTrimmedForTheClientsAndTheFlightPlans)
{
    CScratchDirectory directory;
    directory.Write("flightplans.txt", "DLH4KJ\tA320\tx\tEDDF\t0610\tLHBP\tFL360\tDCT\n");
    m_traffic.LoadLookupFiles();
    m_traffic.m_bTrimCallsigns = true;
    CFsdTestPeer& radar = Login("APP1");
    Feed("MSG,1,1,1,3C6586,1,2010/02/19,x,2010/02/19,x,DLH4KJ  ,36000,450,90,52.50000,13.25000,,"
         "1000,,,,\n");
    m_server.BroadcastPositions(platform::Time64());
    radar.Write("$CQAPP1:SERVER:FP:DLH4KJ\r\n");
    ASSERT_TRUE(Receives(radar, "$FP"));
    Sync();
    EXPECT_EQ(Drain(radar),
        "#DP3C6586\r\n@Y:DLH4KJ:1000:1:52.50000:13.25000:36000:450:1036:0\r\n"
        "$FPDLH4KJ:*:I:B/A320/F:450:EDDF:0:0:FL360:LHBP:0:0:0:0::REG/:DCT\r\n");
}

TEST_F(FsdServerTest, ClientCountFollowsTheConnections)
{
    EXPECT_EQ(ShownClientCount(), "");
    CFsdTestPeer& first = Connect();
    EXPECT_EQ(ShownClientCount(), "1");
    CFsdTestPeer& second = Login("DEF");
    EXPECT_EQ(ShownClientCount(), "2");
    first.Disconnect();
    ASSERT_TRUE(WaitFor([&] { return m_server.Clients().size() == 1; }));
    second.Disconnect();
    ASSERT_TRUE(WaitFor([&] { return m_server.Clients().empty(); }));
    EXPECT_EQ(m_clientCounts, (std::vector<std::size_t> { 1, 2, 1, 0 }));
    EXPECT_EQ(second.received, ""); // a client that leaves is not announced
}

TEST_F(FsdServerTest, OverLongAndNulLinesAreDroppedAndTheConnectionGoesOn)
{
    CFsdTestPeer& sender = Login("ABC");
    CFsdTestPeer& other = Login("DEF");
    const auto line = [](std::size_t length) { // "%ABC:xxx...\r\n" of `length` bytes
        return "%ABC:" + std::string(length - 7, 'x') + "\r\n";
    };
    const std::string longest = line(1024); // 1023 bytes and the LF
    using namespace std::string_literals;
    sender.Write(longest + line(1025) + "%ABC:1\r\n" + "%ABC:a\0b\r\n"s + "%ABC:2\r\n" + line(5000)
        + "%ABC:3\r\n" + "\0\n"s + line(1024));
    ASSERT_TRUE(Receives(other, "%ABC:3\r\n" + longest));
    Sync();
    EXPECT_EQ(Drain(other), longest + "%ABC:1\r\n%ABC:2\r\n%ABC:3\r\n" + longest);
}

// A tick goes out as the position packets in table order, to every logged-in client, and the
// packets sent between ticks arrive between them in the order they were sent.
TEST_F(FsdServerTest, TicksAndThePacketsBetweenThemArriveWholeAndInOrder)
{
    m_traffic.SetReferencePointOnce(19.0, 47.4);
    for (int i = 0; i < 400; ++i) {
        CTrackedAircraft& aircraft = AddAircraft(std::to_string(0x500000 + i * 13));
        if (i % 3 != 0)
            aircraft.callsign = "TST" + std::to_string(i);
        aircraft.position = { 19.0 + i * 1e-3, 47.4 - i * 1e-3, i % 7 != 0 };
        aircraft.lastPositionTime = i % 11 == 0 ? 0 : kNow - i % 200; // some never or too old
        aircraft.altitude = 1000 + i;
        aircraft.groundSpeed = 200 + i;
        aircraft.track = i % 360;
    }
    std::string tick;
    for (const auto& [key, aircraft] : m_traffic.m_aircraftMap)
        tick += ComposePilotPosition(aircraft, kNow, m_traffic.Reference());
    ASSERT_FALSE(tick.empty());

    CFsdTestPeer& abc = Login("ABC");
    CFsdTestPeer& def = Login("DEF");
    CFsdTestPeer& anonymous = Connect();
    m_server.BroadcastPositions(platform::Time64());
    const std::string relay = "%ABC:1200:5:100:7:48.11:16.57:0\r\n";
    abc.Write(relay);
    ASSERT_TRUE(Receives(def, relay));
    std::string line = "MSG,1,1,1,5242880,1,2010/02/19,x,2010/02/19,x,NEW1,,,,,,,,,,,\n";
    Feed(line); // an aircraft of the table gets its callsign: "#DP"
    m_server.BroadcastPositions(platform::Time64());
    Sync();
    EXPECT_TRUE(Drain(abc) == tick + "#DP5242880\r\n" + tick);
    EXPECT_TRUE(Drain(def) == tick + relay + "#DP5242880\r\n" + tick);
    EXPECT_EQ(Drain(anonymous), relay);
}

TEST_F(FsdServerTest, AClientThatNeverReadsIsCutOffWhileOthersGetEveryTick)
{
    m_traffic.SetReferencePointOnce(19.0, 47.4);
    for (int i = 0; i < 5000; ++i) {
        CTrackedAircraft& aircraft = AddAircraft(std::to_string(0x400000 + i));
        aircraft.callsign = "TST" + std::to_string(i);
        aircraft.squawk = "7000";
        aircraft.position = { 19.0 + i * 1e-4, 47.4 - i * 1e-4, true };
        aircraft.lastPositionTime = kNow - i % 60; // some of them dead-reckoned
        aircraft.altitude = 1000 + i;
        aircraft.groundSpeed = 300 + i % 150;
        aircraft.track = i % 360;
    }
    std::string tick;
    for (const auto& [key, aircraft] : m_traffic.m_aircraftMap)
        tick += ComposePilotPosition(aircraft, kNow, m_traffic.Reference());

    CFsdTestPeer& reader = Login("READER");
    CFsdTestPeer& stalled = Login("STALLED");
    stalled.StopReading();

    int cutAt = 0;
    int ticks = 0;
    while (ticks < 100 && (cutAt == 0 || ticks < cutAt + 3)) {
        m_server.BroadcastPositions(platform::Time64());
        ++ticks;
        ASSERT_TRUE(WaitFor([&] { return reader.received.size() == ticks * tick.size(); }))
            << "tick " << ticks;
        if (cutAt == 0 && !m_server.IsCallsignInUse("STALLED"))
            cutAt = ticks;
    }
    RecordProperty("ticksUntilCutOff", cutAt);
    ASSERT_NE(cutAt, 0) << "a client that never reads is never cut off";
    // Cut off only once its backlog passed the bound: a client that reads never gets near it.
    EXPECT_GT(cutAt * tick.size(), CFsdClientSocket::kMaxSendBacklog);
    std::string expected;
    for (int i = 0; i < ticks; ++i)
        expected += tick;
    EXPECT_TRUE(reader.received == expected) << "the reader lost or reordered bytes";
    EXPECT_EQ(ShownClientCount(), "1");
}

// The clients' sockets queue each tick's text by reference: a client that reads late still gets
// every tick as it was composed, though the ticks after it changed.
TEST_F(FsdServerTest, AClientThatReadsLateGetsEveryTickAsItWasComposed)
{
    m_traffic.SetReferencePointOnce(19.0, 47.4);
    for (int i = 0; i < 5000; ++i) {
        CTrackedAircraft& aircraft = AddAircraft(std::to_string(0x500000 + i));
        aircraft.callsign = "LTE" + std::to_string(i);
        aircraft.position = { 19.0 + i * 1e-4, 47.4 - i * 1e-4, true };
        aircraft.lastPositionTime = kNow;
        aircraft.altitude = 1000 + i;
    }
    CFsdTestPeer& reader = Login("READER");
    CFsdTestPeer& late = Login("LATE");
    late.StopReading();
    const CFsdClientSocket& lateSocket = *m_server.Clients().back();
    ASSERT_EQ(lateSocket.m_strCallsign, "LATE");

    std::string expected;
    const auto tick = [&] {
        m_server.BroadcastPositions(platform::Time64());
        for (const auto& [key, aircraft] : m_traffic.m_aircraftMap)
            expected += ComposePilotPosition(aircraft, kNow, m_traffic.Reference());
        return WaitFor([&] { return reader.received.size() == expected.size(); });
    };
    // Until the system holds no more for the late client, its socket holds the last tick.
    for (int i = 0; i < 60 && lateSocket.GetSendBacklog() == 0; ++i)
        ASSERT_TRUE(tick());
    ASSERT_GT(lateSocket.GetSendBacklog(), 0u);
    for (int change = 1; change <= 3; ++change) {
        for (auto& [key, aircraft] : m_traffic.m_aircraftMap)
            aircraft.altitude += 100;
        ASSERT_TRUE(tick());
    }
    ASSERT_TRUE(m_server.IsCallsignInUse("LATE")) << "cut off before it read";
    late.ResumeReading();
    ASSERT_TRUE(WaitFor([&] { return late.received.size() >= expected.size(); }));
    EXPECT_TRUE(late.received == expected) << "a tick changed while a socket held it";
    EXPECT_TRUE(reader.received == expected);
}

#ifdef __linux__
// Out of descriptors, the connection cannot be taken: no client object is listed, and the
// connection is taken once descriptors are free again.
TEST_F(FsdServerTest, AConnectionThatCannotBeAcceptedIsNotListed)
{
    // One connection comes and goes first: the undefined-behaviour sanitizer checks each dynamic
    // type the first time it meets it, and needs descriptors to do so.
    Connect().Disconnect();
    ASSERT_TRUE(WaitFor([&] { return m_server.Clients().empty(); }));
    const std::size_t changes = m_clientCounts.size();

    CFsdTestPeer& peer = m_peers.emplace_back(m_port); // takes its descriptor now
    qstest::CDescriptorLimit limit;
    ASSERT_TRUE(limit.Tighten());
    Settle(300);
    const bool unlisted = m_server.Clients().empty();
    ASSERT_TRUE(limit.Restore());
    EXPECT_TRUE(unlisted);
    EXPECT_EQ(m_clientCounts.size(), changes) << "the count was told for a failed accept";
    ASSERT_TRUE(WaitFor([&] { return m_server.Clients().size() == 1; }));
    peer.Write("#AAABC:SERVER\r\n");
    EXPECT_TRUE(Receives(peer, "Hello"));
}
#endif

TEST_F(FsdServerTest, ListeningFailureIsShownAndTheWindowGoesOn)
{
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::LocalHost, 0));
    CRecordingControls controls;
    CQuorvexDlg dlg(controls);
    EXPECT_FALSE(dlg.OnInitDialog(holder.serverPort()));
    EXPECT_EQ(controls.MessageBoxes(),
        std::vector<std::string> {
            "Local FSD port binding failed. Clients can not connect to the proxy" });
    dlg.OnTimer(); // no clients: nothing to broadcast, nothing breaks
}

} // namespace
