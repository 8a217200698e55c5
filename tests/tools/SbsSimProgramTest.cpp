// sbs-sim's command line as a user types it: the built program.
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

Result RunSbsSim(const QStringList& args)
{
    QProcess process;
    process.start(QS_BINARY_DIR "/bin/sbs-sim", args);
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
        const Result result = RunSbsSim(c.args);
        EXPECT_EQ(result.exitCode, 2) << c.message;
        EXPECT_EQ(result.err, "sbs-sim: " + std::string(c.message) + "\nTry 'sbs-sim --help'.\n");
        EXPECT_EQ(result.out, "");
    }
}

TEST(SbsSimProgramTest, PrintsItsVersionAndHelpOnStandardOutput)
{
    const Result version = RunSbsSim({ "--version" });
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "sbs-sim " + std::string(kProjectVersion) + "\n");
    const Result help = RunSbsSim({ "-h" });
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: sbs-sim ", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("--version"), std::string::npos);
    EXPECT_EQ(help.err, "");
}

} // namespace
