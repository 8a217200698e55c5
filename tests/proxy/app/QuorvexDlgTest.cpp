// The window's buttons, message boxes, counters and replay, driven through the recording controls.
#include "platform/Clock.h"
#include "proxy/app/DialogTemplate.h"
#include "proxy/app/QuorvexStatus.h"
#include "proxy/fsd/FsdPackets.h"
#include "proxy/status/StatusRender.h"
#include "proxy/traffic/TrafficModel.h"
#include "support/EventLoop.h"
#include "support/RecordingControls.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

namespace {

constexpr std::int64_t kStart = 1'700'000'000;

// Enabled states of Connect, Disconnect, Logfile and "+10", and the Connect caption.
struct Buttons {
    bool connect, disconnect, logfile, plus10;
    std::string caption;
    bool operator==(const Buttons&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Buttons& b)
{
    return out << "{" << b.connect << b.disconnect << b.logfile << b.plus10 << " \"" << b.caption
               << "\"}";
}

class QuorvexDlgTest : public testing::Test {
protected:
    QuorvexDlgTest()
    {
        dialog::ApplyInitialStates(dialog::kMainDialog, m_controls);
        m_dlg.InsertAircraftListColumns();
    }

    Buttons State() const
    {
        return { m_controls.IsWindowEnabled(kIdConnect), m_controls.IsWindowEnabled(kIdDisconnect),
            m_controls.IsWindowEnabled(kIdLogfile), m_controls.IsWindowEnabled(kIdPlus10),
            m_controls.GetWindowText(kIdConnect) };
    }

    // A recording of `count` lines, each for an aircraft of its own, in the scratch directory.
    void WriteRecording(const std::string& name, int count)
    {
        std::string content;
        for (int i = 0; i < count; ++i) {
            char hexId[16];
            std::snprintf(hexId, sizeof hexId, "%06X", 0x400000 + i);
            content += "MSG,3,1,1," + std::string(hexId)
                + ",1,2010/02/19,x,2010/02/19,x,,35000,,,47.4,19.2,,,,,,\r\n";
        }
        m_scratch.Write(name, content);
    }

    void StartReplay(const std::string& name)
    {
        m_controls.SetWindowText(kIdEditServer, name);
        m_dlg.OnLogfileClicked();
    }

    std::int64_t Received() const { return m_dlg.m_nLinesReceived; }

    static constexpr Buttons kIdle { true, false, true, false, "Connect" };
    static constexpr Buttons kConnecting { false, true, false, false, "Connecting ..." };
    static constexpr Buttons kConnected { false, true, false, false, "Connected" };
    static constexpr Buttons kReplaying { false, true, false, true, "Connect" };

    platform::FakeClock m_clock { kStart };
    CScratchDirectory m_scratch;
    CRecordingControls m_controls;
    CBroadcastRecordingDlg m_dlg { m_controls };
};

TEST_F(QuorvexDlgTest, ButtonsFollowTheFeedThroughEveryState)
{
    EXPECT_EQ(State(), kIdle);
    QTcpServer receiver;
    ASSERT_TRUE(receiver.listen(QHostAddress::LocalHost));
    m_controls.SetWindowText(kIdEditServer, "127.0.0.1");
    m_controls.SetWindowText(kIdEditPort, std::to_string(receiver.serverPort()));
    m_dlg.OnConnectClicked();
    EXPECT_EQ(State(), kConnecting);
    EXPECT_FALSE(m_dlg.IsFeedConnected());
    ASSERT_TRUE(qstest::WaitFor([&] { return m_dlg.IsFeedConnected(); }));
    EXPECT_EQ(State(), kConnected);
    EXPECT_TRUE(m_dlg.IsFeedConnected());
    m_dlg.OnDisconnect();
    EXPECT_EQ(State(), kIdle);
    EXPECT_FALSE(m_dlg.IsFeedConnected());

    WriteRecording("feed.sbs", 30);
    StartReplay("feed.sbs");
    EXPECT_EQ(State(), kReplaying);
    EXPECT_FALSE(m_dlg.IsFeedConnected());
    m_dlg.OnDisconnect();
    EXPECT_EQ(State(), kIdle);
    EXPECT_FALSE(m_dlg.IsReplaying());
    EXPECT_TRUE(m_controls.MessageBoxes().empty());
}

TEST_F(QuorvexDlgTest, EmptyFieldsAreRefusedWithAMessage)
{
    m_dlg.OnConnectClicked(); // both empty: the server is named first
    m_controls.SetWindowText(kIdEditPort, "30003");
    m_dlg.OnConnectClicked();
    m_dlg.OnLogfileClicked();
    m_controls.SetWindowText(kIdEditServer, "receiver");
    m_controls.SetWindowText(kIdEditPort, "");
    m_dlg.OnConnectClicked();
    EXPECT_EQ(m_controls.MessageBoxes(),
        (std::vector<std::string> { "The server IP can not be empty",
            "The server IP can not be empty", "Filename can not be empty",
            "The port number can not be empty" }));
    EXPECT_EQ(State(), kIdle);
}

TEST_F(QuorvexDlgTest, FileThatCannotBeOpenedLeavesEveryButtonAlone)
{
    // An unusual state, so that any button the failure touched would show.
    for (const int id : { kIdConnect, kIdDisconnect, kIdLogfile, kIdPlus10 })
        m_controls.EnableWindow(id, id == kIdDisconnect || id == kIdPlus10);
    const Buttons before = State();
    const std::size_t logged = m_controls.log.size();
    StartReplay("no-such-recording.sbs");
    EXPECT_EQ(m_controls.MessageBoxes(), std::vector<std::string> { "File open error" });
    EXPECT_EQ(State(), before);
    EXPECT_EQ(m_controls.log.size(), logged + 1); // the file name typed, nothing else written
    EXPECT_FALSE(m_dlg.IsReplaying());
}

TEST_F(QuorvexDlgTest, ARecordingThatIsNoRegularFileIsRefusedAndChangesNothing)
{
    WriteRecording("feed.sbs", 3);
    StartReplay("feed.sbs");
    ASSERT_EQ(Received(), 3);
    ASSERT_EQ(State(), kIdle);
    std::filesystem::create_directory("recordings");
    for (const char* name : { "recordings", ".", "/dev/null" }) {
        const std::size_t boxes = m_controls.MessageBoxes().size();
        StartReplay(name);
        EXPECT_EQ(m_controls.MessageBoxes().size(), boxes + 1) << name;
        EXPECT_EQ(m_controls.MessageBoxes().back(), "File open error") << name;
        EXPECT_EQ(State(), kIdle) << name;
        EXPECT_FALSE(m_dlg.IsReplaying()) << name;
        EXPECT_EQ(Received(), 3) << name; // the counters are kept
        EXPECT_EQ(m_dlg.m_nLinesAccepted, 3) << name;
    }
}

TEST_F(QuorvexDlgTest, ReplayFeedsTwentyLinesATickAndRestoresTheButtonsAtTheEnd)
{
    WriteRecording("feed.sbs", 45);
    StartReplay("feed.sbs");
    EXPECT_EQ(Received(), 20);
    EXPECT_EQ(State(), kReplaying);
    m_dlg.OnTimer();
    EXPECT_EQ(Received(), 40);
    EXPECT_EQ(State(), kReplaying);
    const std::size_t logged = m_controls.log.size();
    m_dlg.OnTimer();
    EXPECT_EQ(Received(), 45);
    EXPECT_EQ(m_dlg.m_nLinesAccepted, 45);
    EXPECT_EQ(m_dlg.Traffic().m_aircraftMap.size(), 45u);
    EXPECT_EQ(m_controls.GetWindowText(kIdLineCount), "45 / 45");
    EXPECT_EQ(State(), kIdle);
    EXPECT_FALSE(m_dlg.IsReplaying());
    // The end of the file writes no caption and tells no client.
    EXPECT_EQ(
        std::count_if(m_controls.log.begin() + static_cast<long>(logged), m_controls.log.end(),
            [](const std::string& entry) { return entry.rfind("text 1001 ", 0) == 0; }),
        0);
    EXPECT_TRUE(m_dlg.packets.empty());
    m_dlg.OnTimer();
    EXPECT_EQ(Received(), 45);
}

TEST_F(QuorvexDlgTest, EveryPlusTenPressFeedsTwentyLines)
{
    WriteRecording("feed.sbs", 100);
    StartReplay("feed.sbs");
    m_dlg.ReplayNextLines();
    m_dlg.ReplayNextLines();
    EXPECT_EQ(Received(), 60);
    m_dlg.OnTimer();
    EXPECT_EQ(Received(), 80);
}

TEST_F(QuorvexDlgTest, LongRecordedLinesArriveInPiecesOf255Bytes)
{
    // 600 bytes and a line feed: pieces of 255, 255 and 91 bytes, each a line of its own.
    const std::string line
        = "MSG,3,1,1,ABCDEF,1,2010/02/19,x,2010/02/19,x,,35000" + std::string(549, ',');
    m_scratch.Write("long.sbs", line + "\n");
    StartReplay("long.sbs");
    EXPECT_EQ(Received(), 3);
    EXPECT_EQ(m_dlg.m_nLinesAccepted, 1); // only the first piece holds a hex id
    EXPECT_EQ(State(), kIdle); // three pieces, then the end of the file
}

TEST_F(QuorvexDlgTest, CountersRestartAtConnectAndLogfileButKeepTheirTextUntilTheNextLine)
{
    WriteRecording("feed.sbs", 45);
    StartReplay("feed.sbs");
    m_dlg.OnTimer();
    m_dlg.OnTimer();
    ASSERT_EQ(m_controls.GetWindowText(kIdLineCount), "45 / 45");

    m_controls.SetWindowText(kIdEditServer, "127.0.0.1");
    m_controls.SetWindowText(kIdEditPort, "1");
    m_dlg.OnConnectClicked(); // no event loop runs here: the attempt stays pending
    EXPECT_EQ(Received(), 0);
    EXPECT_EQ(m_dlg.m_nLinesAccepted, 0);
    EXPECT_EQ(m_controls.GetWindowText(kIdLineCount), "45 / 45");
    m_dlg.Feed("MSG,3,1,1,ABCDEF,1,2010/02/19,x,2010/02/19,x,,35000,,,47.4,19.2,,,,,,\n");
    EXPECT_EQ(m_controls.GetWindowText(kIdLineCount), "1 / 1");
    m_dlg.OnDisconnect();

    StartReplay("feed.sbs");
    EXPECT_EQ(m_controls.GetWindowText(kIdLineCount), "20 / 20");
    m_dlg.Feed("junk\n");
    EXPECT_EQ(m_controls.GetWindowText(kIdLineCount), "21 / 20");
    m_dlg.OnDisconnect();
    EXPECT_EQ(m_controls.GetWindowText(kIdLineCount), "21 / 20"); // kept after a disconnect
}

} // namespace

namespace {

// With receivers anywhere, the status page shows an aircraft where the radar clients are sent it,
// also over the pole, where only that rule's dead reckoning keeps the latitude on the globe.
TEST_F(QuorvexDlgTest, StatusPageShowsTheDeadReckonedPositionTheClientsAreSent)
{
    m_dlg.Traffic().m_positionRules.anywhere = true;
    m_dlg.Feed("MSG,3,1,1,C80001,1,2010/02/19,x,2010/02/19,x,,36000,450,0,89.98,20.0,,,,,,\n");
    m_clock.Advance(60);
    status::CLineRate rate;
    const status::CStatusSnapshot snapshot = TakeStatusSnapshot(m_dlg, m_controls, rate);
    ASSERT_EQ(snapshot.aircraft.size(), 1u);
    const status::CAircraftStatus& shown = snapshot.aircraft[0];
    ASSERT_TRUE(shown.deadReckoned && shown.shownToClients);

    const CTrafficModel& traffic = m_dlg.Traffic();
    const std::string packet = ComposePilotPosition(
        *m_dlg.Aircraft("C80001"), m_clock.Now(), traffic.Reference(), PositionRange::Anywhere);
    double latitude = 0.0;
    double longitude = 0.0;
    ASSERT_EQ(std::sscanf(packet.c_str(), "@N:C80001::1:%lf:%lf", &latitude, &longitude), 2)
        << packet;
    EXPECT_EQ(latitude, 90.0) << packet; // not beyond the pole
    EXPECT_NEAR(shown.clientLatitude, latitude, 1e-5);
    EXPECT_NEAR(shown.clientLongitude, longitude, 1e-5);
}

} // namespace

namespace {

// A callsign with markup characters, from a feed line, reaches the page's JSON as the text it is;
// the page shows JSON texts as text (the browser test).
TEST_F(QuorvexDlgTest, MarkupInAFeedCallsignReachesThePageAsText)
{
    m_dlg.Feed("MSG,1,1,1,4CA2D6,1,2010/02/19,x,2010/02/19,x,<b>&\"x',,,,,,,,,,,0\n");
    status::CLineRate rate;
    const std::string json
        = status::RenderAircraftJson(TakeStatusSnapshot(m_dlg, m_controls, rate));
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json));
    ASSERT_TRUE(document.isObject()) << json;
    const QJsonArray aircraft = document.object()["aircraft"].toArray();
    ASSERT_EQ(aircraft.size(), 1);
    EXPECT_EQ(aircraft[0].toObject()["callsign"].toString(), "<b>&\"x'");
}

} // namespace
