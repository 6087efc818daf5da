#include "environment/fs_redirection.h"

#include "developer_log_fixture.h"
#include "diagnostics/format_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// The redirection calls of a WOW64 process, counted by the test. The
// launcher is a 64-bit program, never under WOW64: it is exempt, and must
// never make them.
int calls = 0;

bool FakeSwitchOff(void**, uint32_t*)
{
    ++calls;
    return true;
}

bool FakeSwitchOn(void*, uint32_t*)
{
    ++calls;
    return true;
}

void FakeDescribe(uint32_t code, char* destination, std::size_t capacity)
{
    FormatToBuffer(destination, capacity, "[code %u]", static_cast<unsigned>(code));
}

const RedirectionCalls kFakeCalls = {FakeSwitchOff, FakeSwitchOn, FakeDescribe};

class Redirection : public DeveloperLogTest
{
  protected:
    void SetUp() override
    {
        DeveloperLogTest::SetUp();
        calls = 0;
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
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(Lines(),
              std::vector<std::string>{"DEBUG    DisableFSCompatibility: This process is exempt from "
                                       "compatibility redirection. (This notice will not be repeated)"});
}
