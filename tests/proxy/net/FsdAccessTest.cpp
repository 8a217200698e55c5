// Who may use the FSD server (networks, passwords) and the event log's lines, without a network.
#include "proxy/net/FsdAccess.h"

#include "platform/Clock.h"
#include "proxy/net/EventLog.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace {

CFsdAccess Allowing(std::initializer_list<const char*> networks)
{
    CFsdAccess access;
    for (const char* network : networks) {
        const auto range = CAddressRange::Parse(network);
        EXPECT_TRUE(range.has_value()) << network;
        if (range)
            access.allowed.push_back(*range);
    }
    return access;
}

TEST(FsdAccessTest, NetworksMatchTheirAddressesOnly)
{
    struct Case {
        const char* network;
        const char* address;
        bool allowed;
    };
    const Case cases[] = {
        { "192.168.1.0/24", "192.168.1.77", true },
        { "192.168.1.0/24", "192.168.2.77", false },
        { "192.168.1.0/24", "::ffff:192.168.1.9", true }, // a dual-stack listener's peer
        { "10.0.0.0/9", "10.127.255.255", true },
        { "10.0.0.0/9", "10.128.0.0", false },
        { "0.0.0.0/0", "203.0.113.5", true },
        { "0.0.0.0/0", "2001:db8::1", false }, // every IPv4 address, no IPv6 one
        { "fd00::/8", "fd12:3456::1", true },
        { "fd00::/8", "fe80::1", false },
        { "127.0.0.1/32", "127.0.0.2", false }, // only the two loopback addresses come free
        { "127.0.0.1/32", "127.0.0.1", true },
        { "10.0.0.0/8", "::1", true },
        { "10.0.0.0/8", "127.0.0.1", true },
        { "10.0.0.0/8", "not an address", false },
        { "203.0.113.5", "203.0.113.5", true }, // one address alone
        { "203.0.113.5", "203.0.113.4", false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Allowing({ c.network }).Allows(c.address), c.allowed)
            << c.network << " " << c.address;
    EXPECT_TRUE(CFsdAccess {}.Allows("198.51.100.1")); // no list: everybody, as without options
}

// Addresses are read by our own parser, the same on every system, in the forms inet_pton takes
// on Linux (Windows' own would take leading zeros and zones).
TEST(FsdAccessTest, NumericAddressesAreReadAsInetPtonReadsThem)
{
    using Bytes = std::array<std::uint8_t, 16>;
    const auto v4 = [](std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
        return Bytes { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, a, b, c, d };
    };
    const struct {
        const char* text;
        std::optional<Bytes> bytes;
    } cases[] = {
        { "192.168.1.77", v4(192, 168, 1, 77) },
        { "0.0.0.0", v4(0, 0, 0, 0) },
        { "255.255.255.255", v4(255, 255, 255, 255) },
        { "::", Bytes {} },
        { "::1", Bytes { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1 } },
        { "1::", Bytes { 0, 1 } },
        { "FD12:3456::1", Bytes { 0xfd, 0x12, 0x34, 0x56, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1 } },
        { "1:2:3:4:5:6:7:8", Bytes { 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8 } },
        { "::ffff:10.1.2.3", v4(10, 1, 2, 3) },
        { "1:2:3:4:5:6:1.2.3.4", Bytes { 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 1, 2, 3, 4 } },
        { "01.2.3.4", std::nullopt }, // leading zero
        { "256.1.1.1", std::nullopt },
        { "1.2.3", std::nullopt },
        { "1.2.3.4.", std::nullopt },
        { " 1.2.3.4", std::nullopt },
        { "1::2::3", std::nullopt },
        { "1:2:3:4:5:6:7:8:9", std::nullopt },
        { "1:2:3:4:5:6:7::8", std::nullopt }, // "::" must stand for a group
        { "12345::", std::nullopt },
        { ":1::", std::nullopt },
        { "1:", std::nullopt },
        { "fe80::1%lo", std::nullopt },
        { "1:2:3:4:5:6:7:1.2.3.4", std::nullopt },
        { "", std::nullopt },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseNumericAddress(c.text), c.bytes) << c.text;
}

TEST(FsdAccessTest, MalformedNetworksAreRefused)
{
    for (const char* text : { "10.0.0.0/33", "::/129", "10.0.0.0/", "10.0.0.0/-1", "10.0.0/8",
             "10.0.0.0/8x", "host.example/8", "", "/8", "10.0.0.0/ 8" })
        EXPECT_FALSE(CAddressRange::Parse(text).has_value()) << text;
    EXPECT_TRUE(IsLoopbackAddress("127.0.0.2"));
    EXPECT_TRUE(IsLoopbackAddress("::1"));
    EXPECT_FALSE(IsLoopbackAddress("0.0.0.0"));
    EXPECT_FALSE(IsLoopbackAddress("")); // every interface
}

TEST(FsdAccessTest, PasswordIsTheFifthFieldOfTheLogin)
{
    CFsdAccess access;
    EXPECT_TRUE(access.IsPasswordAccepted("#AAABC:SERVER\r\n")); // none asked
    access.password = "secret";
    EXPECT_TRUE(access.IsPasswordAccepted("#AAABC:SERVER:Some One:1234567:secret:1:9\r\n"));
    EXPECT_TRUE(access.IsPasswordAccepted("#AAABC:SERVER:Some One:1234567:secret\r\n"));
    EXPECT_FALSE(access.IsPasswordAccepted("#AAABC:SERVER:Some One:1234567:secreT:1:9\r\n"));
    EXPECT_FALSE(access.IsPasswordAccepted("#AAABC:SERVER:Some One:1234567:secrets\r\n"));
    EXPECT_FALSE(access.IsPasswordAccepted("#AAABC:SERVER:Some One:1234567:secre\r\n"));
    EXPECT_FALSE(access.IsPasswordAccepted("#AAABC:SERVER:Some One:1234567:\r\n"));
    EXPECT_FALSE(access.IsPasswordAccepted("#AAABC:SERVER:secret:1234567\r\n"));
    EXPECT_FALSE(access.IsPasswordAccepted("#AAABC:secret\r\n"));
}

class EventLogTest : public testing::Test {
protected:
    std::string Written()
    {
        std::fflush(m_file);
        std::rewind(m_file);
        std::string text;
        for (int c; (c = std::fgetc(m_file)) != EOF;)
            text += static_cast<char>(c);
        return text;
    }

    platform::FakeClock m_clock { 1'700'000'000 }; // 2023-11-14 22:13:20 UTC
    std::FILE* m_file = std::tmpfile();

    ~EventLogTest() override { std::fclose(m_file); }
};

TEST_F(EventLogTest, LinesCarryTheirPriorityAndTheTimeInUtc)
{
    CEventLog log(m_file);
    log.Log(LogLevel::Info, "a", "feed connected");
    log.Log(LogLevel::Warning, "b", "client refused");
    log.Log(LogLevel::Error, "c", "cannot listen\nsecond line");
    EXPECT_EQ(Written(),
        "<6>2023-11-14T22:13:20Z feed connected\n"
        "<4>2023-11-14T22:13:20Z client refused\n"
        "<3>2023-11-14T22:13:20Z cannot listen second line\n");
}

TEST_F(EventLogTest, OnlyRepeatsOfAFailureAreHeldBackAndCounted)
{
    CEventLog log(m_file);
    for (int i = 0; i < 5; ++i)
        log.Log(LogLevel::Warning, "failure:refused", "refused " + std::to_string(i));
    log.Log(LogLevel::Warning, "failure:other", "another failure");
    log.Log(LogLevel::Warning, "lost", "a change of state");
    log.Log(LogLevel::Warning, "lost", "a change of state");
    m_clock.Advance(29);
    log.Log(LogLevel::Warning, "failure:refused", "refused 5");
    m_clock.Advance(1);
    log.Log(LogLevel::Warning, "failure:refused", "refused 6");
    log.Log(LogLevel::Info, "failure:refused", "infos are never held back");
    log.Log(LogLevel::Info, "failure:refused", "infos are never held back");
    m_clock.Advance(30);
    log.Log(LogLevel::Warning, "failure:refused", "refused 7");
    EXPECT_EQ(Written(),
        "<4>2023-11-14T22:13:20Z refused 0\n"
        "<4>2023-11-14T22:13:20Z another failure\n"
        "<4>2023-11-14T22:13:20Z a change of state\n"
        "<4>2023-11-14T22:13:20Z a change of state\n"
        "<4>2023-11-14T22:13:50Z refused 6 (5 more times in the last 30 s)\n"
        "<6>2023-11-14T22:13:50Z infos are never held back\n"
        "<6>2023-11-14T22:13:50Z infos are never held back\n"
        "<4>2023-11-14T22:14:20Z refused 7\n");
}

TEST_F(EventLogTest, QuietKeepsWarningsAndErrorsOnly)
{
    CEventLog log(m_file, true);
    log.Log(LogLevel::Info, "a", "client connected");
    log.Log(LogLevel::Warning, "b", "client cut off");
    log.Log(LogLevel::Error, "c", "cannot listen");
    EXPECT_EQ(Written(),
        "<4>2023-11-14T22:13:20Z client cut off\n<3>2023-11-14T22:13:20Z cannot listen\n");
}

} // namespace
