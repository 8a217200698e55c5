// The feed format detector on the starts of the feeds receivers serve on their various ports.
#include "proxy/traffic/FeedFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

using namespace std::string_view_literals;

TEST(FeedFormatTest, NamesWhatTheStartOfAFeedLooksLike)
{
    const struct {
        std::string_view piece;
        FeedFormat format;
    } cases[] = {
        // Beast: a Mode S long frame, NUL bytes and a LF byte in its time stamp and data.
        { "\x1a\x33\x00\x00\x12\x0a\x34\x56\xc8\x8d\x4c\xa2\xd6\x58\x00\x1a\x1a\x00"sv,
            FeedFormat::Beast },
        { "\x1a\x34\x00\x01"sv, FeedFormat::Beast }, // a status frame, cut short by the receive
        { "*8D4CA2D6582D0A45F0AC96A3BB1E;\r\n", FeedFormat::Avr },
        { "@016CE3671C748D4CA2D6582D0A45F0AC96A3BB1E;\n", FeedFormat::Avr },
        { "*7700;\n", FeedFormat::Avr }, // a Mode A/C reply
        { "*8D4CA2D6", FeedFormat::Avr }, // the first receive ends inside the frame
        { "{\"now\":1700000000.1,\"hex\":\"4ca2d6\",\"flight\":\"DLH4KJ  \"}\n", FeedFormat::Json },
        { "  [{\"hex\":\"4ca2d6\"}]", FeedFormat::Json },
        { "HTTP/1.1 400 Bad Request\r\nContent-Type: text/html\r\n", FeedFormat::Http },
        { "<!DOCTYPE html>\n<html>", FeedFormat::Http },
        { "<HTML><HEAD>", FeedFormat::Http },
        { "MSG,3,1,1,4CA2D6,1,2010/02/19,18:06:07.710,2010/02/19,18:06:07.710,,36000,,,52.36,13.50,"
          ",,0,0,0,0\r\n",
            FeedFormat::BaseStation },
        { "STA,,5,179,400AE7,10103,2008/11/28,14:58:51.153,2008/11/28,14:58:51.153,RM\r\n",
            FeedFormat::BaseStation },
        { "4CA2D6,1,2010/02/19,x,2010/02/19,x,DLH4KJ,36000,,,52.3,13.5,,,0,0,0,0\n",
            FeedFormat::BaseStation }, // no type field, the layout's commas
        { "hello\r\n", FeedFormat::Unknown },
        { "*not hex;\n", FeedFormat::Unknown },
        { "@12;\n", FeedFormat::Unknown },
        { "MSG\n", FeedFormat::Unknown },
        { " \x1a"sv, FeedFormat::Unknown }, // the escape only counts at the start
        { "", FeedFormat::Unknown },
    };
    for (const auto& c : cases) {
        const std::string label(c.piece.substr(0, 24));
        EXPECT_EQ(ClassifyFeedPiece(c.piece), c.format) << label;
        CFeedFormatDetector detector;
        detector.Inspect(c.piece);
        EXPECT_EQ(detector.Verdict(), c.format) << label;
    }
    EXPECT_STREQ(FeedFormatName(FeedFormat::Beast), "beast");
    EXPECT_EQ(FeedFormatWarning(FeedFormat::Beast),
        "this looks like Beast binary output, not BaseStation (SBS) lines; receivers usually "
        "serve SBS on port 30003 (dump1090, readsb: --net-sbs-port)");
    for (const FeedFormat wrong : { FeedFormat::Avr, FeedFormat::Json, FeedFormat::Http })
        EXPECT_NE(FeedFormatWarning(wrong).find("port 30003"), std::string::npos);
    EXPECT_EQ(FeedFormatWarning(FeedFormat::BaseStation), "");
    EXPECT_EQ(FeedFormatWarning(FeedFormat::Unknown), "");
}

// Blank pieces are skipped, the first telling piece decides for good, and pieces that tell
// nothing are looked at only a few times.
TEST(FeedFormatTest, DecidesOnceAndGivesUpAfterAFewPieces)
{
    CFeedFormatDetector detector;
    EXPECT_TRUE(detector.Inspect("\r\n"));
    EXPECT_TRUE(detector.Inspect("junk\n"));
    EXPECT_FALSE(detector.Inspect("{\"hex\":\"4ca2d6\"}\n"));
    EXPECT_FALSE(detector.Inspect("MSG,3,1,1,4CA2D6,1,,,,,,,,,,,,,,,,\n"));
    EXPECT_EQ(detector.Verdict(), FeedFormat::Json);
    detector.Reset();
    EXPECT_EQ(detector.Verdict(), FeedFormat::Unknown);
    for (int i = 1; i < CFeedFormatDetector::kMaxPieces; ++i) {
        ASSERT_TRUE(detector.Inspect("junk\n")) << i;
        ASSERT_TRUE(detector.Inspect("\n"));
    }
    EXPECT_FALSE(detector.Inspect("junk\n"));
    EXPECT_FALSE(detector.Inspect("\x1a\x33"sv)); // too late: it gave up
    EXPECT_TRUE(detector.Done());
    EXPECT_EQ(detector.Verdict(), FeedFormat::Unknown);
}

} // namespace
