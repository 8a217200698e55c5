// The host's blanks are space, tab, CR and LF: a vertical tab or form feed is text.
#include "host/Text.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace {

TEST(HostTextTest, VerticalTabAndFormFeedAreNoBlanks)
{
    EXPECT_EQ(host::Trim(" \t\v x \f\r\n"), "\v x \f");
    EXPECT_EQ(host::SplitWords("a\vb \tc\fd\re\nf"),
        (std::vector<std::string_view> { "a\vb", "c\fd", "e", "f" }));
}

} // namespace
