// The status page in a real browser: headless Chromium loads it from the server, fed with a
// snapshot that changes while the page runs, and the rendered DOM must show the aircraft rows
// and the plot's dots of a later snapshot than the first. Writes the page's picture as well.
#include "FakeSnapshot.h"
#include "proxy/status/StatusServer.h"
#include "support/EventLoop.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

using qstest::WaitFor;

class StatusPageBrowserTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_chromium = QStandardPaths::findExecutable("chromium");
        if (m_chromium.isEmpty())
            GTEST_SKIP() << "chromium is not installed (scripts/setup.sh installs it)";
        ASSERT_TRUE(m_profile.isValid());
        m_server = std::make_unique<status::CStatusServer>(
            [this] {
                ++m_nSnapshots;
                return statustest::FakeSnapshot(20 + m_nSnapshots, m_nSnapshots * 20);
            },
            [](const QHostAddress& peer) { return peer.isLoopback(); });
        QString error;
        m_nPort = m_server->Listen(QHostAddress::LocalHost, 0, error);
        ASSERT_NE(m_nPort, 0) << error.toStdString();
    }

    // Runs Chromium on the page with `extra` arguments, serving it meanwhile; returns its output.
    QByteArray RunChromium(const QStringList& extra)
    {
        QProcess chromium;
        chromium.setProcessChannelMode(QProcess::SeparateChannels);
        QStringList arguments { "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
            "--no-first-run", "--disable-background-networking", "--disable-component-update",
            "--disable-sync", "--hide-scrollbars",
            "--user-data-dir=" + m_profile.filePath("profile") };
        arguments << extra << QString("http://127.0.0.1:%1/").arg(m_nPort);
        chromium.start(m_chromium, arguments);
        EXPECT_TRUE(chromium.waitForStarted(10000));
        QByteArray output;
        const bool ended = WaitFor(
            [&] {
                output += chromium.readAllStandardOutput();
                return chromium.state() == QProcess::NotRunning;
            },
            120000);
        if (!ended) {
            chromium.kill();
            chromium.waitForFinished(5000);
        }
        EXPECT_TRUE(ended) << "chromium did not finish";
        output += chromium.readAllStandardOutput();
        return output;
    }

    static int Count(const QByteArray& dom, const QString& pattern)
    {
        int count = 0;
        for (auto it = QRegularExpression(pattern).globalMatch(QString::fromUtf8(dom));
             it.hasNext(); it.next())
            ++count;
        return count;
    }

    QString m_chromium;
    QTemporaryDir m_profile;
    std::unique_ptr<status::CStatusServer> m_server;
    quint16 m_nPort = 0;
    int m_nSnapshots = 0;
};

TEST_F(StatusPageBrowserTest, RowsAndDotsAppearAndUpdate)
{
    // A new snapshot for every poll, whatever second it is.
    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, [this] { m_server->Invalidate(); });
    refresh.start(20);
    QByteArray dom = RunChromium({ "--virtual-time-budget=6000", "--dump-dom" });
    // What the page rendered, without the script that renders it.
    const qsizetype script = dom.indexOf("<script>");
    dom.remove(script, dom.indexOf("</script>") + 9 - script);
    refresh.stop();
    ASSERT_TRUE(dom.contains("id=\"aircraft-rows\"")) << dom.left(300).constData();

    const QRegularExpressionMatch polls
        = QRegularExpression("data-polls=\"(\\d+)\"").match(QString::fromUtf8(dom));
    ASSERT_TRUE(polls.hasMatch()) << "the page never showed data";
    EXPECT_GE(polls.captured(1).toInt(), 2) << "the page did not poll again";

    // The rows are those of one snapshot later than the first: 20 + n aircraft, n > 1.
    const int rows = Count(dom, "<tr data-hex=\"4[0-9A-F]{5}\">");
    EXPECT_GT(rows, 21);
    EXPECT_LE(rows, 20 + m_nSnapshots);
    const status::CStatusSnapshot shown = statustest::FakeSnapshot(rows);
    int withPosition = 0;
    int deadReckoned = 0;
    for (const status::CAircraftStatus& a : shown.aircraft) {
        withPosition += a.shownToClients ? 1 : 0;
        deadReckoned += a.shownToClients && a.deadReckoned ? 1 : 0;
    }
    EXPECT_EQ(Count(dom, "<g class=\"dot\" data-hex="), withPosition);
    EXPECT_EQ(Count(dom, "<circle class=\"ac dr\""), deadReckoned);
    EXPECT_EQ(Count(dom, "<circle class=\"ring\""), Count(dom, "class=\"ring-label\""));
    EXPECT_GE(Count(dom, "<circle class=\"ring\""), 2);
    EXPECT_TRUE(dom.contains(">BAW101</text>")) << "the dots carry the names clients see";
    EXPECT_TRUE(dom.contains(">EGLL_TWR</td>"));
    EXPECT_TRUE(dom.contains("not logged in"));
    EXPECT_TRUE(dom.contains("class=\"state connected\""));
    // Aircraft whose positions were all ignored say so; the count names what takes them.
    EXPECT_EQ(Count(dom, "<td>positions ignored</td>"), rows - withPosition);
    EXPECT_TRUE(
        dom.contains("positions ignored: 37 outside north of 10\u00b0 N and east of "
                     "10\u00b0 E (--positions anywhere takes them), 2 beyond --max-range<"));
    EXPECT_TRUE(dom.contains(">BaseStation (SBS)</dd>"));
}

// The picture of the page for the README (docs/status-page.png is a copy of it).
TEST_F(StatusPageBrowserTest, WritesAPictureOfThePage)
{
    const QString picture = QS_BINARY_DIR "/status-page.png";
    QFile::remove(picture);
    RunChromium(
        { "--virtual-time-budget=3000", "--window-size=1280,1100", "--screenshot=" + picture });
    EXPECT_GT(QFileInfo(picture).size(), 20000) << picture.toStdString();
}

} // namespace
