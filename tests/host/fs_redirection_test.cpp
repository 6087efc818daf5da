#include "environment/fs_redirection.h"

#include "diagnostics/log.h"
#include "foundation/format_buffer.h"
#include "support/log_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// The redirection calls of a WOW64 process, scripted by the test.
struct FakeWow64
{
    bool switchOffWorks = true;
    bool switchOnWorks = true;
    int switchOffs = 0;
    int switchOns = 0;
    void* revertedToken = nullptr;
};
FakeWow64 fake;
char tokenStorage;
void* const kToken = &tokenStorage;

bool FakeSwitchOff(void** token, uint32_t* error)
{
    ++fake.switchOffs;
    if (!fake.switchOffWorks)
    {
        *error = 50;
        return false;
    }
    *token = kToken;
    return true;
}

bool FakeSwitchOn(void* token, uint32_t* error)
{
    ++fake.switchOns;
    fake.revertedToken = token;
    if (!fake.switchOnWorks)
    {
        *error = 6;
        return false;
    }
    return true;
}

void FakeDescribe(uint32_t code, char* destination, std::size_t capacity)
{
    FormatToBuffer(destination, capacity, "[code %u]", static_cast<unsigned>(code));
}

const RedirectionCalls kFakeCalls = {FakeSwitchOff, FakeSwitchOn, FakeDescribe};

class Redirection : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        folder_ = log_state::Reset();
        OpenLogs(folder_.c_str(), log_state::WithDeveloperSwitch());
        log_state::WriteFile(folder_ + "OvwinDebug.log", "");
        fake = FakeWow64();
        state_ = RedirectionState{false, false, nullptr};
    }
    std::vector<std::string> Debug() const { return log_state::ReadMessages(folder_ + "OvwinDebug.log"); }
    std::vector<std::string> Errors() const { return log_state::ReadMessages(folder_ + "OvwinError.log"); }
    std::string TokenText() const
    {
        char text[32];
        FormatToBuffer(text, sizeof(text), "%p", kToken);
        return text;
    }

    std::string folder_;
    RedirectionState state_;
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
    EXPECT_EQ(Debug(),
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
    EXPECT_EQ(Debug(),
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

TEST_F(Redirection, FailedSwitchOffStaysEnabledAndIsReported)
{
    fake.switchOffWorks = false;
    EXPECT_FALSE(DisableRedirection(state_, true, kFakeCalls));
    EXPECT_FALSE(state_.Disabled);
    EXPECT_FALSE(state_.Exempt);
    EXPECT_EQ(Errors(), std::vector<std::string>{"ERROR !!  DisableFSCompatibility failed: Failed to disable "
                                                 "WOW64 FS redirection; [code 50]"});
    fake.switchOffWorks = true;
    EXPECT_TRUE(DisableRedirection(state_, true, kFakeCalls)); // a later attempt may succeed
    EXPECT_TRUE(state_.Disabled);
}

TEST_F(Redirection, FailedSwitchOnAsksTheCallerToEndTheProcess)
{
    ASSERT_TRUE(DisableRedirection(state_, true, kFakeCalls));
    fake.switchOnWorks = false;
    EXPECT_FALSE(EnableRedirection(state_, kFakeCalls));
    EXPECT_EQ(Errors(),
              std::vector<std::string>{
                  "ERROR !!  EnableFSCompatibility failed: *CRITICAL* Failed to re-enable WOW64 file "
                  "system emulation compatibility redirection for this process. Process integrity may "
                  "be compromised and application must close; [code 6]"});
}
