#include "environment/known_folders.h"

#include "foundation/text_limits.h"
#include "support/host_ansi_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace
{
class FolderText : public ::testing::Test
{
  protected:
    void TearDown() override { host_ansi_text::UseDoubleByteCodePage(false); }
};

std::string WithBackslash(const std::string& path)
{
    char buffer[kPathCapacity];
    std::snprintf(buffer, sizeof(buffer), "%s", path.c_str());
    AppendTrailingBackslash(buffer, sizeof(buffer));
    return buffer;
}
} // namespace

TEST_F(FolderText, TrailingBackslashIsAddedOnceAndNeverToAnEmptyFolder)
{
    EXPECT_EQ(WithBackslash("C:\\windows"), "C:\\windows\\");
    EXPECT_EQ(WithBackslash("C:\\windows\\"), "C:\\windows\\");
    EXPECT_EQ(WithBackslash("C:\\"), "C:\\");
    EXPECT_EQ(WithBackslash(""), "");
    // 259 characters leave no room: the path stays as it is.
    const std::string longest(kPathCapacity - 1, 'a');
    EXPECT_EQ(WithBackslash(longest), longest);
    EXPECT_EQ(WithBackslash(longest.substr(1)), longest.substr(1) + "\\");
}

TEST_F(FolderText, TrailingByteThatLooksLikeABackslashIsNotOne)
{
    host_ansi_text::UseDoubleByteCodePage(true);
    // 0x95 0x5C is one double-byte character whose second byte is 0x5C.
    EXPECT_FALSE(EndsWithBackslash("C:\\\x95\x5C"));
    EXPECT_EQ(WithBackslash("C:\\\x95\x5C"), "C:\\\x95\x5C\\");
    EXPECT_TRUE(EndsWithBackslash("C:\\\x95\x5C\\"));
    host_ansi_text::UseDoubleByteCodePage(false);
    EXPECT_TRUE(EndsWithBackslash("C:\\\x95\x5C"));
}

TEST_F(FolderText, CacheIsDefaultedOnlyWhenItsParentFellBackToTheWindowsFolder)
{
    EXPECT_TRUE(IsCacheDefaulted("C:\\windows\\", "C:\\windows\\"));
    EXPECT_TRUE(IsCacheDefaulted("X:C:\\windows\\", "C:\\windows\\")); // a substring anywhere
    EXPECT_FALSE(IsCacheDefaulted("C:\\users\\u\\AppData\\Local\\Oskelt\\Orvanta\\", "C:\\windows\\"));
    EXPECT_FALSE(IsCacheDefaulted("C:\\WINDOWS\\", "C:\\windows\\")); // the text, case and all
    // Without a Windows folder only an empty parent counts.
    EXPECT_FALSE(IsCacheDefaulted("C:\\users\\u\\Oskelt\\Orvanta\\", ""));
    EXPECT_TRUE(IsCacheDefaulted("", ""));
}

TEST_F(FolderText, DefaultedTestMatchesWholeCharactersOnly)
{
    host_ansi_text::UseDoubleByteCodePage(true);
    // The Windows folder's text appears only from the trailing byte of 0x95 0x5C on.
    EXPECT_FALSE(IsCacheDefaulted("D:\\\x95\x5Cwin\\", "\\win\\"));
    EXPECT_TRUE(IsCacheDefaulted("D:\\\x95\x5C\\win\\", "\\win\\"));
}
