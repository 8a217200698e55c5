// veltrix-host as a user runs it: the built program, headless, with the built Stavo library.
#include "platform/ProjectVersion.h"
#include "support/ProcessSignal.h"

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class HostProgramTest : public testing::Test {
protected:
    Result Run(QStringList args, const std::string& input = {})
    {
        QProcess process;
        process.setWorkingDirectory(m_Dir.path());
        process.start(QS_BINARY_DIR "/bin/veltrix-host", args);
        EXPECT_TRUE(process.waitForStarted(10000));
        if (!input.empty())
            process.write(input.data(), qint64(input.size()));
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(30000));
        return Result { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString() };
    }
    QString Write(const QString& name, const std::string& text)
    {
        const QString path = m_Dir.filePath(name);
        std::ofstream(path.toStdString()) << text;
        return path;
    }

    QTemporaryDir m_Dir;
    const QString m_Sample = QS_SOURCE_DIR "/samples/lhbp.asr";
};

TEST_F(HostProgramTest, HelpNamesEveryOptionAndEveryScriptEvent)
{
    const Result result = Run({ "--help" });
    EXPECT_EQ(result.exitCode, 0);
    for (const char* word : { "--plugin", "--display", "--type", "--size", "--fsd", "--callsign",
             "--airports", "--script", "--clock", "--dump", "--headless", "--snapshot", "--info",
             "aircraft CALLSIGN", "forget", "command", "drag", "drop", "refresh", "wait",
             "snapshot FILE.png" })
        EXPECT_NE(result.out.find(word), std::string::npos) << word;
}

TEST_F(HostProgramTest, RefusesToStartOnBadInputWithAReason)
{
    struct Case {
        QStringList args;
        const char* message;
    };
    const Case cases[] = {
        { { "--headless", "--size", "100x100" }, "--size" },
        { { "--headless", "--fsd", "localhost" }, "--fsd" },
        { { "--headless", "--callsign", "A B" }, "--callsign" },
        { { "--headless", "--clock", "soon" }, "--clock" },
        { { "--headless", "--bogus" }, "unknown option '--bogus'" },
        { { "--headless", "--display", "missing.asr" }, "cannot open missing.asr" },
        { { "--headless", "--plugin", "/nonexistent/libx.so" }, "cannot load plug-in" },
        { { "--headless", "--display", QS_SOURCE_DIR "/samples/lhbp.asr", "--type", "STAVO view" },
            "no display type \"STAVO view\"" },
        { { "--headless", "--script", "missing.script" }, "cannot open script missing.script" },
    };
    for (const Case& c : cases) {
        const Result result = Run(c.args);
        EXPECT_EQ(result.exitCode, 2) << c.args.join(' ').toStdString();
        EXPECT_NE(result.err.find(c.message), std::string::npos)
            << c.args.join(' ').toStdString() << "\n"
            << result.err;
    }
}

TEST_F(HostProgramTest, NamesABadCommandLineInTheProjectsWordsAndTellsItsVersion)
{
    for (const auto& [args, message] :
        { std::pair { QStringList { "--headless", "--bogus" }, "unknown option '--bogus'" },
            std::pair { QStringList { "--size=9x9" },
                "--size takes WIDTHxHEIGHT, at least 200x240 and at most 10000x10000, not 9x9" },
            std::pair { QStringList { "--check" }, "--check needs --script FILE" } }) {
        const Result result = Run(args);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(
            result.err, "veltrix-host: " + std::string(message) + "\nTry 'veltrix-host --help'.\n");
        EXPECT_EQ(result.out, "");
    }
    const Result version = Run({ "--version" });
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "veltrix-host " + std::string(kProjectVersion) + "\n");
}

TEST_F(HostProgramTest, RunsAScriptGoingOnAfterBadLines)
{
    const QString script = Write("demo.script",
        "refresh\n"
        "aircraft WZZ123 47.40 19.33 150 2500 LHBP A21N\n"
        "aircraft WZZ123 47.40\n"
        "command hello\n"
        "drag NOBODY 10 10\n"
        "forget WZZ123\n"
        "forget WZZ123\n"
        "wait 2\n"
        "refresh\n");
    const Result result = Run({ "--headless", "--dump", "--clock", "1767225600", "--display",
        m_Sample, "--script", script });
    EXPECT_EQ(result.exitCode, 1); // the script had errors
    EXPECT_EQ(result.out.rfind("refresh 1\n", 0), 0u) << result.out;
    EXPECT_NE(result.out.find("not handled\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("refresh 2\n"), std::string::npos) << result.out;
    const std::string name = script.toStdString();
    EXPECT_NE(result.err.find(name + ":3: usage: aircraft"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(name + ":5: no screen object \"NOBODY\""), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find(name + ":7: no aircraft WZZ123"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find(name + ":6:"), std::string::npos) << result.err;
    // LHBP's position is unknown without an airports file: said once.
    EXPECT_NE(result.err.find("destination LHBP"), std::string::npos) << result.err;
}

// The sample board on the fake clock: a departure on stand 34, an arrival on final. Each expect
// refreshes once a second; the one the board no longer shows fails after its 4 seconds.
TEST_F(HostProgramTest, ExpectWaitsForWhatTheBoardShowsAndStopsTheScriptWhenItDoesNot)
{
    const QString script = Write("board.script",
        "aircraft THY1036 47.43436 19.25081 0 500 LTFM A21N\n"
        "aircraft AFR1394 47.3820 19.3600 150 2800 LHBP A20N\n"
        "expect final AFR1394 141 within 3\n"
        "command .stavoarr 104 AFR1394\n"
        "expect allocated R104 AFR1394 139\n"
        "expect stand 34 THY1036 142 within 3\n"
        "expect not stand 34 - within 3\n"
        "command .stavopush THY1036\n"
        "expect final AFR1394 141 within 4\n"
        "say not reached\n");
    const QString progress = m_Dir.filePath("progress.txt");
    const Result result = Run({ "--headless", "--dump", "--clock", "1767225600", "--display",
        m_Sample, "--script", script, "--progress", progress });
    EXPECT_EQ(result.exitCode, 3) << result.err;
    EXPECT_NE(result.err.find(script.toStdString()
                  + ":9: the board did not show \"final AFR1394 141\" within 4 s"),
        std::string::npos)
        << result.err;
    std::ifstream file(progress.toStdString());
    const std::string told((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(told,
        "board: 1 on final, 0 taxiing in, 0 on blocks, 1 at stands, 0 pushing back, "
        "0 allocations\n"
        "board shows: final AFR1394 141\n"
        "typed: .stavoarr 104 AFR1394\n"
        "board shows: allocated R104 AFR1394 139\n"
        "board shows: stand 34 THY1036 142\n"
        "board shows: not stand 34 -\n"
        "typed: .stavopush THY1036\n"
        "board: 1 on final, 0 taxiing in, 0 on blocks, 0 at stands, 1 pushing back, "
        "1 allocations\n");
    // One refresh a second: 4 for the expects that held at once, 4 for the one that failed.
    EXPECT_NE(result.out.find("refresh 8\n"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("refresh 9\n"), std::string::npos) << result.out;

    const QString bad = Write("bad.script", "expect final\nexpect stand 34 X within 2.5\n");
    const Result checked = Run({ "--check", "--script", bad });
    EXPECT_EQ(checked.exitCode, 2);
    const std::string name = bad.toStdString();
    EXPECT_NE(checked.err.find(name + ":1: usage: expect"), std::string::npos) << checked.err;
    EXPECT_NE(checked.err.find(name + ":2: within takes whole seconds"), std::string::npos)
        << checked.err;
}

TEST_F(HostProgramTest, ReadsTheScriptFromStandardInputAndWritesSnapshots)
{
    const std::string input = "command .stavo nothing\nsnapshot during.png\n";
    const Result result = Run({ "--headless", "--size", "800x600", "--display", m_Sample,
                                  "--script", "-", "--snapshot", "final.png" },
        input);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "not handled\n");
    for (const char* file : { "during.png", "final.png" }) {
        const QImage image(m_Dir.filePath(file));
        EXPECT_EQ(image.size(), QSize(800, 480)) << file; // the radar area: 600 less 120
    }
    const Result failed
        = Run({ "--headless", "--script", "-", "--snapshot", "/nonexistent/dir/x.png" });
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.err.find("cannot write snapshot /nonexistent/dir/x.png"), std::string::npos);
}

// The picture in the documentation is made as its script says; every snapshot of the final scene,
// the later ones drawn from what the earlier ones kept, is that picture pixel for pixel.
TEST_F(HostProgramTest, SnapshotsOfTheDocumentedSceneAreTheDocumentedPicture)
{
    std::ifstream file(QS_SOURCE_DIR "/docs/stavo-board.script");
    std::string script((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(script.empty());
    script += "\nsnapshot first.png\nsnapshot second.png\n";
    const Result result = Run(
        { "--display", m_Sample, "--airports", QS_SOURCE_DIR "/samples/airports.txt", "--script",
            "-", "--clock", "1767225600", "--headless", "--snapshot", "final.png" },
        script);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const QImage documented(QS_SOURCE_DIR "/docs/stavo-board.png");
    ASSERT_FALSE(documented.isNull());
    for (const char* name : { "first.png", "second.png", "final.png" }) {
        const QImage made(m_Dir.filePath(name));
        ASSERT_EQ(made.size(), documented.size()) << name;
        EXPECT_TRUE(made.convertToFormat(documented.format()) == documented) << name;
    }
}

// With a window (on Qt's offscreen platform here) the host runs the script, then stays until
// it is ended; its notices still reach standard error, where a program that started it reads them.
TEST_F(HostProgramTest, WindowRunsTheScriptTellsItsNoticesAndEndsOnSigterm)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(m_Dir.path());
    qstest::AllowSignals(process);
    process.start(
        QS_BINARY_DIR "/bin/veltrix-host", { "--dump", "--display", m_Sample, "--script", "-" });
    ASSERT_TRUE(process.waitForStarted(10000));
    const std::string script = "aircraft WZZ123 47.40 19.33 150 2500 LHBP A21N\n"
                               "command .stavoarr 104 WZZ123\n"
                               "refresh\n"
                               "snapshot seen.png\n";
    process.write(script.data(), qint64(script.size()));
    const QString picture = m_Dir.filePath("seen.png");
    for (int i = 0; i < 300 && !QFileInfo::exists(picture); ++i)
        process.waitForFinished(100);
    ASSERT_TRUE(QFileInfo::exists(picture));
    EXPECT_EQ(process.state(), QProcess::Running); // the window stays after the script
    // Where the request cannot reach another program (Windows under Wine), it is killed instead
    // and its status is not checked.
    const bool asked = qstest::SendSignal(process, SIGTERM);
    if (!asked)
        process.kill();
    ASSERT_TRUE(process.waitForFinished(10000));
    if (asked) {
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0);
    }
    const std::string out = process.readAllStandardOutput().toStdString();
    const std::string err = process.readAllStandardError().toStdString();
    EXPECT_NE(out.find("handled\n"), std::string::npos) << out;
    EXPECT_NE(out.find("text 644 "), std::string::npos) << out; // a stand of the right column
    EXPECT_NE(err.find("destination LHBP"), std::string::npos) << err;
}

TEST_F(HostProgramTest, InfoNamesThePlugInAndItsVersionedFile)
{
    const Result result = Run({ "--info" });
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("/" QS_STAVO_FILE_NAME "\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("name: STAVO view\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("version: 1.0\n"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("display type: \"STAVO View\"\n"), std::string::npos) << result.out;
}

} // namespace
