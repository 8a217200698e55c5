// The installation as a user makes it: `cmake --install` of this build tree into a fresh prefix.
// The installed programs must start from there, on the installed libraries, and veltrix-host must
// load the installed Stavo library by default.
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

namespace {

class InstallTest : public testing::Test {
protected:
    // Runs the program to its end; returns its exit code (-1 if it crashed or hung) and leaves
    // its output in `output`.
    static int Run(const QString& program, const QStringList& arguments, std::string* output)
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        const bool finished = process.waitForFinished(60000);
        *output = process.readAll().toStdString();
        if (!finished || process.exitStatus() != QProcess::NormalExit)
            return -1;
        return process.exitCode();
    }

    QTemporaryDir m_Prefix;
};

TEST_F(InstallTest, InstalledProgramsRunFromThePrefixWithTheInstalledPlugIn)
{
    ASSERT_TRUE(m_Prefix.isValid());
    const QString prefix = m_Prefix.path();
    std::string output;
    ASSERT_EQ(Run(QS_CMAKE_COMMAND, { "--install", QS_BINARY_DIR, "--prefix", prefix }, &output), 0)
        << output;

    const QString bin = prefix + "/bin/";
    EXPECT_EQ(Run(bin + "quorvex", { "--version" }, &output), 0) << output;
    EXPECT_EQ(Run(bin + "sbs-sim", { "--help" }, &output), 0) << output;
    EXPECT_EQ(Run(bin + "sbs-table", { "--help" }, &output), 0) << output;

    // The host finds the plug-in in the installed library directory, not in the build tree.
    ASSERT_EQ(Run(bin + "veltrix-host", { "--info" }, &output), 0) << output;
    const std::string installedLibrary
        = (prefix + "/" QS_INSTALL_LIBDIR "/libstavo.so").toStdString();
    EXPECT_NE(output.find("file: " + installedLibrary), std::string::npos) << output;
    EXPECT_NE(output.find("display type: \"STAVO View\""), std::string::npos) << output;

    // The installed samples open a board.
    const QString samples = prefix + "/share/quorvex-stavo/samples/";
    for (const char* name : { "icao24.txt", "aircrafts.txt", "flightplans.txt", "lhbp.asr" })
        EXPECT_TRUE(QFileInfo::exists(samples + name)) << name;
    EXPECT_EQ(Run(bin + "veltrix-host",
                  { "--display", samples + "lhbp.asr", "--airports", samples + "airports.txt",
                      "--headless", "--dump" },
                  &output),
        0)
        << output;
    EXPECT_NE(output.find("text 13 119 64 140 31"), std::string::npos) << output; // stand 31
}

} // namespace
