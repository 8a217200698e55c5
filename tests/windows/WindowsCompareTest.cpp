// The Windows programs against the Linux ones, byte for byte: quorvex.exe under Wine sends a radar
// client what the Linux quorvex sends for the same replay on the same fake clock, veltrix-host.exe
// with stavo.dll draws the board the Linux host draws, and bad input gives the same messages and
// exit statuses. Built with the Linux build, run by scripts/test-windows.sh inside the private
// network of its Wine server (QS_WINDOWS_BUILD names the Windows build).
#include "proxy/fsd/FsdTestPeer.h"
#include "support/EventLoop.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <memory>
#include <signal.h>
#include <string>
#include <vector>

namespace {

using qstest::WaitFor;

constexpr const char* kClock = "1767225600";

QString WindowsBuild()
{
    const QByteArray dir = qgetenv("QS_WINDOWS_BUILD");
    return dir.isEmpty() ? QStringLiteral(QS_SOURCE_DIR "/build-windows")
                         : QString::fromLocal8Bit(dir);
}

// One of the two builds: how to start its programs.
struct Build {
    const char* name;
    bool windows;

    void Start(QProcess& process, const QString& program, const QStringList& arguments) const
    {
        if (windows) {
            process.start(QS_SOURCE_DIR "/tests/support/wine-run.sh",
                QStringList { WindowsBuild() + "/bin/" + program + ".exe" } + arguments);
        } else {
            process.start(QS_BINARY_DIR "/bin/" + program, arguments);
        }
    }

    // A library of the build's own, by its target name.
    QString Library(const QString& target) const
    {
        return windows ? WindowsBuild() + "/bin/lib" + target + ".dll"
                       : QS_BINARY_DIR "/lib/lib" + target + ".so";
    }
};

const Build kLinux { "Linux", false };
const Build kWindows { "Windows", true };

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

Result Finish(QProcess& process, int timeoutMs = 60000)
{
    Result result;
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
}

Result RunProgram(const Build& build, const QString& program, const QStringList& arguments,
    const QString& directory)
{
    QProcess process;
    process.setWorkingDirectory(directory);
    build.Start(process, program, arguments);
    if (!process.waitForStarted(20000))
        return {};
    process.closeWriteChannel();
    return Finish(process);
}

class WindowsCompareTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!QFile::exists(WindowsBuild() + "/bin/quorvex.exe"))
            GTEST_SKIP() << "no Windows build in " << WindowsBuild().toStdString();
        ASSERT_TRUE(m_dir.isValid());
        for (const char* name :
            { "icao24.txt", "aircrafts.txt", "flightplans.txt", "feed-lhbp.sbs" }) {
            ASSERT_TRUE(
                QFile::copy(QString(QS_SOURCE_DIR "/samples/") + name, m_dir.filePath(name)));
        }
    }

    QTemporaryDir m_dir;
};

// What the radar clients of one run heard, in the order of the ticks.
struct Heard {
    std::vector<std::string> clients;
    std::string status; // the status lines of standard output
    int exitCode = -1;
};

// One run of quorvex replaying the sample feed on the fake clock, two radar clients logged in
// before the first tick; it runs `ticks` ticks and is then asked to end (SIGTERM on Linux, SIGINT
// to Wine, which hands it to the program as Ctrl+C).
Heard Serve(const Build& build, const QString& directory, int ticks)
{
    Heard heard;
    QProcess quorvex;
    quorvex.setWorkingDirectory(directory);
    build.Start(quorvex, "quorvex",
        { "--headless", "--replay", "feed-lhbp.sbs", "--replay-date", "recorded", "--clock",
            kClock });
    if (!quorvex.waitForStarted(20000))
        return heard;
    std::vector<std::unique_ptr<CFsdTestPeer>> clients;
    for (const char* login : { "#AAONE:SERVER:First Client:1234567:3:100\r\n",
             "#AATWO:SERVER:Second Client:7654321:5:100\r\n" }) {
        std::unique_ptr<CFsdTestPeer> client;
        WaitFor(
            [&] {
                client = std::make_unique<CFsdTestPeer>(6809);
                client->Write(login);
                return WaitFor([&] { return client->IsConnected(); }, 200);
            },
            20000);
        // Logged in before the next client comes: the order of the logins is then the same in
        // both runs.
        WaitFor([&] { return client->received.find("Hello") != std::string::npos; }, 20000);
        clients.push_back(std::move(client));
    }
    // A flight plan asked for by the first client, answered at once.
    clients[0]->Write("$CQONE:SERVER:FP:WZZ3017\r\n");
    // The status line comes once a tick: the run is over after `ticks` of them.
    QByteArray status;
    WaitFor(
        [&] {
            status += quorvex.readAllStandardOutput();
            return status.count('\n') >= ticks;
        },
        (ticks + 2) * 5000);
    qstest::Settle(1500); // the last tick's packets arrive
    ::kill(static_cast<pid_t>(quorvex.processId()), build.windows ? SIGINT : SIGTERM);
    const Result end = Finish(quorvex, 20000);
    heard.exitCode = end.exitCode;
    heard.status = (status + QByteArray::fromStdString(end.out)).toStdString();
    for (const auto& client : clients)
        heard.clients.push_back(client->received);
    return heard;
}

// The first `lines` lines of a text.
std::string FirstLines(const std::string& text, int lines)
{
    std::size_t at = 0;
    for (int i = 0; i < lines && at != std::string::npos; ++i)
        at = text.find('\n', at == 0 ? 0 : at + 1);
    return at == std::string::npos ? text : text.substr(0, at + 1);
}

TEST_F(WindowsCompareTest, QuorvexSendsTheRadarClientsTheSameBytes)
{
    constexpr int kTicks = 4;
    const Heard linux = Serve(kLinux, m_dir.path(), kTicks);
    const Heard windows = Serve(kWindows, m_dir.path(), kTicks);
    EXPECT_EQ(linux.exitCode, 0);
    EXPECT_EQ(windows.exitCode, 0) << "Ctrl+C did not end quorvex.exe in order";
    ASSERT_EQ(linux.clients.size(), 2u);
    ASSERT_EQ(windows.clients.size(), 2u);
    std::size_t bytes = 0, packets = 0;
    for (std::size_t i = 0; i < 2; ++i) {
        // What both heard up to the end of the shorter run: a run may hear one more tick.
        const std::string& a = linux.clients[i];
        const std::string& b = windows.clients[i];
        ASSERT_GT(a.size(), 0u);
        const std::size_t common = std::min(a.size(), b.size());
        EXPECT_GT(common, a.size() / 2) << "the Windows client heard too little";
        EXPECT_EQ(a.substr(0, common), b.substr(0, common)) << "client " << i;
        bytes += common;
        for (std::size_t at = a.find("\r\n"); at < common; at = a.find("\r\n", at + 2))
            ++packets;
        EXPECT_NE(a.find("\r\n@"), std::string::npos) << "no position packets: " << a;
    }
    EXPECT_EQ(FirstLines(linux.status, kTicks), FirstLines(windows.status, kTicks));
    std::printf(
        "compared %zu bytes in %zu packets to 2 clients over %d ticks\n", bytes, packets, kTicks);
}

// The sample script's board, dumped and drawn: the dump is the same text, and the pictures are
// compared pixel by pixel (fonts are the same files, Liberation Sans; the rasterizer may differ).
TEST_F(WindowsCompareTest, TheHostDrawsTheSameBoard)
{
    Result results[2];
    QImage pictures[2];
    for (const Build* build : { &kLinux, &kWindows }) {
        const int i = build->windows ? 1 : 0;
        const QString picture = m_dir.filePath(QString("board-%1.png").arg(build->name));
        results[i] = RunProgram(*build, "veltrix-host",
            { "--headless", "--dump", "--clock", kClock, "--display",
                QS_SOURCE_DIR "/samples/lhbp.asr", "--airports",
                QS_SOURCE_DIR "/samples/airports.txt", "--script",
                QS_SOURCE_DIR "/samples/lhbp-demo.script", "--snapshot", picture },
            m_dir.path());
        pictures[i] = QImage(picture);
    }
    EXPECT_EQ(results[0].exitCode, 0) << results[0].err;
    EXPECT_EQ(results[1].exitCode, 0) << results[1].err;
    ASSERT_GT(results[0].out.size(), 0u);
    EXPECT_EQ(results[0].out, results[1].out);
    EXPECT_EQ(results[0].err, results[1].err);
    ASSERT_FALSE(pictures[0].isNull());
    ASSERT_EQ(pictures[0].size(), pictures[1].size());
    const QImage a = pictures[0].convertToFormat(QImage::Format_RGB32);
    const QImage b = pictures[1].convertToFormat(QImage::Format_RGB32);
    long differing = 0;
    QRect where;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                ++differing;
                where |= QRect(x, y, 1, 1);
            }
        }
    }
    long lines = 0;
    for (char c : results[0].out)
        lines += c == '\n' ? 1 : 0;
    std::printf("dump: %ld lines, the same; picture %dx%d: %ld of %lld pixels differ, within "
                "(%d,%d)-(%d,%d)\n",
        lines, a.width(), a.height(), differing, static_cast<long long>(a.width()) * a.height(),
        where.left(), where.top(), where.right(), where.bottom());
}

// Bad input: the same message on standard error and the same exit status on both systems. Where
// the system names why a library did not load, its own words follow the same prefix.
TEST_F(WindowsCompareTest, BadInputGivesTheSameMessageAndExitStatus)
{
    QDir(m_dir.path()).mkdir("recording-dir");
    QDir(m_dir.path()).mkpath("unreadable/icao24.txt"); // a folder where the file should be
    for (const char* name : { "aircrafts.txt", "flightplans.txt" })
        QFile::copy(m_dir.filePath(name), m_dir.filePath(QString("unreadable/") + name));
    QFile notALibrary(m_dir.filePath("not-a-plugin.dll"));
    ASSERT_TRUE(notALibrary.open(QIODevice::WriteOnly));
    notALibrary.write("this is text, not a library\n");
    notALibrary.close();

    struct Case {
        const char* what;
        QString program;
        QStringList arguments;
        QString directory;
        bool portTaken = false;
        std::string cut; // compare the messages up to this text only
        bool fails = true; // the program refuses to go on (others run until asked to end)
    };
    const QString older = "other_version_plugin_older";
    std::vector<Case> cases = {
        // On the fake clock, so that the times of the event log's lines are the same too.
        { "port in use", "quorvex", { "--headless", "--clock", kClock }, m_dir.path(), true, {},
            true },
        { "lookup file unreadable", "quorvex", { "--headless", "--clock", kClock },
            m_dir.filePath("unreadable"), false, {}, false },
        { "recording is a folder", "quorvex",
            { "--headless", "--clock", kClock, "--replay", "recording-dir" }, m_dir.path(), false,
            {}, false },
        { "not a library", "veltrix-host", { "--info", "--plugin", "not-a-plugin.dll" },
            m_dir.path(), false, "cannot load plug-in not-a-plugin.dll: ", true },
        { "wrong interface version", "veltrix-host", { "--info", "--plugin", "PLUGIN" },
            m_dir.path(), false, {}, true },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Result results[2];
        for (const Build* build : { &kLinux, &kWindows }) {
            QStringList arguments = c.arguments;
            arguments.replaceInStrings("PLUGIN", build->Library(older));
            QTcpServer taken;
            if (c.portTaken) {
                ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 6809));
            }
            QProcess process;
            process.setWorkingDirectory(c.directory);
            build->Start(process, c.program, arguments);
            ASSERT_TRUE(process.waitForStarted(20000));
            // A replay that did start, or a proxy that serves, ends on the signal.
            const bool ended
                = WaitFor([&] { return process.state() == QProcess::NotRunning; }, 8000);
            if (!ended)
                ::kill(static_cast<pid_t>(process.processId()), build->windows ? SIGINT : SIGTERM);
            results[build->windows ? 1 : 0] = Finish(process, 20000);
        }
        std::string linux = results[0].err;
        std::string windows = results[1].err;
        for (std::string* text : { &linux, &windows }) {
            text->erase(std::remove(text->begin(), text->end(), '\r'), text->end());
            if (!c.cut.empty() && text->find(c.cut) != std::string::npos)
                text->resize(text->find(c.cut) + c.cut.size());
        }
        // The library's path is each build's own.
        const auto unify = [&](std::string& text, const Build& build) {
            const std::string path = build.Library(older).toStdString();
            for (std::size_t at; (at = text.find(path)) != std::string::npos;)
                text.replace(at, path.size(), "PLUGIN");
        };
        unify(linux, kLinux);
        unify(windows, kWindows);
        EXPECT_EQ(results[0].exitCode, results[1].exitCode);
        if (c.fails) {
            EXPECT_NE(results[0].exitCode, 0);
            EXPECT_FALSE(linux.empty());
        }
        EXPECT_EQ(linux, windows);
        std::printf("%s: exit status %d, \"%s\"\n", c.what, results[0].exitCode,
            linux.substr(0, linux.find('\n')).c_str());
    }
}

} // namespace
