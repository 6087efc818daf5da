#include "foundation/format_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(FormatToBuffer, WritesWhatFitsAndCountsIt)
{
    char buffer[8];
    EXPECT_EQ(FormatToBuffer(buffer, sizeof(buffer), "%s-%d", "ab", 42), 5);
    EXPECT_STREQ(buffer, "ab-42");
    // Seven characters and the terminator fill the buffer exactly.
    EXPECT_EQ(FormatToBuffer(buffer, sizeof(buffer), "%s", "1234567"), 7);
    EXPECT_STREQ(buffer, "1234567");
}

TEST(FormatToBuffer, LeavesTheBufferEmptyWhenTheResultDoesNotFit)
{
    char buffer[8];
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(FormatToBuffer(buffer, sizeof(buffer), "%s", "12345678"), -1);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(FormatToBuffer(buffer, 0, "%s", ""), -1);
}

TEST(FormatToBuffer, FixedTextIsAFormatWithoutArguments)
{
    char buffer[16];
    EXPECT_EQ(FormatTextToBuffer(buffer, sizeof(buffer), "100%% done"), 9);
    EXPECT_STREQ(buffer, "100% done");
}

TEST(FormatToBuffer, WideTwinFollowsTheSameRules)
{
    wchar_t buffer[6];
    EXPECT_EQ(FormatToBufferW(buffer, 6, L"%ls\\%d", L"ab", 7), 4);
    EXPECT_EQ(std::wstring(buffer), L"ab\\7");
    EXPECT_EQ(FormatToBufferW(buffer, 6, L"%ls", L"123456"), -1);
    EXPECT_EQ(std::wstring(buffer), L"");
}

TEST(BoundedCopy, CutsAtTheCapacityAndSaysSo)
{
    char buffer[6] = "ab";
    EXPECT_TRUE(AppendToBuffer(buffer, sizeof(buffer), "cd"));
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_FALSE(AppendToBuffer(buffer, sizeof(buffer), "efg"));
    EXPECT_STREQ(buffer, "abcde");
    EXPECT_FALSE(CopyToBuffer(buffer, sizeof(buffer), "0123456789"));
    EXPECT_STREQ(buffer, "01234");
    EXPECT_TRUE(CopyToBuffer(buffer, sizeof(buffer), ""));
    EXPECT_STREQ(buffer, "");
}
