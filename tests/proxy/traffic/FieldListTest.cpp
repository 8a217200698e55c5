#include "proxy/traffic/FieldList.h"

#include <gtest/gtest.h>

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

} // namespace
