#include "environment/program_start_failures.h"

namespace
{
struct FailureReason
{
    uint32_t code;
    const char* processMessage;
    const char* appMessage;
};

const FailureReason kFailureReasons[] = {
    {2, "ExecuteProcessEx: ERROR: The process has failed to start. The specified file was not found.",
     "ExecuteApp: ERROR: The process has failed to start. The specified file was not found."},
    {3, "ExecuteProcessEx: ERROR: The process has failed to start. The specified path was not found.",
     "ExecuteApp: ERROR: The process has failed to start. The specified path was not found."},
    {5,
     "ExecuteProcessEx: ERROR: The process has failed to start. Permission to access the specified file is "
     "denied.",
     "ExecuteApp: ERROR: The process has failed to start. Permission to access the specified file is "
     "denied."},
    {8,
     "ExecuteProcessEx: ERROR: The process has failed to start. There is not enough memory to perform the "
     "specified "
     "action.",
     "ExecuteApp: ERROR: The process has failed to start. There is not enough memory to perform the "
     "specified action."},
    {32, "ExecuteProcessEx: ERROR: The process has failed to start. A sharing violation occurred.",
     "ExecuteApp: ERROR: The process has failed to start. A sharing violation occurred."},
    {1155,
     "ExecuteProcessEx: ERROR: The process has failed to start. There is no application associated with the "
     "specified "
     "file name extension.",
     "ExecuteApp: ERROR: The process has failed to start. There is no application associated with the "
     "specified file "
     "name extension."},
    {1157,
     "ExecuteProcessEx: ERROR: The process has failed to start. One of the library files necessary to run "
     "the "
     "application can't be found.",
     "ExecuteApp: ERROR: The process has failed to start. One of the library files necessary to run the "
     "application "
     "can't be found."},
};

constexpr uint32_t kCancelledByUser = 1223;

const FailureReason* FindReason(uint32_t code)
{
    for (const FailureReason& reason : kFailureReasons)
    {
        if (reason.code == code)
        {
            return &reason;
        }
    }
    return nullptr;
}
} // namespace

const char* ExecuteProcessFailureMessage(uint32_t errorCode)
{
    if (errorCode == kCancelledByUser)
    {
        return nullptr;
    }
    const FailureReason* reason = FindReason(errorCode);
    return reason != nullptr ? reason->processMessage
                             : "ExecuteProcessEx: ERROR: The process has failed to start.";
}

const char* ExecuteAppFailureMessage(uint32_t errorCode)
{
    if (errorCode == kCancelledByUser)
    {
        return nullptr;
    }
    const FailureReason* reason = FindReason(errorCode);
    return reason != nullptr ? reason->appMessage : "ExecuteApp: ERROR: The process has failed to start.";
}

uint32_t ShellStartError(uint32_t lastError, intptr_t shellResult)
{
    if (lastError != 0)
    {
        return lastError;
    }
    switch (shellResult)
    {
        case 2:
            return 2; // SE_ERR_FNF: the file was not found
        case 3:
            return 3; // SE_ERR_PNF: the path was not found
        case 5:
            return 5; // SE_ERR_ACCESSDENIED
        case 8:
            return 8; // SE_ERR_OOM
        case 26:
            return 32; // SE_ERR_SHARE: a sharing violation
        case 27:       // SE_ERR_ASSOCINCOMPLETE
        case 31:
            return 1155; // SE_ERR_NOASSOC: no application for the extension
        case 32:
            return 1157; // SE_ERR_DLLNOTFOUND
        default:
            return 0;
    }
}
