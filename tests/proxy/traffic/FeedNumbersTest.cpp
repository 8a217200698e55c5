#include "proxy/traffic/FeedNumbers.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

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

TEST(FeedNumbersTest, IntegersOfEighteenDigitsAndMoreKeepTheirSaturation)
{
    const struct {
        const char* text;
        std::int32_t value;
    } cases[] = {
        { "999999999999999999", -1486618625 },
        { "1000000000000000000", -1486618624 },
        { "9223372036854775807", -1 },
        { "9223372036854775808", -1 },
        { "-9223372036854775807", 1 },
        { "-9223372036854775808", 0 },
        { "-1000000000000000001", 1486618623 },
        { "000000000000000000000000042", 42 },
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

// The conversion the fast path of FeedDouble must agree with: blanks and one sign, then
// std::from_chars over the rest.
double ReferenceDouble(const char* text)
{
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    const bool negative = *text == '-';
    if (*text == '+' || *text == '-')
        ++text;
    if (*text == '+' || *text == '-')
        return 0.0;
    double value = 0.0;
    if (std::from_chars(text, text + std::strlen(text), value).ec != std::errc())
        return 0.0;
    return negative ? -value : value;
}

bool SameDouble(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

TEST(FeedNumbersTest, DecimalsAreBitForBitThoseOfFromChars)
{
    const char* tricky[] = { "0", "-0", "-0.0", ".5", "5.", ".", "-.", "1e5", "1.5E-3", "2e",
        "1.e2", "0x1p3", "inf", "-Infinity", "nan(1)", "00000000000000000000047.5",
        "9007199254740992", "9007199254740993", "9007199254740993.5", "1234567890123456789",
        "12345678901234567890", "0.0000000000000000000001", "0.00000000000000000000001", "4.35",
        "179.99999999999999999", "47.000050", "-13.03125", "  +19.25x", "1.7976931348623157e308",
        "1e400", "4.9e-324", "1..5", "3.14159265358979323846" };
    for (const char* text : tricky)
        EXPECT_TRUE(SameDouble(FeedDouble(text), ReferenceDouble(text))) << '"' << text << '"';

    // Coordinates as receivers write them, with up to 17 decimals.
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> degrees(-180.0, 180.0);
    for (int i = 0; i < 20000; ++i) {
        char text[64];
        std::snprintf(text, sizeof text, "%.*f", static_cast<int>(random() % 18), degrees(random));
        ASSERT_TRUE(SameDouble(FeedDouble(text), ReferenceDouble(text))) << '"' << text << '"';
    }
}

TEST(FeedNumbersTest, FixedFourDecimalsAreTheTextOfToChars)
{
    const auto expectSame = [](double value) {
        char fast[400];
        char reference[400];
        const std::string a(fast, FormatFixed4(fast, fast + sizeof fast, value));
        const std::string b(reference,
            std::to_chars(
                reference, reference + sizeof reference, value, std::chars_format::fixed, 4)
                .ptr);
        EXPECT_EQ(a, b) << value;
        return a == b;
    };
    // Ties at the fourth decimal (multiples of 1/32 are exact), carries into the whole degrees,
    // the edges of the fast range and values left to to_chars.
    for (const double value :
        { 47.03125, 47.09375, -13.03125, 1.00005, 0.99995, 9.99995, 99.99995, 179.99999, 1.0, -1.0,
            0.5, -0.00001, 0.0, -0.0, 2147483647.99995, 2147483648.0, 1e300, -1e-300 })
        expectSame(value);
    for (int k = 32; k < 32 * 200; ++k) {
        const double tie = (k % 2 == 0 ? k : -k) / 32.0;
        expectSame(tie);
        expectSame(std::nextafter(tie, 0.0));
        expectSame(std::nextafter(tie, 2 * tie));
    }

    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> degrees(-180.0, 180.0);
    for (int i = 0; i < 100000; ++i) {
        if (!expectSame(degrees(random)))
            break;
    }
}

} // namespace
