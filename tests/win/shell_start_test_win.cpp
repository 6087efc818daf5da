// Starting programs through the shell; the plain process start of the main
// program is read by the end-to-end tests.
#include "diagnostics/log.h"
#include "environment/shell_start_win.h"
#include "support/dialog_dismisser.h"
#include "support/win_log_fixture.h"
#include "sysinfo/system_info.h"

#include <windows.h>

#include <string>

namespace
{
class ShellStart : public WinLogTest
{
  protected:
    void SetUp() override
    {
        WinLogTest::SetUp();
        SystemInfoObject.OsNamed = true;
        SystemInfoObject.IsWin7OrGreater = true;
        GetModuleFileNameA(nullptr, program_, MAX_PATH);
        *strrchr(program_, '\\') = '\0';
        strcat(program_, "\\exit_code_program.exe");
    }

    char program_[MAX_PATH];
};
} // namespace

TEST_F(ShellStart, ShellStartPassesTheExitCodeOnUnchanged)
{
    EXPECT_EQ(ExecuteAppEx(nullptr, program_, "0", true, true), 0);
    EXPECT_EQ(ExecuteAppEx(nullptr, program_, "1641", true, true), 1641);
    EXPECT_EQ(ExecuteAppEx(nullptr, program_, "3010", true, false), 3010);
    EXPECT_EQ(ErrorCount, 0u);
    const std::string run = std::string("DEBUG    ExecuteAppEx:    -> ((null)) ") + program_ + " 1641";
    EXPECT_TRUE(HasDebugLine(run));
    EXPECT_TRUE(HasDebugLine("DEBUG    Added \"runas\" verb."));
    EXPECT_TRUE(HasDebugLine("DEBUG    ExecuteAppEx: Calling into ShellExecuteEx to spawn process."));
    EXPECT_TRUE(HasDebugLine("DEBUG    ExecuteApp: WaitForSingleObject has returned OK."));

    // Older systems get no "runas" verb.
    SystemInfoObject.IsWin7OrGreater = false;
    ForgetLines();
    EXPECT_EQ(ExecuteAppEx(nullptr, program_, "7", true, true), 7);
    EXPECT_FALSE(HasDebugLine("DEBUG    Added \"runas\" verb."));
}

TEST_F(ShellStart, WithoutWaitingTheProgramIsStillActive)
{
    EXPECT_EQ(ExecuteAppEx(nullptr, program_, "5 3000", false, true), 259);
    EXPECT_FALSE(HasDebugLine("DEBUG    ExecuteApp: WaitForSingleObject has returned OK."));
}

TEST_F(ShellStart, MissingProgramIsNamedWithItsReasonAndTag)
{
    DialogDismisser dismisser; // the shell explains a missing file in a box of its own
    EXPECT_EQ(ExecuteAppEx(nullptr, "C:\\nowhere\\missing.exe", "", true, true), -1);
    EXPECT_TRUE(dismisser.Dismissed());
    EXPECT_EQ(ErrorCount, 1u);
    EXPECT_EQ(ErrorLines(),
              std::vector<std::string>{"ERROR !!  ExecuteApp: ERROR: The process has failed to start. "
                                       "The specified file was not found.; [WIN32 0x00000002/C0002]"});
}
