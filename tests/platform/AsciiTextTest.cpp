// The ASCII text helpers, byte by byte against the C library's classic "C" locale, which is what
// the copies they replaced in the proxy, the plug-in and the host did.
#include "platform/AsciiText.h"

#include <gtest/gtest.h>

#include <locale>
#include <string>

namespace {

std::string Byte(int b)
{
    return std::string(1, static_cast<char>(b));
}

int Sign(int value)
{
    return (value > 0) - (value < 0);
}

TEST(AsciiTextTest, EveryByteFoldsAndClassifiesAsInTheClassicLocale)
{
    const std::locale& classic = std::locale::classic();
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        EXPECT_EQ(platform::AsciiUpper(c), std::toupper(c, classic)) << b;
        EXPECT_EQ(platform::AsciiLower(c), std::tolower(c, classic)) << b;
        // The proxy's and the plug-in's blanks: all six white-space bytes.
        EXPECT_EQ(platform::IsAsciiWhitespace(c), std::isspace(c, classic)) << b;
        // The host's blanks: without vertical tab and form feed.
        EXPECT_EQ(
            platform::IsSpaceTabOrLineEnd(c), std::isspace(c, classic) && b != '\v' && b != '\f')
            << b;
    }
}

TEST(AsciiTextTest, EveryPairOfBytesComparesLikeTheLookupTablesOrder)
{
    const std::locale& classic = std::locale::classic();
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            // Folded to lower case and compared unsigned: '_' sorts before 'a' and before 'A'.
            const int expected
                = Sign(static_cast<unsigned char>(std::tolower(static_cast<char>(a), classic))
                    - static_cast<unsigned char>(std::tolower(static_cast<char>(b), classic)));
            ASSERT_EQ(Sign(platform::CompareAsciiNoCase(Byte(a), Byte(b))), expected)
                << a << ' ' << b;
            ASSERT_EQ(platform::EqualsAsciiNoCase(Byte(a), Byte(b)), expected == 0)
                << a << ' ' << b;
        }
    }
}

TEST(AsciiTextTest, LengthDecidesOnlyAfterTheCommonPart)
{
    EXPECT_LT(platform::CompareAsciiNoCase("WZZ", "wzz1"), 0);
    EXPECT_GT(platform::CompareAsciiNoCase("wzz1", "WZZ"), 0);
    EXPECT_GT(platform::CompareAsciiNoCase("wzz", "WZA1"), 0);
    EXPECT_EQ(platform::CompareAsciiNoCase("", ""), 0);
    EXPECT_FALSE(platform::EqualsAsciiNoCase("WZZ", "wzz "));
    EXPECT_TRUE(
        platform::EqualsAsciiNoCase(std::string_view("a\0b", 3), std::string_view("A\0B", 3)));
    EXPECT_EQ(platform::AsciiUpper("wzz1ab\xc3\xa9"), "WZZ1AB\xc3\xa9");
}

} // namespace
