#include "environment/program_start_failures.h"

#include <gtest/gtest.h>

#include <string>

TEST(ProgramStartFailures, FailureMessagesNameTheReasonForEachApi)
{
    EXPECT_STREQ(
        ExecuteProcessFailureMessage(2),
        "ExecuteProcessEx: ERROR: The process has failed to start. The specified file was not found.");
    EXPECT_STREQ(ExecuteAppFailureMessage(1157),
                 "ExecuteApp: ERROR: The process has failed to start. One of the "
                 "library files necessary to run the application can't be found.");
    EXPECT_STREQ(ExecuteAppFailureMessage(87), "ExecuteApp: ERROR: The process has failed to start.");
    // A user who declines is not an error.
    EXPECT_EQ(ExecuteProcessFailureMessage(1223), nullptr);
    EXPECT_EQ(ExecuteAppFailureMessage(1223), nullptr);
}

TEST(ProgramStartFailures, ShellResultCodeStandsInForAClearedLastError)
{
    EXPECT_EQ(ShellStartError(5, 2), 5u); // the last error wins when there is one
    EXPECT_EQ(ShellStartError(0, 2), 2u);
    EXPECT_EQ(ShellStartError(0, 26), 32u);
    EXPECT_EQ(ShellStartError(0, 32), 1157u);
    EXPECT_EQ(ShellStartError(0, 42), 0u);
}
