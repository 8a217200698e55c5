#include "proxy/traffic/FieldList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

class FieldListTest : public testing::Test {
protected:
    std::vector<std::string> SplitText(std::string text, char delimiter)
    {
        m_buffer = std::move(text);
        m_fields.Split(m_buffer.data(), delimiter);
        return { m_fields.field, m_fields.field + m_fields.fieldCount };
    }

    std::string m_buffer;
    CFieldList m_fields;
};

TEST_F(FieldListTest, CutsAtDelimitersAndAtTheFirstLineEnd)
{
    using Fields = std::vector<std::string>;
    EXPECT_EQ(SplitText("", ','), Fields { "" });
    EXPECT_EQ(SplitText("a,b\r\n", ','), Fields({ "a", "b" }));
    EXPECT_EQ(SplitText("ab\r,c", ','), Fields { "ab" });
    EXPECT_EQ(SplitText("x\ny,z", ','), Fields { "x" });
    EXPECT_EQ(SplitText(",, a ,", ','), Fields({ "", "", " a ", "" }));
    EXPECT_EQ(SplitText("#AAAPP:SERVER:x,y\n", ':'), Fields({ "#AAAPP", "SERVER", "x,y" }));
    EXPECT_EQ(SplitText("key\t  v1\t\tv3", '\t'), Fields({ "key", "  v1", "", "v3" }));
}

TEST_F(FieldListTest, KeepsAtMostFiftyFieldsAndDropsTheRest)
{
    std::string line;
    for (int i = 0; i < 61; ++i)
        line += (i == 0 ? "" : ",") + std::to_string(i);
    const auto sixtyCommas = SplitText(line + "\r\n", ',');
    ASSERT_EQ(sixtyCommas.size(), 50u);
    EXPECT_EQ(sixtyCommas[49], "49"); // the text between the 49th and 50th commas

    line.clear();
    for (int i = 0; i < 50; ++i)
        line += (i == 0 ? "" : ",") + std::to_string(i); // 49 commas: the last field is kept
    const auto fortyNineCommas = SplitText(line, ',');
    ASSERT_EQ(fortyNineCommas.size(), 50u);
    EXPECT_EQ(fortyNineCommas[49], "49");

    ASSERT_EQ(SplitText(line + ",", ',').size(), 50u); // the 50th comma ends the 50th field
}

// The plain character-by-character cut, as the splitter's contract reads.
std::vector<std::string> ReferenceSplit(std::string& text, char delimiter)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            text.resize(i);
            break;
        }
        if (text[i] == delimiter && fields.size() < CFieldList::kMaxFields) {
            fields.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (fields.size() < CFieldList::kMaxFields)
        fields.push_back(text.substr(start));
    return fields;
}

TEST_F(FieldListTest, AgreesWithThePlainCutOnRandomLines)
{
    std::mt19937 random(7);
    const char alphabet[] = { ',', ',', ',', ':', '\t', '\r', '\n', 'a', '0', ' ', '\x7f', '\xe9' };
    for (int n = 0; n < 20000; ++n) {
        // Every fourth line is long and has no line end before its last twenty bytes, so that
        // it passes fifty delimiters.
        const bool longLine = n % 4 == 0;
        std::string line(random() % (longLine ? 400 : 120), 'x');
        for (std::size_t i = 0; i < line.size(); ++i) {
            do
                line[i] = alphabet[random() % sizeof alphabet];
            while (longLine && i + 20 < line.size() && (line[i] == '\r' || line[i] == '\n'));
        }
        for (const char delimiter : { ',', ':', '\t' }) {
            std::string expectedText = line;
            const std::vector<std::string> expected = ReferenceSplit(expectedText, delimiter);
            ASSERT_EQ(SplitText(line, delimiter), expected) << n << " " << delimiter;
        }
    }
}

} // namespace
