// The line assembly of the proxy's connections, without a socket.
#include "proxy/net/LineFramer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;

// A framer that collects the lines it hands on.
struct CCollector {
    // Feeds `bytes` as receives would bring them (pieces of at most the free space).
    void Feed(const std::string& bytes)
    {
        framer.Feed(bytes.data(), bytes.size(), [this](char* line) {
            lines.emplace_back(line);
            return true;
        });
    }

    CLineFramer framer;
    Lines lines;
};

// Lines of `stream` fed in pieces cut at `cuts` (ascending offsets), on a fresh framer.
Lines Framed(const std::string& stream, const std::vector<std::size_t>& cuts)
{
    CCollector collector;
    std::size_t from = 0;
    for (const std::size_t cut : cuts) {
        collector.Feed(stream.substr(from, cut - from));
        from = cut;
    }
    collector.Feed(stream.substr(from));
    return collector.lines;
}

class LineFramerTest : public testing::Test {
protected:
    void Feed(const std::string& bytes) { m_collector.Feed(bytes); }

    CCollector m_collector;
    CLineFramer& m_framer = m_collector.framer;
    Lines& lines = m_collector.lines;
};

std::string Line(std::size_t length, char fill = 'x') // `length` bytes, the LF included
{
    return std::string(length - 1, fill) + "\n";
}

// Good lines around an over-long one and one holding a NUL.
const std::string kStream = "%ABC:1\r\n#TMA:B:hi\r\n" + Line(1100) + "MSG,3\n" + "a\0b\r\n"s + "\n"
    + Line(1024, 'y') + "tail\n";
const Lines kStreamLines
    = { "%ABC:1\r\n", "#TMA:B:hi\r\n", "MSG,3\n", "\n", Line(1024, 'y'), "tail\n" };

TEST_F(LineFramerTest, EverySplitOfAStreamGivesTheSameLines)
{
    EXPECT_EQ(Framed(kStream, {}), kStreamLines);
    for (std::size_t cut = 0; cut <= kStream.size(); ++cut)
        ASSERT_EQ(Framed(kStream, { cut }), kStreamLines) << "cut at " << cut;

    const std::string shortStream = "%A:1\r\n\0x\n#TM:B:c\r\nQ\n"s;
    const Lines shortLines = { "%A:1\r\n", "#TM:B:c\r\n", "Q\n" };
    for (std::size_t first = 0; first <= shortStream.size(); ++first) {
        for (std::size_t second = first; second <= shortStream.size(); ++second)
            ASSERT_EQ(Framed(shortStream, { first, second }), shortLines) << first << "," << second;
    }
}

TEST_F(LineFramerTest, BytesOneAtATime)
{
    for (const char byte : kStream) {
        ASSERT_GE(m_framer.SpaceLength(), 1);
        *m_framer.Space() = byte;
        m_framer.Commit(1, [this](char* line) {
            lines.emplace_back(line);
            return true;
        });
    }
    EXPECT_EQ(lines, kStreamLines);
    EXPECT_EQ(m_framer.HeldLength(), 0);
}

TEST_F(LineFramerTest, ALineHoldingANulIsDropped)
{
    Feed("a\n" + "b\0c\n"s + "d\n");
    Feed("e\0"s); // the NUL held over to the next receive
    Feed("f\ng\n");
    EXPECT_EQ(lines, (Lines { "a\n", "d\n", "g\n" }));
}

TEST_F(LineFramerTest, AnOverLongLineIsDroppedUpToItsLineFeed)
{
    Feed("a\n" + Line(5000) + "b\n");
    Feed(std::string(3000, 'z'));
    Feed("z\nc\n");
    EXPECT_EQ(lines, (Lines { "a\n", "b\n", "c\n" }));
}

TEST_F(LineFramerTest, ACarriageReturnAloneEndsNoLine)
{
    Feed("a\rb\r");
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(m_framer.HeldLength(), 4);
    Feed("\n");
    EXPECT_EQ(lines, Lines { "a\rb\r\n" });
}

TEST_F(LineFramerTest, ALineFeedAsTheLastByteOfAFullBuffer)
{
    // Lines filling the buffer exactly: the last LF is its last byte, and nothing is dropped.
    const std::string full = Line(1000) + Line(24);
    ASSERT_EQ(full.size(), static_cast<std::size_t>(kMaxLineLength));
    Feed(full.substr(0, 1010));
    EXPECT_EQ(m_framer.SpaceLength(), kMaxLineLength - 10);
    Feed(full.substr(1010) + "next\n");
    EXPECT_EQ(lines, (Lines { Line(1000), Line(24), "next\n" }));
}

TEST_F(LineFramerTest, TheLongestLinePasses)
{
    Feed(Line(kMaxLineLength - 1));
    Feed(std::string(kMaxLineLength - 1, 'x')); // held: 1023 bytes, and room for one more
    Feed("\n");
    EXPECT_EQ(lines, (Lines { Line(kMaxLineLength - 1), Line(kMaxLineLength) }));
}

TEST_F(LineFramerTest, OneByteMoreIsDropped)
{
    Feed(Line(kMaxLineLength + 1) + "after\n");
    EXPECT_EQ(lines, Lines { "after\n" });
}

TEST_F(LineFramerTest, AHandlerStopsTheReceive)
{
    const auto stopAtB = [this](char* line) {
        lines.emplace_back(line);
        return lines.back() != "b\n";
    };
    const std::string receive = "a\nb\nc\nhel";
    EXPECT_FALSE(m_framer.Feed(receive.data(), receive.size(), stopAtB));
    EXPECT_EQ(lines, (Lines { "a\n", "b\n" }));
    EXPECT_EQ(m_framer.HeldLength(), 0); // the rest of that receive is gone
    Feed("d\n");
    EXPECT_EQ(lines.back(), "d\n");
}

TEST_F(LineFramerTest, ResetStartsANewStream)
{
    Feed(std::string(kMaxLineLength, 'x')); // now dropping up to the next LF
    Feed("held");
    m_framer.Reset();
    EXPECT_EQ(m_framer.SpaceLength(), kMaxLineLength);
    Feed("new\n");
    EXPECT_EQ(lines, Lines { "new\n" });
}

} // namespace
