// Error descriptions with the system's own message texts.
#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "foundation/text_limits.h"
#include "support/win_log_fixture.h"

#include <windows.h>

#include <string>

namespace
{
// What the system says about a code, exactly as the launcher asks for it.
std::string SystemText(DWORD code)
{
    char* text = nullptr;
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_MAX_WIDTH_MASK;
    if (FormatMessageA(flags, nullptr, code, 0, reinterpret_cast<char*>(&text), 1, nullptr) == 0)
    {
        return "";
    }
    std::string result(text);
    LocalFree(text);
    return result;
}

using ErrorDescriptionOnWindows = WinLogTest;
} // namespace

TEST_F(ErrorDescriptionOnWindows, Win32CodeGetsTheTagAndTheSystemsTextUntouched)
{
    const std::string text = SystemText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(text.empty());
    char description[kErrorTextCapacity];
    EXPECT_EQ(std::string(FormatErrorString(2, description, sizeof(description))),
              "[WIN32 0x00000002/C0002] " + text);
    EXPECT_EQ(std::string(FormatErrorString(5, description, sizeof(description), kErrorKindErrno)),
              "[ERRNO 0x00000005/C0005] " + SystemText(5));
    EXPECT_EQ(std::string(FormatErrnoString(2, description)), "[ERRNO 0x00000002/C0002] " + text);
    EXPECT_EQ(ErrorCount, 0u);
}

TEST_F(ErrorDescriptionOnWindows, CodeWithoutTextIsUnknownAndTheFailedLookUpIsAnError)
{
    const uint32_t code = 0xC0DE0001; // no message table knows it
    ASSERT_TRUE(SystemText(code).empty());
    char description[kErrorTextCapacity];
    EXPECT_STREQ(FormatErrorString(code, description, sizeof(description), kErrorKindNtStatus),
                 "[NTSTATUS 0xc0de0001/C0001] Unknown Error");
    EXPECT_EQ(ErrorCount, 1u);
    EXPECT_EQ(ErrorLines(),
              std::vector<std::string>{
                  "ERROR !!  FormatErrorString: Failed to retrieve formatted error description."});
}
