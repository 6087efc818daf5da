#include "launcher/instance_file.h"

namespace
{
std::string Line(const char* key, const char* value)
{
    return std::string(key) + "=" + value;
}

std::string Flag(const char* key, bool value)
{
    return Line(key, value ? "Y" : "N");
}
} // namespace

std::vector<std::string> BuildInstanceFileLines(const InstanceFacts& facts)
{
    const LibraryVersion& version = *facts.launcherVersion;
    const KnownFoldersRecord& folders = *facts.folders;
    const SystemInfoRecord& info = *facts.systemInfo;

    std::vector<std::string> lines;
    lines.push_back("[INSTANCE]");
    lines.push_back("LAUNCHER=OVWIN");
    lines.push_back(Line("OVWIN", facts.modulePath));
    lines.push_back("OVWINVER=" + std::to_string(static_cast<int>(version.Major)) + "." +
                    std::to_string(static_cast<int>(version.Minor)) + "." +
                    std::to_string(static_cast<int>(version.Build)) + "." +
                    std::to_string(static_cast<int>(version.Revision)));
    lines.push_back("OVWINTYPE=64");
    lines.push_back(Line("ARGS", facts.argumentText));
    lines.push_back(Line("CMDLINE", facts.engineCommands));
    lines.push_back(Line("WFOLDER", facts.workingFolder));
    if (folders.Loaded)
    {
        lines.push_back("[ENVIRONMENT]");
        lines.push_back(Line("WINDIR", folders.WinDir));
        lines.push_back(Line("SYSDIR", folders.SysDir));
        lines.push_back(Line("USERDIR", folders.UserDir));
        lines.push_back(Line("PROGDATADIR", folders.ProgDataDir));
        lines.push_back(Line("TCACHEPARENTDIR", folders.TCacheParentDir));
    }
    // Without the folder table the log paths belong to [INSTANCE].
    lines.push_back(Line("OVWINDEBUGLOG", facts.debugLogPath));
    lines.push_back(Line("OVWINERRORLOG", facts.errorLogPath));

    lines.push_back("[METRICS]");
    lines.push_back(Line("USERNAME", info.UserName));
    lines.push_back(Line("OSNAME", info.OsName));
    if (info.VersionKnown)
    {
        lines.push_back("OSVERSION=" + std::to_string(static_cast<int>(info.OsVersion.MajorVersion)) + "." +
                        std::to_string(static_cast<int>(info.OsVersion.MinorVersion)) + "." +
                        std::to_string(static_cast<int>(info.OsVersion.BuildNumber)));
    }
    if (info.HardwareLoaded)
    {
        lines.push_back(Line("COMPUTERNAME", info.ComputerName));
        lines.push_back(Line("CPUNAME", info.CpuName));
    }
    if (info.NetworkLoaded)
    {
        lines.push_back(Line("IPADDRESS", info.IpAddress));
    }
    if (info.UserLoaded)
    {
        lines.push_back(Flag("ISUSERLOCALADMIN", info.IsUserLocalAdmin));
        lines.push_back(Flag("ISUSERDOMAINADMIN", info.IsUserDomainAdmin));
        lines.push_back(Flag("ISPROCESSELEVATED", info.IsProcessElevated));
        lines.push_back(Flag("ISUACENABLED", info.IsUacEnabled));
        lines.push_back(Flag("ADMININVOKED", info.IsAdminInvoked));
    }
    return lines;
}
