// What each group of the system information record writes to the debug
// log, and the small judgements behind those lines. Everything works on
// values already gathered, so support staff get the same words whatever
// gathered them.
#pragma once

#include "sysinfo/system_info.h"

#include <cstddef>
#include <cstdint>

// Where Windows 7 users are sent by the end-of-life statement.
extern const char kWindows7EndOfSupportAddress[];

// The operating-system line and, one level deeper, either the Windows 7
// end-of-life statement (only in the load that chose a Windows 7
// workstation name) or the warning about a system off the supported list.
void LogOperatingSystemLines(const SystemInfoRecord& record, bool windows7Statement);

// Whole megabytes, rounded down.
uint64_t WholeMegabytes(uint64_t bytes);

// Processor, architecture, memory and computer name.
void LogHardwareLines(const SystemInfoRecord& record);

// "Low", "Medium", "High", or empty for a label below Medium other than Low.
const char* IntegrityLevelName(uint32_t integrityRid);

// The results of reading "EnableLUA": the open's and the read's Win32 codes
// (0 for success) and the value.
struct UacSettingReading
{
    uint32_t OpenError;
    uint32_t ReadError;
    uint32_t Value;
};

// Logs what the reading says and decides whether UAC counts as on. A
// setting that cannot be read counts as on, so the launcher asks for rights
// rather than assuming it has them; only a missing value counts as off.
[[nodiscard]] bool JudgeUacSetting(const UacSettingReading& reading);

// "Executing as ..." and "Process running ...", each into a message buffer.
void BuildAccountSentence(const SystemInfoRecord& record, char* destination, std::size_t capacity);
void BuildProcessSentence(const SystemInfoRecord& record, char* destination, std::size_t capacity);
// An administrator held back by UAC is told that elevation will be asked for.
[[nodiscard]] bool AdministratorNoteWanted(const SystemInfoRecord& record);
void LogRightsLines(const SystemInfoRecord& record);

// A token query that failed: who asked, what could not be done, and the
// Win32 code of the failed call.
struct TokenFailure
{
    const char* Operation;
    const char* Action;
    uint32_t Error;
};

// The error line of a failed token query, ending with the description.
void LogTokenFailure(const TokenFailure& failure, const char* description);
