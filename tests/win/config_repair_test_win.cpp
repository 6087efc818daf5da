// What the repairs decide where a start under Wine cannot show it: the
// Everyone grant merged into DACLs built here, a folder whose parent is
// missing, and the registry repair without administrator rights.
#include "diagnostics/log.h"
#include "environment/config_repair.h"
#include "environment/dacl_merge_win.h"
#include "environment/known_folders.h"
#include "foundation/format_buffer.h"
#include "support/security_builder.h"
#include "support/system_facts.h"
#include "support/win_log_fixture.h"
#include "sysinfo/system_info.h"

#include <windows.h>

#include <sddl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
const char* const kCompanyKey = "SOFTWARE\\Altavy Solutions Inc.";

// Each entry of an ACL as "type flags mask trustee", in its order.
std::vector<std::string> Entries(PACL acl)
{
    std::vector<std::string> entries;
    for (DWORD i = 0; acl != nullptr && i < acl->AceCount; ++i)
    {
        void* entry = nullptr;
        GetAce(acl, i, &entry);
        const ACCESS_ALLOWED_ACE* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        LocalMemory<char> sid;
        ConvertSidToStringSidA(const_cast<DWORD*>(&ace->SidStart), sid.Receive());
        char text[128];
        snprintf(text, sizeof(text), "%s %02x %08lx %s",
                 ace->Header.AceType == ACCESS_DENIED_ACE_TYPE ? "deny" : "allow", ace->Header.AceFlags,
                 static_cast<unsigned long>(ace->Mask), sid.Get());
        entries.push_back(text);
    }
    return entries;
}

class ConfigRepair : public WinLogTest
{
  protected:
    void SetUp() override
    {
        WinLogTest::SetUp();
        UseSystemFacts(true);
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, (std::string(kCompanyKey) + "\\Launcher").c_str(),
                        KEY_WOW64_64KEY, 0);
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kCompanyKey, KEY_WOW64_64KEY, 0);
    }
    void TearDown() override
    {
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, (std::string(kCompanyKey) + "\\Launcher").c_str(),
                        KEY_WOW64_64KEY, 0);
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kCompanyKey, KEY_WOW64_64KEY, 0);
        WinLogTest::TearDown();
    }

    TestSid everyone_ = TestSid::WellKnown(WinWorldSid);
    TestSid administrators_ = TestSid::WellKnown(WinBuiltinAdministratorsSid);
    TestSid guests_ = TestSid::WellKnown(WinBuiltinGuestsSid);
    TestSid user_ = TestSid::ProcessUser();
};
} // namespace

TEST_F(ConfigRepair, EveryoneGrantJoinsTheKeysDaclOnceAndKeepsEveryOtherEntry)
{
    TestDescriptor key(administrators_.Get());
    key.Deny(guests_.Get(), KEY_SET_VALUE)
        .Allow(administrators_.Get(), KEY_ALL_ACCESS, CONTAINER_INHERIT_ACE)
        .Allow(user_.Get(), KEY_READ)
        .Allow(everyone_.Get(), KEY_READ); // an earlier, narrower grant
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(key.Get(), &present, &dacl, &defaulted));
    const std::vector<std::string> before = Entries(dacl);

    EXPLICIT_ACCESS_A grant = EveryoneKeyGrant();
    const MergedAcl merged = MergeIntoDacl(dacl, &grant, 1);
    ASSERT_EQ(merged.Error, static_cast<DWORD>(ERROR_SUCCESS));
    const std::vector<std::string> after = Entries(merged.Acl.Get());
    // Everyone's grant is replaced by full access for the key and its subkeys.
    const std::string everyoneGrant = "allow 03 f20fffff S-1-1-0";
    std::vector<std::string> expected;
    for (const std::string& entry : before)
    {
        if (entry.find(" S-1-1-0") == std::string::npos)
        {
            expected.push_back(entry);
        }
    }
    std::vector<std::string> others;
    int everyoneEntries = 0;
    for (const std::string& entry : after)
    {
        if (entry == everyoneGrant)
        {
            ++everyoneEntries;
        }
        else
        {
            others.push_back(entry);
        }
    }
    EXPECT_EQ(everyoneEntries, 1) << ::testing::PrintToString(after);
    EXPECT_EQ(others, expected);

    // Every start repairs again: the DACL stays as it is.
    const MergedAcl again = MergeIntoDacl(merged.Acl.Get(), &grant, 1);
    ASSERT_EQ(again.Error, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(Entries(again.Acl.Get()), after);
}

TEST_F(ConfigRepair, AFolderIsCreatedOnlyInAnExistingParentAndOnlyByAnAdministrator)
{
    const std::string orphan = folder_ + "gone\\Altavy";
    const std::string folder = folder_ + "Altavy";

    // A standard user is told, and nothing is tried.
    EXPECT_FALSE(CreateUnrestrictedFolder(folder.c_str()));
    EXPECT_EQ(DebugMessagesWith("CreateUnrestrictedFolder: Process"),
              std::vector<std::string>{DiagnosticLine(
                  1, "CreateUnrestrictedFolder: Process does not have admin rights. Attempting to create \"" +
                         folder + "\" without admin rights will likely fail.")});
    EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);

    SystemInfoObject.IsAdminInvoked = true;
    ForgetLines();
    EXPECT_FALSE(CreateUnrestrictedFolder(orphan.c_str()));
    const std::vector<std::string> errors = ErrorLines();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(
        errors[0].rfind("ERROR !!  OVWin program data folder modification failed: Error while creating \"" +
                            orphan + "\"; [WIN32 0x00000003/C0003] ",
                        0),
        0u)
        << errors[0];
    EXPECT_EQ(GetFileAttributesA(orphan.c_str()), INVALID_FILE_ATTRIBUTES);

    // Created, then opened up again: the folder's handle is closed under
    // its name on that path.
    EXPECT_TRUE(CreateUnrestrictedFolder(folder.c_str()));
    ForgetLines();
    EXPECT_TRUE(CreateUnrestrictedFolder(folder.c_str()));
    EXPECT_EQ(DebugMessagesWith("Modified security on existing").size(), 1u);
    EXPECT_EQ(DebugMessagesWith("CloseAndDestroyHandle: Closing hFile=").size(), 1u);
    EXPECT_TRUE(ErrorLines().empty());
    RemoveDirectoryA(folder.c_str());
}

TEST_F(ConfigRepair, ACacheThatFellBackToTheWindowsFolderIsLeftAlone)
{
    SystemInfoObject.IsAdminInvoked = true;
    CopyToBuffer(KnownFoldersList.WinDir, kPathCapacity, "C:\\windows\\");
    CopyToBuffer(KnownFoldersList.TCacheParentDir, kPathCapacity, "C:\\windows\\");
    CopyToBuffer(KnownFoldersList.UserDir, kPathCapacity, folder_.c_str());
    UpdateCacheFolder();
    EXPECT_EQ(ErrorLines(),
              std::vector<std::string>{"ERROR !!  UpdateCacheFolder failed: Cache folder is being defaulted "
                                       "to \"C:\\windows\\\", and cannot be modified."});
    EXPECT_EQ(GetFileAttributesA((folder_ + "Oskelt").c_str()), INVALID_FILE_ATTRIBUTES);
    std::memset(&KnownFoldersList, 0, sizeof(KnownFoldersList));
}

TEST_F(ConfigRepair, WithoutAdministratorRightsTheKeyIsCreatedAndBothStepsCountAsPassed)
{
    // The test process itself may write the key; the facts say it may not.
    SetLastRunFromFolder("C:\\Program Files\\Altavy\\Orvanta");
    EXPECT_TRUE(UpdateConfigRegistry());
    EXPECT_EQ(ErrorLines(),
              (std::vector<std::string>{
                  "ERROR !!  OVWin registry modification failed: Administrative rights are required to "
                  "open/modify virtualization for key \"SOFTWARE\\Altavy Solutions Inc.\"",
                  "ERROR !!  OVWin registry modification failed: Administrative rights are required to "
                  "open/modify security descriptor for key \"SOFTWARE\\Altavy Solutions Inc.\""}));
    DWORD stage = 0;
    DWORD size = sizeof(stage);
    ASSERT_EQ(
        RegGetValueA(HKEY_LOCAL_MACHINE, kCompanyKey, "_icode", RRF_RT_REG_DWORD, nullptr, &stage, &size),
        ERROR_SUCCESS);
    EXPECT_EQ(stage, static_cast<DWORD>(kStageSecurityRemoved));
}
