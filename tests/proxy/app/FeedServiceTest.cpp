// The feed as a service: retries after a loss, the silence limit, receivers anywhere, the paced
// replay and the lookup files read again, over real loopback sockets with radar clients.
#include "fsd/FsdServerFixture.h"
#include "proxy/traffic/Geo.h"

#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using qstest::WaitFor;

const std::string kSorry = "#TMserver:APP:Sorry, but SBS data feed is disconnetced\r\n";
const std::string kBeHappy = "#TMserver:APP:Be happy, the SBS data feed is connetced!!!\r\n";
constexpr const char* kLine = "MSG,3,1,1,4CA2D6,1,2010/02/19,18:06:07.710,2010/02/19,18:06:07.710,,"
                              "36000,,,52.36210,13.50070,,,0,0,0,0\r\n";

class FeedServiceTest : public CWindowFixture {
protected:
    void ConnectTo(unsigned port)
    {
        m_controls.SetWindowText(kIdEditServer, "127.0.0.1");
        m_controls.SetWindowText(kIdEditPort, std::to_string(port));
        m_dlg.OnConnectClicked();
    }

    std::unique_ptr<QTcpSocket> AcceptFeed(QTcpServer& receiver)
    {
        EXPECT_TRUE(WaitFor([&] { return receiver.hasPendingConnections(); }));
        std::unique_ptr<QTcpSocket> feed(receiver.nextPendingConnection());
        if (feed)
            feed->setParent(nullptr);
        EXPECT_TRUE(WaitFor([&] { return m_dlg.IsFeedConnected(); }));
        return feed;
    }

    static void Send(QTcpSocket& feed, const char* bytes)
    {
        feed.write(bytes);
        feed.flush();
        EXPECT_TRUE(WaitFor([&] { return feed.bytesToWrite() == 0; }));
    }

    std::string Caption() const { return m_controls.GetWindowText(kIdConnect); }
};

TEST_F(FeedServiceTest, FeedDyingMidLineComesBackEachTimeWithOneLossAndOneReturnText)
{
    m_dlg.m_feedOptions.reconnectMaxSeconds = 2;
    QTcpServer receiver;
    ASSERT_TRUE(receiver.listen(QHostAddress::LocalHost));
    CFsdTestPeer& app = Login("APP");
    CTextLog log;
    m_dlg.m_pEventLog = &log;
    ConnectTo(receiver.serverPort());
    for (int round = 0; round < 20; ++round) {
        std::unique_ptr<QTcpSocket> feed = AcceptFeed(receiver);
        ASSERT_TRUE(feed) << round;
        Send(*feed, "MSG,3,1,1,4CA2D6,1,2010/02/19,18:06:07.710,2010/02/19,18:0");
        if (round == 0)
            m_clock.Advance(10);
        feed->disconnectFromHost();
        ASSERT_TRUE(WaitFor([&] { return Caption() == "retrying in 1 s"; })) << round;
        Sync();
        EXPECT_EQ(Drain(app), kBeHappy + kSorry) << round;
        m_clock.Advance(1);
        m_dlg.OnServiceTick();
        EXPECT_EQ(Caption(), "Connecting ...");
    }
    // The half line of the last connection does not prefix the first line of the next.
    std::unique_ptr<QTcpSocket> feed = AcceptFeed(receiver);
    ASSERT_TRUE(feed);
    Send(*feed, kLine);
    ASSERT_TRUE(WaitFor([&] { return m_dlg.m_nLinesReceived == 1; }));
    EXPECT_EQ(m_dlg.m_nLinesAccepted, 1);
    EXPECT_EQ(m_controls.GetWindowText(kIdLastLine), kLine);
    EXPECT_EQ(Caption(), "Connected");
    // Every loss and every return is a line; the retries are not.
    const std::string at = "127.0.0.1 port " + std::to_string(receiver.serverPort());
    ASSERT_EQ(log.texts.size(), 1u + 2 * 20 + 1);
    EXPECT_EQ(log.texts[0], "feed: connecting to " + at);
    EXPECT_EQ(log.texts[1], "feed: connected to " + at);
    EXPECT_EQ(log.texts[2],
        "feed: " + at + " lost after 10 s up: closed by the receiver; retrying in 1 s");
    EXPECT_EQ(log.texts[3], "feed: connected to " + at + ", again after 1 s without it");
}

TEST_F(FeedServiceTest, RefusedFeedIsToldOnceWhileTheWaitDoublesUpToTheLimit)
{
    m_dlg.m_feedOptions.reconnectMaxSeconds = 2;
    unsigned closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
        closedPort = probe.serverPort();
    }
    CTextLog log;
    std::vector<std::string>& events = log.texts;
    m_dlg.m_pEventLog = &log;
    CFsdTestPeer& app = Login("APP");
    ConnectTo(closedPort);
    for (const char* wait : { "retrying in 1 s", "retrying in 2 s", "retrying in 2 s" }) {
        ASSERT_TRUE(WaitFor([&] { return Caption() == wait; })) << wait << " " << Caption();
        EXPECT_FALSE(m_controls.IsWindowEnabled(kIdConnect));
        EXPECT_TRUE(m_controls.IsWindowEnabled(kIdDisconnect));
        m_clock.Advance(1);
        m_dlg.OnServiceTick();
        if (Caption() != "Connecting ...") {
            EXPECT_EQ(Caption(), "retrying in 1 s");
            m_clock.Advance(1);
            m_dlg.OnServiceTick();
        }
    }
    ASSERT_TRUE(WaitFor([&] { return Caption() == "retrying in 2 s"; }));
    m_dlg.OnDisconnect(); // the retries stop; the loss was told already
    EXPECT_EQ(Caption(), "Connect");
    Sync();
    EXPECT_EQ(Drain(app), kSorry);
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0], "feed: connecting to 127.0.0.1 port " + std::to_string(closedPort));
    EXPECT_EQ(events[1],
        "feed: 127.0.0.1 port " + std::to_string(closedPort)
            + ": cannot connect: refused; retrying in 1 s");
    EXPECT_EQ(std::count_if(events.begin(), events.end(),
                  [](const std::string& e) { return e.starts_with("feed: connecting"); }),
        1);
}

TEST_F(FeedServiceTest, SilentFeedIsDroppedAfterTheTimeout)
{
    m_dlg.m_feedOptions.feedTimeoutSeconds = 10;
    QTcpServer receiver;
    ASSERT_TRUE(receiver.listen(QHostAddress::LocalHost));
    CFsdTestPeer& app = Login("APP");
    ConnectTo(receiver.serverPort());
    std::unique_ptr<QTcpSocket> feed = AcceptFeed(receiver);
    ASSERT_TRUE(feed);
    m_clock.Advance(9);
    m_dlg.OnServiceTick();
    Send(*feed, kLine); // a line starts the silence again
    ASSERT_TRUE(WaitFor([&] { return m_dlg.m_nLinesReceived == 1; }));
    m_clock.Advance(9);
    m_dlg.OnServiceTick();
    EXPECT_TRUE(m_dlg.IsFeedConnected());
    m_clock.Advance(1);
    m_dlg.OnServiceTick();
    EXPECT_FALSE(m_dlg.IsFeedConnected());
    EXPECT_EQ(Caption(), "Connect");
    Sync();
    EXPECT_EQ(Drain(app), kBeHappy + kSorry);
}

// A port that sends nothing (a web server's waits to be asked) is explained once a connection,
// and a feed that has sent anything is not.
TEST_F(FeedServiceTest, FeedSilentSinceItConnectedIsExplainedOnce)
{
    CTextLog log;
    m_dlg.m_pEventLog = &log;
    QTcpServer receiver;
    ASSERT_TRUE(receiver.listen(QHostAddress::LocalHost));
    const auto told = [&] {
        return std::count_if(log.texts.begin(), log.texts.end(), [](const std::string& text) {
            return text.find("nothing received in the") != std::string::npos;
        });
    };
    ConnectTo(receiver.serverPort());
    std::unique_ptr<QTcpSocket> quiet = AcceptFeed(receiver);
    m_clock.Advance(CSbsFeed::kQuietWarningSeconds - 1);
    m_dlg.OnServiceTick();
    EXPECT_EQ(told(), 0);
    m_clock.Advance(1);
    m_dlg.OnServiceTick();
    m_clock.Advance(60);
    m_dlg.OnServiceTick();
    ASSERT_EQ(told(), 1);
    EXPECT_EQ(log.texts.back(),
        "feed: 127.0.0.1 port " + std::to_string(receiver.serverPort()) + ": "
            + QuietFeedWarning(CSbsFeed::kQuietWarningSeconds));
    EXPECT_TRUE(m_dlg.IsFeedConnected()) << "only explained: without a silence limit it stays";

    m_dlg.OnDisconnect();
    ConnectTo(receiver.serverPort());
    std::unique_ptr<QTcpSocket> talking = AcceptFeed(receiver);
    Send(*talking, kLine);
    ASSERT_TRUE(WaitFor([&] { return m_dlg.m_nLinesReceived == 1; }));
    m_clock.Advance(2 * CSbsFeed::kQuietWarningSeconds);
    m_dlg.OnServiceTick();
    EXPECT_EQ(told(), 1);
    m_dlg.m_pEventLog = nullptr;
}

struct Place {
    const char* hexId;
    double latitude;
    double longitude;
};

// Each place is the first position of a run of its own, which makes it the reference point.
class FeedServicePlaceTest : public FeedServiceTest, public testing::WithParamInterface<Place> { };

TEST_P(FeedServicePlaceTest, PositionsInEveryQuadrantReachAClientDeadReckoned)
{
    const Place& place = GetParam();
    m_dlg.Traffic().m_positionRules.anywhere = true;
    m_dlg.Traffic().m_positionRules.receiverSet = true;
    m_dlg.Traffic().m_positionRules.maxRangeNm = 250.0;
    CFsdTestPeer& app = Login("APP");
    {
        m_dlg.Traffic().m_positionRules.receiverLatitude = place.latitude;
        m_dlg.Traffic().m_positionRules.receiverLongitude = place.longitude + 0.5;
        char line[200];
        std::snprintf(line, sizeof line,
            "MSG,3,1,1,%s,1,2010/02/19,18:06:07.710,2010/02/19,18:06:07.710,,36000,450,90,%.5f,"
            "%.5f,,,0,0,0,0\n",
            place.hexId, place.latitude, place.longitude);
        m_dlg.HandleFeedLine(line);
        // A decode on the other side of the earth, beyond the receiver's range.
        std::snprintf(line, sizeof line,
            "MSG,3,1,1,FFFFFF,1,2010/02/19,18:06:07.710,2010/02/19,18:06:07.710,,36000,450,90,"
            "%.5f,%.5f,,,0,0,0,0\n",
            -place.latitude, WrapLongitude(place.longitude + 180.0));
        m_dlg.HandleFeedLine(line);
        m_clock.Advance(20);
        m_dlg.OnTimer();
        Sync();
        const std::string received = Drain(app);
        double latitude = 0.0;
        double longitude = 0.0;
        const std::string head = std::string("@N:") + place.hexId + "::1:";
        ASSERT_EQ(received.rfind(head, 0), 0u) << received;
        ASSERT_EQ(std::sscanf(received.c_str() + head.size(), "%lf:%lf", &latitude, &longitude), 2)
            << received;
        EXPECT_EQ(received.find("@N:FFFFFF"), std::string::npos) << received;
        // 450 kt for 20 s at the proxy's 0.8: 2 NM east.
        const double east = 2.0 / (60.0 * std::cos(place.latitude * 3.14159265359 / 180.0));
        EXPECT_NEAR(latitude, place.latitude, 1e-5) << place.hexId;
        EXPECT_NEAR(longitude, WrapLongitude(place.longitude + east), 1e-5) << place.hexId;
        EXPECT_LE(std::fabs(longitude), 180.0);
    }
}

// London (west of Greenwich), New York, Sydney, and Fiji flying east across the antimeridian.
INSTANTIATE_TEST_SUITE_P(Quadrants, FeedServicePlaceTest,
    testing::Values(Place { "400001", 51.47, -0.45 }, Place { "A00001", 40.64, -73.78 },
        Place { "7C0001", -33.95, 151.18 }, Place { "C80001", -17.76, 179.99 }));

TEST_F(FeedServiceTest, PacedReplayFollowsTheRecordedTimes)
{
    CScratchDirectory scratch;
    scratch.Write("feed.sbs",
        "MSG,3,1,1,4CA2D6,1,2010/02/19,12:00:00.000,2010/02/19,12:00:00.000,,36000,,,,,,,0,0,0,0\n"
        "MSG,3,1,1,4CA2D6,1,2010/02/19,12:01:00.000,2010/02/19,12:01:00.000,,36100,,,,,,,0,0,0,0\n"
        "a line without a time\n"
        // Without its leading fields: accepted at the date it carries.
        "4CA2D7,1,2010/02/19,12:02:00.000,2010/02/19,12:02:00.000,,20000,,,,,,,0,0,0,0\n"
        "MSG,3,1,1,4CA2D6,1,2010/02/19,12:05:00.000,2010/02/"
        "19,12:05:00.000,,36500,,,,,,,0,0,0,0\n");
    m_dlg.m_feedOptions.replaySpeed = 60.0;
    m_dlg.m_feedOptions.replayDateRecorded = true;
    m_controls.SetWindowText(kIdEditServer, "feed.sbs");
    m_dlg.OnLogfileClicked();
    EXPECT_EQ(m_dlg.m_nLinesReceived, 1);
    m_clock.Advance(1); // a recorded minute
    m_dlg.OnServiceTick();
    EXPECT_EQ(m_dlg.m_nLinesReceived, 2);
    m_clock.Advance(1);
    m_dlg.OnServiceTick(); // the line without a time waits for the timer's step
    EXPECT_EQ(m_dlg.m_nLinesReceived, 2);
    m_dlg.OnTimer();
    EXPECT_EQ(m_dlg.m_nLinesReceived, 4);
    EXPECT_EQ(m_dlg.m_nLinesAccepted, 3);
    ASSERT_NE(m_dlg.Traffic().m_aircraftMap.Find("4CA2D7"), nullptr);
    m_clock.Advance(2);
    m_dlg.OnServiceTick();
    EXPECT_EQ(m_dlg.m_nLinesReceived, 4);
    m_clock.Advance(1); // five recorded minutes after the first line
    m_dlg.OnServiceTick();
    EXPECT_EQ(m_dlg.m_nLinesReceived, 5);
    ASSERT_NE(m_dlg.Traffic().m_aircraftMap.Find("4CA2D6"), nullptr);
    EXPECT_EQ(m_dlg.Traffic().m_aircraftMap.Find("4CA2D6")->altitude, 36500);
    EXPECT_FALSE(m_dlg.IsReplaying());
}

TEST_F(FeedServiceTest, ReloadTakesChangedFilesAndKeepsUnreadableOnes)
{
    CScratchDirectory scratch;
    scratch.Write(kIcao24File, "4CA2D6\tEI-ABC\n");
    scratch.Write(kAircraftsFile, "EI-ABC\tShamrock\tA320\n");
    m_dlg.LoadLookupFiles();
    m_dlg.HandleFeedLine(std::string(kLine).data());
    CTextLog log;
    std::vector<std::string>& events = log.texts;
    m_dlg.m_pEventLog = &log;

    scratch.Write(kIcao24File, "4CA2D6\tEI-NEW\nno tab here\n4CA2D7\tEI-XYZ\n");
    std::filesystem::remove(kAircraftsFile);
    std::filesystem::create_directory(kAircraftsFile); // opens, but cannot be read
    m_dlg.ReloadLookupFiles();
    EXPECT_EQ(events,
        (std::vector<std::string> { "icao24.txt: 2 rows, 1 lines skipped",
            "aircrafts.txt: cannot be read, keeping its 1 rows",
            "flightplans.txt: cannot be read, keeping its 0 rows" }));
    ASSERT_NE(m_dlg.Traffic().m_aircraftMap.Find("4CA2D6"), nullptr);
    EXPECT_EQ(m_dlg.Traffic().m_aircraftMap.Find("4CA2D6")->registration, "EI-ABC");
    ASSERT_EQ(m_dlg.Traffic().m_aircraftsTable.GetSize(), 1);
    m_dlg.HandleFeedLine(std::string(kLine).replace(10, 6, "4CA2D7").data());
    ASSERT_NE(m_dlg.Traffic().m_aircraftMap.Find("4CA2D7"), nullptr);
    EXPECT_EQ(m_dlg.Traffic().m_aircraftMap.Find("4CA2D7")->registration, "EI-XYZ");
}

} // namespace

namespace {

// Three receivers merged, one of them serving Beast binary: one table, each feed counted on its
// own, the Beast one named once, and the radar clients told when the first feed comes and when the
// last one goes.
TEST_F(FeedServiceTest, SeveralFeedsGoIntoOneTableAndAreToldAsOne)
{
    QTcpServer receivers[3];
    for (QTcpServer& receiver : receivers)
        ASSERT_TRUE(receiver.listen(QHostAddress::LocalHost));
    for (int i = 1; i < 3; ++i)
        m_dlg.m_extraFeeds.push_back({ "127.0.0.1", receivers[i].serverPort() });
    CTextLog log;
    m_dlg.m_pEventLog = &log;
    CFsdTestPeer& app = Login("APP");
    ConnectTo(receivers[0].serverPort());
    std::unique_ptr<QTcpSocket> feeds[3];
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(WaitFor([&] { return receivers[i].hasPendingConnections(); })) << i;
        feeds[i].reset(receivers[i].nextPendingConnection());
        feeds[i]->setParent(nullptr);
    }
    ASSERT_TRUE(WaitFor([&] {
        return std::all_of(m_dlg.Feeds().begin(), m_dlg.Feeds().end(),
            [](const auto& feed) { return feed->IsConnected(); });
    }));
    Send(*feeds[0], kLine);
    Send(*feeds[1],
        "MSG,3,1,1,3C6586,1,2010/02/19,18:06:07.710,2010/02/19,18:06:07.710,,35000,,,52.5,13.25,"
        ",,0,0,0,0\r\n");
    // Two Beast frames, NUL bytes and all.
    const std::string beast("\x1a"
                            "2\x00\x01\x02\x03\x04\x05\x06\x8d\x4c\xa2\xd6\n",
        15);
    feeds[2]->write((beast + beast).data(), 30);
    feeds[2]->flush();
    ASSERT_TRUE(WaitFor([&] { return m_dlg.m_nLinesAccepted == 2; }));
    ASSERT_TRUE(WaitFor([&] { return m_dlg.Feeds()[2]->Format() == FeedFormat::Beast; }));
    EXPECT_EQ(m_dlg.Traffic().Size(), 2u);
    EXPECT_EQ(m_dlg.Feeds()[0]->m_nLinesAccepted, 1);
    EXPECT_EQ(m_dlg.Feeds()[1]->m_nLinesAccepted, 1);
    EXPECT_EQ(m_dlg.Feeds()[2]->m_nLinesAccepted, 0);
    EXPECT_EQ(std::count_if(log.texts.begin(), log.texts.end(),
                  [](const std::string& text) { return text.find("Beast") != std::string::npos; }),
        1);

    // The feeds go one after the other: only the last one's end is told.
    for (int i = 0; i < 3; ++i) {
        feeds[i]->disconnectFromHost();
        ASSERT_TRUE(WaitFor([&] { return !m_dlg.Feeds()[i]->IsConnected(); })) << i;
        EXPECT_EQ(m_dlg.IsFeedConnected(), i < 2) << i;
    }
    EXPECT_EQ(Caption(), "Connect");
    Sync();
    EXPECT_EQ(Drain(app), kBeHappy + kSorry);
}

} // namespace
