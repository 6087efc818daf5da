// The default descriptor set and the Everyone and invoker checks on
// descriptors built here, which Wine cannot keep on real files. The checks
// of real files and folders are read in a start's log by the end-to-end
// tests.
#include "diagnostics/log.h"
#include "environment/access_checks_win.h"
#include "support/security_builder.h"
#include "support/system_facts.h"
#include "support/win_log_fixture.h"

#include <windows.h>

#include <string>

namespace
{
class AccessChecks : public WinLogTest
{
  protected:
    void SetUp() override
    {
        WinLogTest::SetUp();
        UseSystemFacts(true);
    }
    TestSid everyone_ = TestSid::WellKnown(WinWorldSid);
    TestSid administrators_ = TestSid::WellKnown(WinBuiltinAdministratorsSid);
    TestSid user_ = TestSid::ProcessUser();
};

} // namespace

TEST_F(AccessChecks, DefaultSetGrantsEveryoneAndAdministratorsFullAccess)
{
    const std::optional<SecurityDescriptorSet> set = CreateSecurityDescriptorSet();
    ASSERT_TRUE(set);
    EXPECT_TRUE(EqualSid(set->pEveryoneSID.Get(), everyone_.Get()));
    EXPECT_TRUE(EqualSid(set->pAdministratorsSID.Get(), administrators_.Get()));
    ASSERT_EQ(set->pACL.Get()->AceCount, 2);
    const PSID trustees[] = {everyone_.Get(), administrators_.Get()};
    for (DWORD i = 0; i < 2; ++i)
    {
        void* entry = nullptr;
        ASSERT_TRUE(GetAce(set->pACL.Get(), i, &entry));
        const ACCESS_ALLOWED_ACE* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
        EXPECT_EQ(ace->Mask, 0x1F01FFu);
        EXPECT_TRUE(EqualSid(const_cast<DWORD*>(&ace->SidStart), trustees[i]));
    }
    PSID owner = nullptr;
    BOOL defaulted = TRUE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(set->pSD.Get(), &owner, &defaulted));
    EXPECT_TRUE(EqualSid(owner, set->pAdministratorsSID.Get()));
    // What the set grants, checked as the launcher checks it.
    EXPECT_EQ(CheckEveryoneRightsInFile(set->pSD.Get()), kRightsTrue);
}

TEST_F(AccessChecks, EachCheckWantsEveryRightForItsParty)
{
    TestDescriptor everyoneModify(administrators_.Get());
    everyoneModify.Allow(everyone_.Get(), 0x1301BF);
    TestDescriptor everyoneKeyAll(administrators_.Get());
    everyoneKeyAll.Allow(everyone_.Get(), KEY_ALL_ACCESS);
    TestDescriptor userFull(administrators_.Get());
    userFull.Allow(user_.Get(), FILE_ALL_ACCESS);
    // The invoker's groups count too: Wine's processes are administrators.
    TestDescriptor userReadOnly(administrators_.Get());
    userReadOnly.Allow(user_.Get(), FILE_GENERIC_READ).Deny(administrators_.Get(), FILE_ALL_ACCESS);
    EXPECT_EQ(CheckEveryoneRightsInFile(everyoneModify.Get()), kRightsFalse);
    EXPECT_EQ(CheckEveryoneRightsInRegistry(everyoneKeyAll.Get()), kRightsTrue);
    EXPECT_EQ(CheckInvokerRightsInFile(userFull.Get()), kRightsTrue);
    EXPECT_EQ(CheckInvokerRightsInFile(userReadOnly.Get()), kRightsFalse);
    EXPECT_EQ(DebugMessagesWith("pAccessReply->Error=0.").size(), 4u);
    EXPECT_EQ(ErrorCount, 0u);

    // Nothing granted at all: the check could not vouch for anything.
    TestDescriptor administratorsOnly(administrators_.Get());
    administratorsOnly.Allow(administrators_.Get(), FILE_ALL_ACCESS);
    EXPECT_EQ(CheckEveryoneRightsInFile(administratorsOnly.Get()), kRightsError);
    EXPECT_EQ(ErrorCount, 1u);
}

TEST_F(AccessChecks, MissingFileIsAnErrorAndItsBufferIsReleasedAllTheSame)
{
    const std::string missing = folder_ + "missing.ini";
    EXPECT_EQ(IsFileUnrestricted(missing.c_str()), 0);
    EXPECT_EQ(ErrorLines(), std::vector<std::string>{"ERROR !!  IsFileUnrestricted: File \"" + missing +
                                                     "\" does not exist or is blocked."});
    EXPECT_EQ(DebugMessagesWith("pSD heap pointer to HeapFreeHlpr").size(), 1u);
    EXPECT_EQ(DebugMessagesWith("Allocated memory for pSD is already free.").size(), 1u);
}

TEST_F(AccessChecks, BeforeWindows7NothingCountsAsUnrestricted)
{
    UseSystemFacts(false);
    EXPECT_EQ(IsFileUnrestricted("C:\\windows\\win.ini"), 0);
    EXPECT_EQ(IsFolderUnrestricted("C:\\windows", false), 0);
    EXPECT_TRUE(DebugLines().empty());
    EXPECT_EQ(ErrorCount, 0u);
}
