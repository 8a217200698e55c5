// The command line of veltrix-host.
#include "host/HostOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class HostOptionsTest : public testing::Test { };

TEST_F(HostOptionsTest, DefaultsAndEveryValue)
{
    std::string error;
    const auto defaults = host::ParseHostOptions({}, &error);
    ASSERT_TRUE(defaults) << error;
    EXPECT_EQ(defaults->displayType, "STAVO View");
    EXPECT_EQ(defaults->size, (platform::Size { 1280, 800 }));
    EXPECT_EQ(defaults->callsign, "OBS");
    EXPECT_TRUE(defaults->fsdHost.empty());
    EXPECT_FALSE(defaults->clock);

    const auto options = host::ParseHostOptions(
        { "--display", "a.asr", "--display", "b.asr", "--size", "1024x768", "--fsd", "[::1]:6809",
            "--callsign", "LHBP_OBS", "--clock", "-5", "--headless", "--dump", "--script", "-" },
        &error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->displays, (std::vector<std::string> { "a.asr", "b.asr" }));
    EXPECT_EQ(options->size, (platform::Size { 1024, 768 }));
    EXPECT_EQ(options->fsdHost, "::1");
    EXPECT_EQ(options->fsdPort, 6809);
    EXPECT_EQ(options->callsign, "LHBP_OBS");
    EXPECT_EQ(options->clock, -5);
    EXPECT_TRUE(options->headless && options->dump);
    EXPECT_EQ(options->script, "-");
}

TEST_F(HostOptionsTest, RejectsValuesOutOfShape)
{
    const std::vector<std::vector<std::string>> bad = {
        { "--size", "1280" },
        { "--size", "199x800" },
        { "--size", "1280x800x2" },
        { "--fsd", ":6809" },
        { "--fsd", "host:0" },
        { "--fsd", "host:65536" },
        { "--fsd", "host:http" },
        { "--callsign", "" },
        { "--callsign", "A:B" },
        { "--clock", "1.5" },
        { "--display" },
        { "--size=1280" },
        { "--dump=yes" },
    };
    for (const auto& args : bad) {
        std::string error;
        EXPECT_FALSE(host::ParseHostOptions(args, &error)) << args[0];
        const std::string option = args[0].substr(0, args[0].find('='));
        EXPECT_NE(error.find(option), std::string::npos) << error;
    }
}

TEST_F(HostOptionsTest, ValuesAfterAnEqualsSignAndWhatIsNoOption)
{
    std::string error;
    const auto options = host::ParseHostOptions(
        { "--size=1024x768", "--callsign=A=B", "--script=", "--version" }, &error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->size, (platform::Size { 1024, 768 }));
    EXPECT_EQ(options->callsign, "A=B"); // the value runs from the first '='
    EXPECT_EQ(options->script, "");
    EXPECT_TRUE(options->version);

    for (const auto& [arg, message] : { std::pair { "--bogus=1", "unknown option '--bogus=1'" },
             std::pair { "-x", "unknown option '-x'" },
             std::pair { "board.asr", "unexpected argument 'board.asr'" },
             std::pair { "--clock=soon",
                 "--clock takes whole seconds since 1970-01-01 00:00 UTC, not soon" } }) {
        EXPECT_FALSE(host::ParseHostOptions({ arg }, &error)) << arg;
        EXPECT_EQ(error, message);
    }
}

} // namespace
