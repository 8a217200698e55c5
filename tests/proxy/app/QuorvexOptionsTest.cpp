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

} // namespace
