#include "proxy/traffic/IcaoDataTable.h"

#include "support/RecordingControls.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

CIcaoDataElement Row(std::string key, std::string first = {})
{
    CIcaoDataElement row;
    row.key = std::move(key);
    row.column[0] = std::move(first);
    return row;
}

std::vector<std::string> Keys(const CIcaoDataTable& table)
{
    std::vector<std::string> keys;
    for (const auto& row : table.elements)
        keys.push_back(row.key);
    return keys;
}

class IcaoDataTableTest : public testing::Test {
protected:
    CIcaoDataTable m_table;
};

TEST_F(IcaoDataTableTest, InsertsSortedIgnoringCaseAndFindsByBisection)
{
    EXPECT_EQ(m_table.Find("a"), -1);
    for (const char* key : { "B", "a", "C" })
        m_table.InsertSorted(Row(key));
    EXPECT_EQ(Keys(m_table), (std::vector<std::string> { "a", "B", "C" }));
    EXPECT_EQ(m_table.Find("b"), 1);
    EXPECT_EQ(m_table.Find("A"), 0);
    EXPECT_EQ(m_table.Find("c"), 2);
    EXPECT_EQ(m_table.Find("bb"), -1);
    EXPECT_EQ(m_table.Find(""), -1);
}

TEST_F(IcaoDataTableTest, OrdersEveryByteConsistentlyForSearch)
{
    // Bytes between 'Z' and 'a' and above 127 sort one way for insertion and search alike, so
    // every key of a large shuffled table is found again in any letter case.
    std::vector<std::string> keys;
    for (int i = 0; i < 500; ++i) {
        std::string key = "4ca" + std::to_string(i * 7919 % 100000);
        key += (i % 3 == 0) ? "_" : (i % 3 == 1) ? "Z" : "\xe9";
        keys.push_back(key);
    }
    std::mt19937 random(42);
    std::shuffle(keys.begin(), keys.end(), random);
    for (const auto& key : keys)
        m_table.InsertSorted(Row(key));
    for (const auto& key : keys) {
        std::string upper = key;
        for (char& c : upper)
            c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        const int found = m_table.Find(upper);
        ASSERT_GE(found, 0) << key;
        EXPECT_EQ(m_table.GetAt(found).key, key);
    }
}

TEST_F(IcaoDataTableTest, KeepsEqualKeysInInsertionOrder)
{
    m_table.InsertSorted(Row("ABC", "first"));
    m_table.InsertSorted(Row("abd"));
    m_table.InsertSorted(Row("abc", "second"));
    m_table.InsertSorted(Row("0"));
    ASSERT_EQ(Keys(m_table), (std::vector<std::string> { "0", "ABC", "abc", "abd" }));
    EXPECT_EQ(m_table.GetAt(1).column[0], "first");
    EXPECT_EQ(m_table.GetAt(2).column[0], "second");
    const int found = m_table.Find("aBc");
    EXPECT_TRUE(found == 1 || found == 2);
}

TEST_F(IcaoDataTableTest, GetAtRejectsIndexesOutsideTheTable)
{
    EXPECT_THROW(m_table.GetAt(0), std::invalid_argument);
    m_table.InsertSorted(Row("K"));
    EXPECT_NO_THROW(m_table.GetAt(0));
    EXPECT_THROW(m_table.GetAt(-1), std::invalid_argument);
    EXPECT_THROW(m_table.GetAt(1), std::invalid_argument);
}

class LookupFilesTest : public testing::Test {
protected:
    CScratchDirectory m_directory;
    CIcaoDataTable m_table;
};

TEST_F(LookupFilesTest, SplitsAtTabsAndTrimsOnlyLeadingSpacesOfColumns)
{
    m_directory.Write("t.txt",
        "K1\t   HA-LVA  \t\tthird\r\n"
        " K2 \tx\n"
        "no tab here\n"
        "\n"
        "#comment\tloaded too\n"
        "K3\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\n"
        "last\tline without end");
    ASSERT_EQ(m_table.Load("t.txt"), 5);
    EXPECT_EQ(m_table.fileName, "t.txt");
    EXPECT_EQ(Keys(m_table), (std::vector<std::string> { " K2 ", "#comment", "K1", "K3", "last" }));

    const auto& k1 = m_table.GetAt(m_table.Find("k1"));
    EXPECT_EQ(k1.column[0], "HA-LVA  ");
    EXPECT_EQ(k1.column[1], "");
    EXPECT_EQ(k1.column[2], "third");
    EXPECT_EQ(k1.column[3], "");
    EXPECT_EQ(m_table.Find("K2"), -1); // blanks of the key must match
    EXPECT_EQ(m_table.GetAt(m_table.Find("K3")).column[9], "10");
    EXPECT_EQ(m_table.GetAt(m_table.Find("last")).column[0], "line without end");
}

TEST_F(LookupFilesTest, ReadsLongLinesInPiecesOf255Characters)
{
    // 300 characters, then a TAB: the first piece has no TAB and is skipped, the second
    // (characters 255 on) is loaded as a line of its own.
    const std::string longKey(300, 'k');
    m_directory.Write("t.txt", longKey + "\tvalue\nshort\tv\n");
    ASSERT_EQ(m_table.Load("t.txt"), 2);
    const int found = m_table.Find(std::string(300 - 255, 'k'));
    ASSERT_GE(found, 0);
    EXPECT_EQ(m_table.GetAt(found).column[0], "value");
}

TEST_F(LookupFilesTest, LoadingAnUnsortedFileEqualsInsertingItsRowsOneByOne)
{
    std::string content;
    CIcaoDataTable inserted;
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        std::string key = std::to_string(random() % 300);
        key += (random() % 2) ? "a" : "A"; // duplicates, in both cases
        const std::string value = std::to_string(i);
        content += key + "\t" + value + "\n";
        inserted.InsertSorted(Row(key, value));
    }
    m_directory.Write("t.txt", content);
    ASSERT_EQ(m_table.Load("t.txt"), 2000);
    ASSERT_EQ(m_table.elements.size(), inserted.elements.size());
    for (std::size_t i = 0; i < inserted.elements.size(); ++i) {
        EXPECT_EQ(m_table.elements[i].key, inserted.elements[i].key);
        EXPECT_EQ(m_table.elements[i].column[0], inserted.elements[i].column[0]);
    }
}

TEST_F(LookupFilesTest, AMissingFileLeavesTheTableEmpty)
{
    m_directory.Write("t.txt", "K\tV\n");
    ASSERT_EQ(m_table.Load("t.txt"), 1);
    EXPECT_EQ(m_table.Load("missing.txt"), 0);
    EXPECT_EQ(m_table.GetSize(), 0);
    EXPECT_EQ(m_table.fileName, "missing.txt");
}

} // namespace
