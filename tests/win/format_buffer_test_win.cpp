// The bounded print as the Windows runtime does it: the mingw-w64 printf
// family, not glibc's, stands behind every log line of the launcher.
#include "foundation/format_buffer.h"

#include <gtest/gtest.h>

#include <windows.h>

TEST(FormatToBufferOnWindows, ConversionsTheLogsUse)
{
    char buffer[64];
    ASSERT_GT(
        FormatToBuffer(buffer, sizeof(buffer), "%08x/C%04d %llu %ld", 0x80070002u, 2, 12345678901ull, -5L),
        0);
    EXPECT_STREQ(buffer, "80070002/C0002 12345678901 -5");
    ASSERT_GT(FormatToBuffer(buffer, sizeof(buffer), "(%8X) %#X %5.2f", 0xF003Fu, 0x11u, 1.5), 0);
    EXPECT_STREQ(buffer, "(   F003F) 0X11  1.50");
    EXPECT_EQ(FormatToBuffer(buffer, 4, "%s", "abcd"), -1);
    EXPECT_STREQ(buffer, "");
}
