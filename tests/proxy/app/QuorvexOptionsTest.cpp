// The command line of quorvex.
#include "proxy/app/QuorvexApp.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Case {
    QStringList arguments;
    CommandLine result;
    const char* server;
    const char* port;
    const char* replay;
    bool headless;
};

TEST(QuorvexOptionsTest, AcceptsWhatItDocumentsAndRefusesTheRest)
{
    const Case cases[] = {
        { {}, CommandLine::Run, "", "", "", false },
        { { "--headless" }, CommandLine::Run, "", "", "", true },
        { { "--server", "10.0.0.5", "--port", "30003" }, CommandLine::Run, "10.0.0.5", "30003", "",
            false },
        { { "--server=receiver.local" }, CommandLine::Run, "receiver.local", "30003", "", false },
        { { "--replay", "feed.sbs", "--headless" }, CommandLine::Run, "", "", "feed.sbs", true },
        { { "--help" }, CommandLine::Help, "", "", "", false },
        { { "--version" }, CommandLine::Version, "", "", "", false },
        { { "--port", "30003" }, CommandLine::Error, "", "", "", false },
        { { "--server", "a", "--port", "0" }, CommandLine::Error, "", "", "", false },
        { { "--server", "a", "--port", "65536" }, CommandLine::Error, "", "", "", false },
        { { "--server", "a", "--port", "+80" }, CommandLine::Error, "", "", "", false },
        { { "--server", "a", "--replay", "f" }, CommandLine::Error, "", "", "", false },
        { { "--server", "" }, CommandLine::Error, "", "", "", false },
        { { "--snapshot", "w.png", "--headless" }, CommandLine::Error, "", "", "", false },
        { { "--bogus" }, CommandLine::Error, "", "", "", false },
        { { "stray" }, CommandLine::Error, "", "", "", false },
    };
    for (const Case& c : cases) {
        CQuorvexOptions options;
        QString message;
        const QStringList arguments = QStringList { "quorvex" } + c.arguments;
        const std::string label = arguments.join(' ').toStdString();
        ASSERT_EQ(ParseQuorvexOptions(arguments, options, message), c.result) << label;
        if (c.result != CommandLine::Run) {
            EXPECT_FALSE(message.isEmpty()) << label;
            continue;
        }
        EXPECT_EQ(options.server, c.server) << label;
        EXPECT_EQ(options.port, c.port) << label;
        EXPECT_EQ(options.replay, c.replay) << label;
        EXPECT_EQ(options.headless, c.headless) << label;
    }
}

TEST(QuorvexOptionsTest, ServerOptionsRefuseBadValuesNamingTheOption)
{
    const struct {
        QStringList arguments;
        const char* named; // in the message; nullptr: accepted
    } cases[] = {
        { { "--allow", "10.0.0.0/33" }, "--allow" },
        { { "--allow", "10.0.0.0" }, nullptr },
        { { "--listen", ":99999" }, "--listen" },
        { { "--listen", "[::1" }, "--listen" },
        { { "--listen", "127.0.0.1:0" }, "--listen" },
        { { "--listen", "[::1]:7000", "--listen", "127.0.0.2" }, nullptr },
        // Reachable from other machines: only with an allow list.
        { { "--listen", "0.0.0.0:6809" }, "--allow" },
        { { "--listen", ":6809" }, "--allow" },
        { { "--listen", "[::]" }, "--allow" },
        { { "--listen", "0.0.0.0", "--allow", "192.168.1.0/24" }, nullptr },
        { { "--max-clients", "0" }, "--max-clients" },
        { { "--max-clients", "12x" }, "--max-clients" },
        { { "--password-file", "/no/such/file" }, "--password-file" },
        { { "--password-file", "/" }, "--password-file" },
    };
    for (const auto& c : cases) {
        CQuorvexOptions options;
        QString message;
        const QStringList arguments = QStringList { "quorvex" } + c.arguments;
        const std::string label = arguments.join(' ').toStdString();
        const CommandLine result = ParseQuorvexOptions(arguments, options, message);
        if (c.named == nullptr) {
            EXPECT_EQ(result, CommandLine::Run) << label << ": " << message.toStdString();
            continue;
        }
        EXPECT_EQ(result, CommandLine::Error) << label;
        EXPECT_TRUE(message.contains(c.named)) << label << ": " << message.toStdString();
    }

    CQuorvexOptions options;
    QString message;
    ASSERT_EQ(ParseQuorvexOptions({ "quorvex", "--listen", "[::1]:7000", "--listen", "127.0.0.2",
                                      "--max-clients", "3", "--quiet" },
                  options, message),
        CommandLine::Run);
    ASSERT_EQ(options.listen.size(), 2u);
    EXPECT_EQ(options.listen[0].Text(), "[::1]:7000");
    EXPECT_EQ(options.listen[1].Text(), "127.0.0.2:6809");
    EXPECT_EQ(options.access.maxClients, 3u);
    EXPECT_TRUE(options.log && options.quiet);
}

TEST(QuorvexOptionsTest, PasswordIsTheFirstLineOfItsFile)
{
    QTemporaryDir dir;
    const QString name = dir.filePath("password");
    const auto write = [&](const char* text) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    };
    CQuorvexOptions options;
    QString message;
    write("s3cret\r\nsecond line\n");
    ASSERT_EQ(ParseQuorvexOptions({ "quorvex", "--password-file", name }, options, message),
        CommandLine::Run);
    EXPECT_EQ(options.access.password, "s3cret");
    write("\nno password on the first line\n"); // would let an empty field in
    EXPECT_EQ(ParseQuorvexOptions({ "quorvex", "--password-file", name }, options, message),
        CommandLine::Error);
    EXPECT_TRUE(message.contains("empty")) << message.toStdString();
}

TEST(QuorvexOptionsTest, HelpNamesTheProgramAndEveryOption)
{
    CQuorvexOptions options;
    QString help;
    ASSERT_EQ(ParseQuorvexOptions({ "quorvex", "--help" }, options, help), CommandLine::Help);
    EXPECT_TRUE(help.startsWith("Usage: quorvex")) << help.toStdString();
    for (const char* option : { "--server", "--port", "--replay", "--headless", "--snapshot" })
        EXPECT_TRUE(help.contains(option)) << option;
}

} // namespace
