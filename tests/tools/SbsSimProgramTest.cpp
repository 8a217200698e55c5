// The command lines of sbs-sim and sbs-table as a user types them: the built programs.
#include "platform/ProjectVersion.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <string>

namespace {

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

Result RunTool(const char* program, const QStringList& args)
{
    QProcess process;
    process.start(QS_BINARY_DIR "/bin/" + QString(program), args);
    EXPECT_TRUE(process.waitForFinished(30000));
    return Result { process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
        process.readAllStandardOutput().toStdString(),
        process.readAllStandardError().toStdString() };
}

TEST(SbsSimProgramTest, NamesABadCommandLineInTheProjectsWords)
{
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        { { "--bogus" }, "unknown option '--bogus'" },
        { { "--rate=2", "-port", "5" }, "unknown option '-port'" },
        { { "--help-all" }, "unknown option '--help-all'" },
        { { "--rate=abc" }, "--rate takes a number from 1 to 1000000, not abc" },
        { { "--time-scale", "0" }, "--time-scale takes a number from 0.01 to 1000, not 0" },
        { { "--port" }, "--port needs a value" },
        { { "--version=2" }, "--version takes no value, not 2" },
        { { "--", "30003" }, "unexpected argument '30003'" },
    };
    for (const auto& c : cases) {
        const Result result = RunTool("sbs-sim", c.args);
        EXPECT_EQ(result.exitCode, 2) << c.message;
        EXPECT_EQ(result.err, "sbs-sim: " + std::string(c.message) + "\nTry 'sbs-sim --help'.\n");
        EXPECT_EQ(result.out, "");
    }
}

TEST(SbsSimProgramTest, PrintsItsVersionAndHelpOnStandardOutput)
{
    const Result version = RunTool("sbs-sim", { "--version" });
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "sbs-sim " + std::string(kProjectVersion) + "\n");
    const Result help = RunTool("sbs-sim", { "-h" });
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: sbs-sim ", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("--version"), std::string::npos);
    EXPECT_EQ(help.err, "");
}

TEST(SbsSimProgramTest, SbsTableNamesItsMistakesTheSameWay)
{
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        { { "--bogus", "feed.sbs" }, "unknown option '--bogus'" },
        { {}, "no feed file given" },
        { { "--at" }, "--at needs a value" },
        { { "a.sbs", "b.sbs" }, "unexpected argument 'b.sbs'" },
    };
    for (const auto& c : cases) {
        const Result result = RunTool("sbs-table", c.args);
        EXPECT_EQ(result.exitCode, 2) << c.message;
        EXPECT_EQ(
            result.err, "sbs-table: " + std::string(c.message) + "\nTry 'sbs-table --help'.\n");
    }
    const Result version = RunTool("sbs-table", { "--version" });
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "sbs-table " + std::string(kProjectVersion) + "\n");
}

} // namespace
