// The installation as a user makes it: `cmake --install` of this build tree into a fresh prefix.
// The installed programs must start from there, on the installed libraries, and veltrix-host must
// load the installed Stavo library by default.
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
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

    static QByteArray Read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

// The rest of a system installation: the service with the paths of this prefix, its options
// file, the manual pages compressed without a name or a time (the same bytes at every build),
// and the Debian copyright and changelog. The libraries are private: none is in the public
// library directory.
TEST_F(InstallTest, InstallsTheServiceTheManualPagesAndTheDebianFiles)
{
    ASSERT_TRUE(m_Prefix.isValid());
    const QString prefix = m_Prefix.path();
    std::string output;
    ASSERT_EQ(Run(QS_CMAKE_COMMAND, { "--install", QS_BINARY_DIR, "--prefix", prefix }, &output), 0)
        << output;

    const QString unitPath = prefix + "/lib/systemd/system/quorvex.service";
    const QString unit = QString::fromUtf8(Read(unitPath));
    EXPECT_TRUE(unit.contains(
        "\nExecStart=" + prefix + "/bin/quorvex --headless --reload-on-hup $QUORVEX_OPTIONS\n"))
        << unit.toStdString();
    EXPECT_TRUE(unit.contains("\nEnvironmentFile=-" + prefix + "/etc/default/quorvex\n"));
    EXPECT_TRUE(unit.contains("\nExecReload=/bin/kill -HUP $MAINPID\n"));
    EXPECT_TRUE(Read(prefix + "/etc/default/quorvex").contains("\nQUORVEX_OPTIONS="));

    for (const char* program : { "quorvex", "veltrix-host", "sbs-sim", "sbs-table" }) {
        const QByteArray page = Read(prefix + "/share/man/man1/" + program + ".1.gz");
        ASSERT_GE(page.size(), 10) << program;
        EXPECT_EQ(page.left(2), QByteArray("\x1f\x8b")) << program; // gzip
        EXPECT_EQ(page[3] & 0x08, 0) << program << ": the file name is kept";
        EXPECT_EQ(page.mid(4, 4), QByteArray(4, '\0')) << program << ": the time is kept";
    }
    const QString doc = prefix + "/share/doc/quorvex-stavo/";
    EXPECT_TRUE(Read(doc + "copyright").startsWith("Format: https://www.debian.org/"));
    EXPECT_TRUE(QFileInfo::exists(doc + "changelog.gz"));
    EXPECT_FALSE(QFileInfo::exists(prefix + "/" QS_PUBLIC_LIBDIR "/libstavo.so"));

    // systemd's own check of the unit, with the installed pages for its Documentation= key.
    const QString analyze = QStandardPaths::findExecutable("systemd-analyze");
    if (analyze.isEmpty())
        GTEST_SKIP() << "systemd-analyze is not installed; the unit was not verified";
    QProcess verify;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("MANPATH", prefix + "/share/man");
    verify.setProcessEnvironment(environment);
    verify.setProcessChannelMode(QProcess::MergedChannels);
    verify.start(analyze, { "verify", unitPath });
    ASSERT_TRUE(verify.waitForFinished(60000));
    // A line it cannot parse is only a warning ("quorvex.service:18: Failed to parse ...,
    // ignoring"), with exit status 0.
    const std::string said = verify.readAll().toStdString();
    EXPECT_EQ(verify.exitCode(), 0) << said;
    EXPECT_EQ(said.find("quorvex.service:"), std::string::npos) << said;
}

} // namespace
