#include "diagnostics/error_description.h"
#include "foundation/text_limits.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
std::string Tag(uint32_t code, int kind)
{
    char tag[kErrorTagCapacity];
    EXPECT_GT(FormatErrorTag(code, tag, kind), 0);
    return tag;
}
} // namespace

TEST(ErrorTag, NamesTheKindAndGivesTheLowWordInDecimal)
{
    EXPECT_EQ(Tag(0, kErrorKindWin32), "[WIN32 0x00000000/C0000]");
    EXPECT_EQ(Tag(2, kErrorKindWin32), "[WIN32 0x00000002/C0002]");
    EXPECT_EQ(Tag(0xC0000022, kErrorKindNtStatus), "[NTSTATUS 0xc0000022/C0034]");
    EXPECT_EQ(Tag(0x80070002, kErrorKindHResult), "[HRESULT 0x80070002/C0002]");
    EXPECT_EQ(Tag(13, kErrorKindErrno), "[ERRNO 0x0000000d/C0013]");
    EXPECT_EQ(Tag(0x8007FFFF, 4), "[0x8007ffff/C65535]");
    EXPECT_EQ(Tag(12345, -1), "[0x00003039/C12345]");
}

TEST(ErrorDescription, JoinsTagAndSystemTextOrSaysUnknown)
{
    char description[kErrorTextCapacity];
    ComposeErrorDescription("[WIN32 0x00000005/C0005]", "Access denied.\r\n", description,
                            sizeof(description));
    EXPECT_STREQ(description, "[WIN32 0x00000005/C0005] Access denied.\r\n"); // the text is kept as given
    ComposeErrorDescription("[NTSTATUS 0xc0000001/C0001]", nullptr, description, sizeof(description));
    EXPECT_STREQ(description, "[NTSTATUS 0xc0000001/C0001] Unknown Error");
    char tiny[16];
    ComposeErrorDescription("[WIN32 0x00000005/C0005]", "x", tiny, sizeof(tiny));
    EXPECT_STREQ(tiny, "");
}
