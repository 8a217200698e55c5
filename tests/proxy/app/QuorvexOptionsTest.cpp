// The command line of quorvex.
#include "proxy/app/QuorvexApp.h"

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

TEST(QuorvexOptionsTest, HelpNamesTheProgramAndEveryOption)
{
    CQuorvexOptions options;
    QString help;
    ASSERT_EQ(ParseQuorvexOptions({ "quorvex", "--help" }, options, help), CommandLine::Help);
    EXPECT_TRUE(help.startsWith("Usage: quorvex")) << help.toStdString();
    for (const char* option : { "--server", "--port", "--replay", "--headless", "--snapshot" })
        EXPECT_TRUE(help.contains(option)) << option;
}

// The status page is opt-in, and stays on loopback while there is no allow list.
TEST(QuorvexOptionsTest, HttpServesOnLoopbackOnly)
{
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
    EXPECT_TRUE(message.contains("--allow")) << message.toStdString();
}

} // namespace
