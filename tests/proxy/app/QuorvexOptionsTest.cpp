// The command line of quorvex.
#include "platform/SignalBridge.h"
#include "proxy/app/QuorvexApp.h"
#include "proxy/app/StatusPage.h"

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
        { { "--server", "receiver.local:30004" }, CommandLine::Run, "receiver.local", "30004", "",
            false },
        { { "--server", "[::1]:30003" }, CommandLine::Run, "::1", "30003", "", false },
        { { "--server", "::1" }, CommandLine::Run, "::1", "30003", "", false },
        { { "--server", "a:0" }, CommandLine::Error, "", "", "", false },
        { { "--server", "a:99999" }, CommandLine::Error, "", "", "", false },
        { { "--server", "[::1" }, CommandLine::Error, "", "", "", false },
        { { "--server", ":30003" }, CommandLine::Error, "", "", "", false },
        { { "--server", "a:30004", "--port", "30005" }, CommandLine::Error, "", "", "", false },
        { { "--server", "a", "--server", "b:30106" }, CommandLine::Run, "a", "30003", "", false },
        { { "--server", "a", "--server", "A:30003" }, CommandLine::Error, "", "", "", false },
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

TEST(QuorvexOptionsTest, MistakesAreNamedInTheProgramsOwnWords)
{
    const std::pair<QStringList, QString> cases[] = {
        { { "--bogus" }, "unknown option '--bogus'" },
        { { "--bogus=1" }, "unknown option '--bogus=1'" },
        { { "--server" }, "--server needs a value" },
        { { "--headless=yes" }, "--headless takes no value" },
        { { "stray" }, "unexpected argument 'stray'" },
        { { "--reconnect=abc" }, "--reconnect takes a whole number from 1 to 3600, not abc" },
    };
    for (const auto& [arguments, expected] : cases) {
        CQuorvexOptions options;
        QString message;
        EXPECT_EQ(ParseQuorvexOptions(QStringList { "quorvex" } + arguments, options, message),
            CommandLine::Error);
        EXPECT_EQ(message, expected);
    }
    // --reconnect takes its value in every form --help shows.
    for (const QStringList& arguments : { QStringList { "--reconnect", "60" },
             QStringList { "--reconnect=60" }, QStringList { "--reconnect", "--headless" } }) {
        CQuorvexOptions options;
        QString message;
        ASSERT_EQ(ParseQuorvexOptions(QStringList { "quorvex" } + arguments, options, message),
            CommandLine::Run)
            << message.toStdString();
        EXPECT_EQ(options.feed.reconnectMaxSeconds, arguments.contains("--headless") ? 30 : 60);
    }
}

TEST(QuorvexOptionsTest, FeedServiceOptionsTakeTheirValuesAndNameTheOptionWhenRefused)
{
    CQuorvexOptions options;
    QString message;
    ASSERT_EQ(ParseQuorvexOptions(
                  { "quorvex", "--reconnect", "--feed-timeout", "90", "--positions", "anywhere",
                      "--receiver", "-33.9,151.2", "--max-range", "250", "--replay-lines", "200",
                      "--replay-speed", "60", "--replay-date", "recorded" },
                  options, message),
        CommandLine::Run)
        << message.toStdString();
    EXPECT_EQ(options.feed.reconnectMaxSeconds, 30);
    EXPECT_EQ(options.feed.feedTimeoutSeconds, 90);
    EXPECT_TRUE(options.positions.anywhere && options.positions.receiverSet);
    EXPECT_DOUBLE_EQ(options.positions.receiverLatitude, -33.9);
    EXPECT_DOUBLE_EQ(options.positions.receiverLongitude, 151.2);
    EXPECT_DOUBLE_EQ(options.positions.maxRangeNm, 250.0);
    EXPECT_EQ(options.feed.replayLines, 200);
    EXPECT_DOUBLE_EQ(options.feed.replaySpeed, 60.0);
    EXPECT_TRUE(options.feed.replayDateRecorded);
    EXPECT_FALSE(options.trimCallsigns);
    ASSERT_EQ(
        ParseQuorvexOptions({ "quorvex", "--trim-callsigns" }, options, message), CommandLine::Run);
    EXPECT_TRUE(options.trimCallsigns);
    ASSERT_EQ(
        ParseQuorvexOptions({ "quorvex", "--reconnect=5" }, options, message), CommandLine::Run);
    EXPECT_EQ(options.feed.reconnectMaxSeconds, 5);

    const QStringList refused[] = {
        { "--reconnect=0" },
        { "--reconnect=x" },
        { "--feed-timeout", "-1" },
        { "--positions", "south" },
        { "--receiver", "95,0", "--max-range", "100" },
        { "--receiver", "10,181", "--max-range", "100" },
        { "--receiver", "10", "--max-range", "100" },
        { "--max-range", "0", "--receiver", "10,10" },
        { "--receiver", "10,10" },
        { "--replay-lines", "0" },
        { "--replay-speed", "inf" },
        { "--replay-date", "yesterday" },
    };
    for (const QStringList& arguments : refused) {
        const std::string label = arguments.join(' ').toStdString();
        EXPECT_EQ(ParseQuorvexOptions(QStringList { "quorvex" } + arguments, options, message),
            CommandLine::Error)
            << label;
        EXPECT_TRUE(message.contains(arguments.constFirst().section('=', 0, 0)))
            << label << ": " << message.toStdString();
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

// The status page is opt-in, and stays on loopback unless an allow list says who may see it.
// What a build or a system lacks (the status page without Qt HTTP Server, SIGHUP on Windows) is
// refused by name, never accepted and then ignored; the fake clock takes whole seconds only.
TEST(QuorvexOptionsTest, WhatTheBuildOrTheSystemLacksIsRefusedByName)
{
    CQuorvexOptions options;
    QString message;
    const CommandLine http = ParseQuorvexOptions({ "quorvex", "--http", "0" }, options, message);
    if (BuildHasStatusPage()) {
        EXPECT_EQ(http, CommandLine::Run) << message.toStdString();
    } else {
        EXPECT_EQ(http, CommandLine::Error);
        EXPECT_EQ(message, "--http: this build has no status page");
    }
    message.clear();
    const CommandLine hangup
        = ParseQuorvexOptions({ "quorvex", "--reload-on-hup" }, options, message);
    if (platform::CSignalBridge::HasHangup()) {
        EXPECT_EQ(hangup, CommandLine::Run) << message.toStdString();
        EXPECT_TRUE(options.reloadOnHangup);
    } else {
        EXPECT_EQ(hangup, CommandLine::Error);
        EXPECT_TRUE(message.startsWith("--reload-on-hup: this system has no SIGHUP"))
            << message.toStdString();
    }
    CQuorvexOptions clocked;
    ASSERT_EQ(ParseQuorvexOptions({ "quorvex", "--clock", "1767225600" }, clocked, message),
        CommandLine::Run);
    EXPECT_EQ(clocked.clock, 1767225600);
    for (const char* bad : { "soon", "-5", "" }) {
        EXPECT_EQ(ParseQuorvexOptions({ "quorvex", "--clock", bad }, clocked, message),
            CommandLine::Error)
            << bad;
        EXPECT_TRUE(message.startsWith("--clock")) << message.toStdString();
    }
}

TEST(QuorvexOptionsTest, HttpServesOnLoopbackWithoutAnAllowList)
{
    if (!BuildHasStatusPage())
        GTEST_SKIP() << "this build has no status page";
    const auto parse = [](const QString& value, CQuorvexOptions& options) {
        QString message;
        return ParseQuorvexOptions({ "quorvex", "--headless", "--http", value }, options, message);
    };
    CQuorvexOptions none;
    QString message;
    ASSERT_EQ(ParseQuorvexOptions({ "quorvex" }, none, message), CommandLine::Run);
    EXPECT_FALSE(none.http);

    CQuorvexOptions options;
    ASSERT_EQ(parse("9000", options), CommandLine::Run);
    EXPECT_TRUE(options.http);
    EXPECT_EQ(options.httpAddress, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(options.httpPort, 9000);
    ASSERT_EQ(parse("127.0.0.1", options), CommandLine::Run);
    EXPECT_EQ(options.httpPort, 8754);
    ASSERT_EQ(parse("[::1]:0", options), CommandLine::Run);
    EXPECT_EQ(options.httpPort, 0);
    for (const char* refused : { "0.0.0.0:8754", "192.168.1.2", "[::]:80", "127.0.0.1:x" }) {
        CQuorvexOptions o;
        EXPECT_EQ(parse(refused, o), CommandLine::Error) << refused;
    }
    CQuorvexOptions wide;
    ParseQuorvexOptions({ "quorvex", "--http", "0.0.0.0" }, wide, message);
    EXPECT_TRUE(message.contains("--http 0.0.0.0: refusing")) << message.toStdString();
    EXPECT_TRUE(message.contains("--allow")) << message.toStdString();

    // Whichever of the two comes first.
    for (const QStringList& args :
        { QStringList { "quorvex", "--http", "0.0.0.0:80", "--allow", "10.0.0.0/8" },
            { "quorvex", "--allow", "fd00::/8", "--http", "[::]" } }) {
        CQuorvexOptions allowed;
        EXPECT_EQ(ParseQuorvexOptions(args, allowed, message), CommandLine::Run)
            << message.toStdString();
        EXPECT_TRUE(allowed.http);
    }
}

TEST(QuorvexOptionsTest, HttpTakesAnAddressAPortOrBoth)
{
    if (!BuildHasStatusPage())
        GTEST_SKIP() << "this build has no status page";
    struct Case {
        const char* text;
        bool ok;
        const char* address;
        quint16 port;
    };
    const Case cases[] = {
        { "127.0.0.1:8080", true, "127.0.0.1", 8080 },
        { "127.0.0.1:0", true, "127.0.0.1", 0 },
        { "192.168.1.20", true, "192.168.1.20", kDefaultHttpPort },
        { "9000", true, "127.0.0.1", 9000 },
        { "localhost:81", true, "127.0.0.1", 81 },
        { "[::1]:8754", true, "::1", 8754 },
        { "[::1]", true, "::1", kDefaultHttpPort },
        { "::1", true, "::1", kDefaultHttpPort },
        { "127.0.0.1:", false, "", 0 },
        { "127.0.0.1:65536", false, "", 0 },
        { "127.0.0.1:8x", false, "", 0 },
        { ":8080", false, "", 0 },
        { "example.org:80", false, "", 0 },
        { "", false, "", 0 },
    };
    for (const Case& c : cases) {
        CQuorvexOptions options;
        QString error;
        const QStringList arguments { "quorvex", "--http", c.text, "--allow", "192.168.1.0/24" };
        EXPECT_EQ(ParseQuorvexOptions(arguments, options, error) == CommandLine::Run, c.ok)
            << c.text << ": " << error.toStdString();
        if (c.ok) {
            EXPECT_EQ(options.httpAddress, QHostAddress(c.address)) << c.text;
            EXPECT_EQ(options.httpPort, c.port) << c.text;
        } else {
            EXPECT_TRUE(error.startsWith("--http")) << error.toStdString();
        }
    }
}

} // namespace
