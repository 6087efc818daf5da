#include "environment/fs_redirection.h"

#include "developer_log_fixture.h"
#include "diagnostics/format_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// The redirection calls of a WOW64 process, counted by the test. (The
// launcher is a 64-bit program: only the exempt path runs in it.)
struct FakeWow64
{
    int switchOffs = 0;
    int switchOns = 0;
    void* revertedToken = nullptr;
};
FakeWow64 fake;
char tokenStorage;
void* const kToken = &tokenStorage;

bool FakeSwitchOff(void** token, uint32_t*)
{
    ++fake.switchOffs;
    *token = kToken;
    return true;
}

bool FakeSwitchOn(void* token, uint32_t*)
{
    ++fake.switchOns;
    fake.revertedToken = token;
    return true;
}

void FakeDescribe(uint32_t code, char* destination, std::size_t capacity)
{
    FormatToBuffer(destination, capacity, "[code %u]", static_cast<unsigned>(code));
}

const RedirectionCalls kFakeCalls = {FakeSwitchOff, FakeSwitchOn, FakeDescribe};

std::string TokenText()
{
    char text[32];
    FormatToBuffer(text, sizeof(text), "%p", kToken);
    return text;
}

class Redirection : public DeveloperLogTest
{
  protected:
    void SetUp() override
    {
        DeveloperLogTest::SetUp();
        fake = FakeWow64();
    }

    RedirectionState state_ = {false, false, nullptr};
};
} // namespace

TEST_F(Redirection, OutsideWow64TheFirstSwitchOffMakesTheProcessExemptForGood)
{
    EXPECT_TRUE(DisableRedirection(state_, false, kFakeCalls));
    EXPECT_TRUE(state_.Exempt);
    EXPECT_TRUE(DisableRedirection(state_, true, kFakeCalls));
    EXPECT_TRUE(EnableRedirection(state_, kFakeCalls));
    EXPECT_TRUE(EnableRedirection(state_, kFakeCalls));
    EXPECT_EQ(fake.switchOffs + fake.switchOns, 0);
    EXPECT_EQ(Lines(),
              std::vector<std::string>{"DEBUG    DisableFSCompatibility: This process is exempt from "
                                       "compatibility redirection. (This notice will not be repeated)"});
}

TEST_F(Redirection, UnderWow64OneSwitchOnEndsAnyNumberOfSwitchOffs)
{
    EXPECT_TRUE(EnableRedirection(state_, kFakeCalls)); // nothing to switch on yet
    EXPECT_TRUE(DisableRedirection(state_, true, kFakeCalls));
    EXPECT_TRUE(DisableRedirection(state_, true, kFakeCalls));
    EXPECT_TRUE(state_.Disabled);
    EXPECT_TRUE(EnableRedirection(state_, kFakeCalls));
    EXPECT_FALSE(state_.Disabled);
    EXPECT_TRUE(EnableRedirection(state_, kFakeCalls));
    EXPECT_EQ(fake.switchOffs, 1);
    EXPECT_EQ(fake.switchOns, 1);
    EXPECT_EQ(fake.revertedToken, kToken);
    const std::string token = TokenText();
    const std::string already = "DEBUG X  EnableFSCompatibility: WOW64 file system emulation compatibility "
                                "redirection already enabled.";
    EXPECT_EQ(Lines(),
              (std::vector<std::string>{
                  already,
                  "DEBUG X  DisableFSCompatibility: Disabled WOW64 file system emulation compatibility "
                  "redirection (Token " +
                      token + ").",
                  "DEBUG X  DisableFSCompatibility: WOW64 file system emulation compatibility "
                  "redirection already disabled (Token " +
                      token + ").",
                  "DEBUG X  EnableFSCompatibility: Enabling WOW64 file system emulation compatibility "
                  "redirection (Token " +
                      token + ").",
                  already,
              }));
    EXPECT_EQ(ErrorCount, 0u);
}
