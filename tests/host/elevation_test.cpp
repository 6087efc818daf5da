#include "environment/elevation.h"
#include "support/rights_facts.h"

#include <gtest/gtest.h>

#include <string>

TEST(Elevation, RequestIsDecidedByTheFirstMatchingRow)
{
    using A = ElevationAnswer;
    const std::string prefix = "RequestElevatedRights: ";
    struct Row
    {
        bool win7;
        bool uac;
        bool elevated;
        bool adminInvoked;
        bool refused;
        A answer;
        const char* line; // after the prefix; null for none
    };
    const Row rows[] = {
        {false, true, true, true, true, A::Grant,
         "Process is invoked as admin. No elevation is necessary on this OS."},
        {false, true, true, false, false, A::Refuse,
         "Process is NOT invoked as admin. Process must have admin privileges to proceed."},
        {true, false, true, false, false, A::Refuse,
         "UAC appears to be disabled, and process is NOT invoked as admin. Process must have admin "
         "privileges to proceed."},
        {true, false, false, true, true, A::Grant, nullptr},
        {true, true, true, false, true, A::Grant, "Process has UAC elevation privileges."},
        {true, true, false, true, true, A::Grant,
         "Process DOES NOT have UAC elevation privileges, but is running as an admin. This should be OK."},
        {true, true, false, false, true, A::Refuse,
         "Process DOES NOT have UAC elevation privileges and process is NOT invoked as admin. Previous "
         "elevation request was denied. Process must have admin privileges to proceed."},
        {true, true, false, false, false, A::AskUser,
         "Process DOES NOT have UAC elevation privileges or admin rights. We will prompt to restart with "
         "elevated status."},
    };
    for (const Row& row : rows)
    {
        const ElevationDecision decision = DecideElevationRequest(
            RightsFacts(row.win7, row.uac, row.elevated, row.adminInvoked), row.refused);
        const std::string expected = row.line != nullptr ? prefix + row.line : "";
        EXPECT_EQ(decision.Answer, row.answer) << expected;
        EXPECT_EQ(decision.Line != nullptr ? decision.Line : "", expected);
    }
}

TEST(Elevation, TheElevatedCopyGetsTheArgumentsAndTheSwitch)
{
    char parameters[260];
    SetRestartArguments("-d -i \"C:\\Data Folder\" rate");
    FormatRestartParameters(parameters, sizeof(parameters));
    EXPECT_STREQ(parameters, "-d -i \"C:\\Data Folder\" rate -el");

    // Arguments that leave no room for the switch are dropped rather than
    // cut: the copy still learns that it is the elevated restart.
    SetRestartArguments(std::string(257, 'x').c_str());
    FormatRestartParameters(parameters, sizeof(parameters));
    EXPECT_STREQ(parameters, " -el");
    SetRestartArguments("");
    FormatRestartParameters(parameters, sizeof(parameters));
    EXPECT_STREQ(parameters, " -el");
}
