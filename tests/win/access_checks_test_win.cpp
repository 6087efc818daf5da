// The default descriptor set, the Everyone and invoker checks on
// descriptors built here, and the file and folder checks on what Wine
// reports for real files.
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
    // The debug lines that hold the text, joined.
    std::vector<std::string> Containing(const std::string& text) const
    {
        std::vector<std::string> found;
        for (const std::string& line : DebugMessages())
        {
            if (line.find(text) != std::string::npos)
            {
                found.push_back(line);
            }
        }
        return found;
    }

    TestSid everyone_ = TestSid::WellKnown(WinWorldSid);
    TestSid administrators_ = TestSid::WellKnown(WinBuiltinAdministratorsSid);
    TestSid user_ = TestSid::ProcessUser();
};

const std::string kEveryoneFailed = "ERROR !!  CheckEveryoneRightsInFile failed: Failed to perform access "
                                    "check for \"Everyone\" on DACL; The "
                                    "access check call resulted in an ACCESS_DENIED error [WIN32 "
                                    "0x00000005/C0005]. This usually indicates that "
                                    "\"Everyone\" does not have rights to access this location.";
} // namespace

TEST_F(AccessChecks, DefaultSetGrantsEveryoneAndAdministratorsFullAccessAndIsReleasedWhole)
{
    SecurityDescriptorSet set;
    ASSERT_TRUE(CreateSecurityDescriptorSet(set));
    EXPECT_TRUE(EqualSid(set.pEveryoneSID, everyone_.Get()));
    EXPECT_TRUE(EqualSid(set.pAdministratorsSID, administrators_.Get()));
    ASSERT_EQ(set.pACL->AceCount, 2);
    const PSID trustees[] = {everyone_.Get(), administrators_.Get()};
    for (DWORD i = 0; i < 2; ++i)
    {
        void* entry = nullptr;
        ASSERT_TRUE(GetAce(set.pACL, i, &entry));
        const ACCESS_ALLOWED_ACE* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
        EXPECT_EQ(ace->Mask, 0x1F01FFu);
        EXPECT_TRUE(EqualSid(const_cast<DWORD*>(&ace->SidStart), trustees[i]));
    }
    EXPECT_EQ(HeapSize(GetProcessHeap(), 0, set.pSD), 40u);
    EXPECT_TRUE(IsValidSecurityDescriptor(set.pSD));
    PSID owner = nullptr;
    BOOL defaulted = TRUE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(set.pSD, &owner, &defaulted));
    EXPECT_TRUE(EqualSid(owner, set.pAdministratorsSID));
    EXPECT_FALSE(defaulted);
    EXPECT_EQ(DebugLines(),
              (std::vector<std::string>{
                  DeveloperLine(0, "@ CreateSecurityDescriptorSet() {"),
                  DiagnosticLine(1, "CreateSecurityDescriptor: Generating security descriptor..."),
                  DeveloperLine(0, "@ } CreateSecurityDescriptorSet"),
              }));
    // What the set grants, checked as the launcher checks it.
    EXPECT_EQ(CheckEveryoneRightsInFile(set.pSD), kRightsTrue);

    ReleaseSecurityDescriptorSet(set);
    EXPECT_EQ(set.pEveryoneSID, nullptr);
    EXPECT_EQ(set.pAdministratorsSID, nullptr);
    EXPECT_EQ(set.pACL, nullptr);
    EXPECT_EQ(set.pSD, nullptr);
    ReleaseSecurityDescriptorSet(set);
}

TEST_F(AccessChecks, EveryoneNeedsEveryFileRightOrEveryKeyRight)
{
    TestDescriptor modify(administrators_.Get());
    modify.Allow(everyone_.Get(), 0x1301BF);
    EXPECT_EQ(CheckEveryoneRightsInFile(modify.Get()), kRightsFalse);
    EXPECT_EQ(
        Containing("CheckEveryoneRightsInFile: "),
        (std::vector<std::string>{
            DeveloperLine(0, "CheckEveryoneRightsInFile: Comparing to security descriptor at " +
                                 PointerText(modify.Get()) + "."),
            DeveloperLine(0, "CheckEveryoneRightsInFile: pAccessReply->Error=0."),
            DiagnosticLine(0, "CheckEveryoneRightsInFile: Full rights access check for \"Everyone\" on DACL "
                              "result: False."),
        }));

    TestDescriptor keyAllAccess(administrators_.Get());
    keyAllAccess.Allow(everyone_.Get(), KEY_ALL_ACCESS);
    EXPECT_EQ(CheckEveryoneRightsInRegistry(keyAllAccess.Get()), kRightsTrue);
    EXPECT_EQ(ErrorCount, 0u);

    // Nothing granted at all: the check could not vouch for anything.
    TestDescriptor administratorsOnly(administrators_.Get());
    administratorsOnly.Allow(administrators_.Get(), FILE_ALL_ACCESS);
    EXPECT_EQ(CheckEveryoneRightsInFile(administratorsOnly.Get()), kRightsError);
    EXPECT_EQ(ErrorLines(), std::vector<std::string>{kEveryoneFailed});
}

TEST_F(AccessChecks, InvokerIsJudgedByTheProcessToken)
{
    TestDescriptor full(administrators_.Get());
    full.Allow(user_.Get(), FILE_ALL_ACCESS);
    EXPECT_EQ(CheckInvokerRightsInFile(full.Get()), kRightsTrue);
    TestDescriptor readOnly(administrators_.Get());
    readOnly.Allow(user_.Get(), FILE_GENERIC_READ).Deny(administrators_.Get(), FILE_ALL_ACCESS);
    EXPECT_EQ(CheckInvokerRightsInFile(readOnly.Get()), kRightsFalse);
    EXPECT_EQ(Containing("for invoker on DACL result"),
              (std::vector<std::string>{
                  DiagnosticLine(0, "CheckInvokerRightsInFile: Full rights access check for invoker on DACL "
                                    "result: True."),
                  DiagnosticLine(0, "CheckInvokerRightsInFile: Full rights access check for invoker on DACL "
                                    "result: False."),
              }));
    EXPECT_EQ(ErrorCount, 0u);
}

TEST_F(AccessChecks, FileCheckRunsOnWhatWineReportsAndReportsMissingFiles)
{
    EXPECT_EQ(IsFileUnrestricted("C:\\windows\\win.ini"), 1);
    const std::vector<std::string> lines = DebugMessages();
    EXPECT_EQ(lines.front(),
              DiagnosticLine(0, "IsFileUnrestricted: Checking target \"C:\\windows\\win.ini\"."));
    EXPECT_EQ(
        Containing("IsFileUnrestricted: Validating"),
        std::vector<std::string>{DiagnosticLine(
            0,
            "IsFileUnrestricted: Validating process invoker access on target \"C:\\windows\\win.ini\"...")});
    EXPECT_EQ(Containing("Full rights").at(0),
              DiagnosticLine(
                  1, "CheckInvokerRightsInFile: Full rights access check for invoker on DACL result: True."));
    EXPECT_EQ(Containing("appears unrestricted"),
              std::vector<std::string>{DiagnosticLine(
                  0, "IsFileUnrestricted: Target \"C:\\windows\\win.ini\" appears unrestricted.")});
    EXPECT_EQ(Containing("HeapFreeHlpr: Freeing heap allocated memory for pSD").size(), 1u);
    EXPECT_EQ(ErrorCount, 0u);

    ForgetLines();
    const std::string missing = folder_ + "missing.ini";
    EXPECT_EQ(IsFileUnrestricted(missing.c_str()), 0);
    EXPECT_EQ(ErrorLines(), std::vector<std::string>{"ERROR !!  IsFileUnrestricted: File \"" + missing +
                                                     "\" does not exist or is blocked."});
    // Released on this way out too, though nothing was allocated.
    EXPECT_EQ(Containing("pSD heap pointer to HeapFreeHlpr").size(), 1u);
    EXPECT_EQ(Containing("Allocated memory for pSD is already free.").size(), 1u);
}

TEST_F(AccessChecks, FolderCheckAsksAboutTheChosenPartyAndKeepsMissingFoldersOutOfTheErrorLog)
{
    const std::string folder = folder_.substr(0, folder_.size() - 1);
    EXPECT_EQ(IsFolderUnrestricted(folder.c_str(), false), 1);
    EXPECT_EQ(
        Containing("IsFolderUnrestricted: Validating"),
        std::vector<std::string>{DiagnosticLine(
            0, "IsFolderUnrestricted: Validating process invoker access on folder \"" + folder + "\"...")});
    EXPECT_EQ(Containing("IsFolderUnrestricted: Folder"),
              std::vector<std::string>{
                  DiagnosticLine(0, "IsFolderUnrestricted: Folder \"" + folder + "\" is unrestricted.")});

    // Wine makes the descriptor up from the Unix mode bits: Everyone may
    // read and list, no more.
    ForgetLines();
    EXPECT_EQ(IsFolderUnrestricted(folder.c_str(), true), 0);
    EXPECT_EQ(
        Containing("ParseAccessMask").at(0),
        DiagnosticLine(0, "ParseAccessMask found granted file system rights within Access Mask (  1200A9): "
                          "Read; Execute; Synchronize; ReadAttr; ReadEA; ReadSecurity."));
    EXPECT_EQ(Containing("IsFolderUnrestricted: \"Everyone\""),
              std::vector<std::string>{DiagnosticLine(
                  0, "IsFolderUnrestricted: \"Everyone\" does not have full access to folder \"" + folder +
                         "\".")});
    EXPECT_EQ(ErrorCount, 0u);

    ForgetLines();
    const std::string missing = folder_ + "missing";
    EXPECT_EQ(IsFolderUnrestricted(missing.c_str(), true), 0);
    EXPECT_EQ(Containing("IsFolderUnrestricted: Folder"),
              std::vector<std::string>{
                  DiagnosticLine(0, "IsFolderUnrestricted: Folder \"" + missing + "\" does not exist.")});
    EXPECT_EQ(ErrorCount, 0u);
    EXPECT_EQ(LogDepth, 0);
}

TEST_F(AccessChecks, BeforeWindows7NothingCountsAsUnrestricted)
{
    UseSystemFacts(false);
    EXPECT_EQ(IsFileUnrestricted("C:\\windows\\win.ini"), 0);
    EXPECT_EQ(IsFolderUnrestricted("C:\\windows", false), 0);
    EXPECT_TRUE(DebugLines().empty());
    EXPECT_EQ(ErrorCount, 0u);
}
