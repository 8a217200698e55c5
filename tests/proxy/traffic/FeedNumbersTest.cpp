#include "proxy/traffic/FeedNumbers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(FeedNumbersTest, IntegersSkipBlanksStopAtTheFirstNonDigitAndKeepTheLow32Bits)
{
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        { "36000", 36000 }, { "  -1280", -1280 }, { "+7", 7 }, { "12.9", 12 }, { "  ", 0 },
        { "abc", 0 }, { "-", 0 }, { "4294967297", 1 }, { "2147483648", -2147483647 - 1 },
        { "99999999999999999999999", -1 }, // saturates at 2^63 - 1, whose low 32 bits are all set
        { "-99999999999999999999999", 0 }, // saturates at -2^63
        { "\v\f\r\n\t 5", 5 }, // every white-space byte of the C library is skipped
    };
    for (const auto& c : cases)
        EXPECT_EQ(FeedInt32(c.text), c.value) << '"' << c.text << '"';
}

TEST(FeedNumbersTest, DecimalsUseAPointWhateverTheLocale)
{
    EXPECT_DOUBLE_EQ(FeedDouble("47.43695"), 47.43695);
    EXPECT_DOUBLE_EQ(FeedDouble(" +19.25x"), 19.25);
    EXPECT_DOUBLE_EQ(FeedDouble("-0.5"), -0.5);
    EXPECT_DOUBLE_EQ(FeedDouble("1.5e1"), 15.0);
    EXPECT_DOUBLE_EQ(FeedDouble("47,5"), 47.0);
    EXPECT_DOUBLE_EQ(FeedDouble("--5"), 0.0);
    EXPECT_DOUBLE_EQ(FeedDouble("N47"), 0.0);
    EXPECT_TRUE(std::isnan(FeedDouble("nan")));
}

} // namespace
