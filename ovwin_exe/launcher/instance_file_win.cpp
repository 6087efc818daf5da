#include "launcher/instance_file.h"

#include "diagnostics/error_description.h"
#include "diagnostics/log.h"
#include "foundation/format_buffer.h"
#include "launcher/command_line.h"
#include "launcher/launch_plan.h"
#include "launcher/launcher_identity.h"

#include <cerrno>
#include <cstdio>

bool CreateT1File(bool usingCache, const char* argumentText, char* pathOut)
{
    char engineCommands[kPathCapacity];
    JoinEngineCommands(',', engineCommands, sizeof(engineCommands));
    char path[kPathCapacity];
    BuildStartFilePath(usingCache, KnownFoldersList.TCacheParentDir, KnownFoldersList.CurrDir, "instance.t1",
                       path, sizeof(path));
    if (usingCache)
    {
        DebugLogAt(kLogDeveloper, "CreateT1File: Using _tcache1 folder location for output: %s", path);
    }
    else
    {
        DebugLogAt(kLogDeveloper, "CreateT1File: Using local install folder location for output: %s", path);
    }

    // Text mode: every line, the last too, ends with CR LF.
    std::FILE* file = std::fopen(path, "w");
    if (file == nullptr)
    {
        char description[kErrorTextCapacity];
        FormatErrnoString(errno, description);
        ErrorLog("Failed to create T1 instance file \"%s\"; %s", path, description);
        return false;
    }
    const InstanceFacts facts = {ModulePath,     &LauncherVersion, argumentText,
                                 engineCommands, WorkingFolder,    &KnownFoldersList,
                                 DebugLogPath,   ErrorLogPath,     &SystemInfoObject};
    for (const std::string& line : BuildInstanceFileLines(facts))
    {
        std::fprintf(file, "%s\n", line.c_str());
    }
    std::fclose(file);
    CopyToBuffer(pathOut, kPathCapacity, path);
    return true;
}
