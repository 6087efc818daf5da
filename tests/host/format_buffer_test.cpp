#include "foundation/format_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

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

TEST(PlainText, IsNeverReadAsAFormatOnlyItsDoubledPercentsAreHalved)
{
    const std::pair<const char*, const char*> cases[] = {
        {"100%% done", "100% done"},
        {"C:\\Rates %s%n%d\\50% off.dat", "C:\\Rates %s%n%d\\50% off.dat"},
        {"%%%", "%%"},
        {"%", "%"},
        {"", ""},
    };
    for (const auto& [text, shown] : cases)
    {
        EXPECT_EQ(PlainText(text), shown) << text;
        char buffer[64];
        EXPECT_EQ(FormatTextToBuffer(buffer, sizeof(buffer), text), static_cast<int>(std::strlen(shown)));
        EXPECT_STREQ(buffer, shown);
    }
    // What does not fit is not written, as with FormatToBuffer.
    char small[6];
    EXPECT_EQ(FormatTextToBuffer(small, sizeof(small), "ab%%cd"), 5);
    EXPECT_STREQ(small, "ab%cd");
    EXPECT_EQ(FormatTextToBuffer(small, sizeof(small), "%s%n%d"), -1);
    EXPECT_STREQ(small, "");
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
