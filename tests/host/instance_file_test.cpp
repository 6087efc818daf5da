#include "launcher/instance_file.h"

#include "foundation/format_buffer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
class InstanceFile : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        std::memset(&version_, 0, sizeof(version_));
        std::memset(&folders_, 0, sizeof(folders_));
        std::memset(&info_, 0, sizeof(info_));
        version_.Major = 1;
        version_.Minor = 0;
        version_.Build = 3;
        version_.Revision = 12;
        facts_ = {"C:\\App\\ovwin64.exe",
                  &version_,
                  "-i \"x y\" list abc",
                  "LIST,ABC",
                  "C:\\App",
                  &folders_,
                  "C:\\App\\OvwinDebug.log",
                  "C:\\App\\OvwinError.log",
                  &info_};
    }

    LibraryVersion version_;
    KnownFoldersRecord folders_;
    SystemInfoRecord info_;
    InstanceFacts facts_;
};

using Lines = std::vector<std::string>;
} // namespace

TEST_F(InstanceFile, NothingGatheredLeavesTheLogPathsInTheInstanceSection)
{
    EXPECT_EQ(BuildInstanceFileLines(facts_),
              (Lines{"[INSTANCE]", "LAUNCHER=OVWIN", "OVWIN=C:\\App\\ovwin64.exe", "OVWINVER=1.0.3.12",
                     "OVWINTYPE=64", "ARGS=-i \"x y\" list abc", "CMDLINE=LIST,ABC", "WFOLDER=C:\\App",
                     "OVWINDEBUGLOG=C:\\App\\OvwinDebug.log", "OVWINERRORLOG=C:\\App\\OvwinError.log",
                     "[METRICS]", "USERNAME=", "OSNAME="}));
}

TEST_F(InstanceFile, EveryGroupThatWasGatheredIsWritten)
{
    folders_.Loaded = true;
    CopyToBuffer(folders_.WinDir, sizeof(folders_.WinDir), "C:\\windows\\");
    CopyToBuffer(folders_.SysDir, sizeof(folders_.SysDir), "C:\\windows\\system32\\");
    CopyToBuffer(folders_.UserDir, sizeof(folders_.UserDir), "C:\\Users\\u\\AppData\\Local\\");
    CopyToBuffer(folders_.ProgDataDir, sizeof(folders_.ProgDataDir), "C:\\ProgramData\\Altavy\\");
    CopyToBuffer(folders_.TCacheParentDir, sizeof(folders_.TCacheParentDir),
                 "C:\\Users\\u\\Oskelt\\Orvanta\\");
    info_.VersionKnown = info_.HardwareLoaded = info_.NetworkLoaded = info_.UserLoaded = true;
    CopyToBuffer(info_.UserName, sizeof(info_.UserName), "alice");
    CopyToBuffer(info_.OsName, sizeof(info_.OsName), "Windows 10 Pro 22H2 (2022 Update)");
    info_.OsVersion.MajorVersion = 10;
    info_.OsVersion.BuildNumber = 19045;
    CopyToBuffer(info_.ComputerName, sizeof(info_.ComputerName), "DESK1");
    CopyToBuffer(info_.CpuName, sizeof(info_.CpuName), "Some CPU");
    CopyToBuffer(info_.IpAddress, sizeof(info_.IpAddress), "10.0.0.5");
    info_.IsUserLocalAdmin = true;
    info_.IsUacEnabled = true;

    const Lines lines = BuildInstanceFileLines(facts_);
    const Lines tail(lines.begin() + 8, lines.end());
    EXPECT_EQ(tail, (Lines{"[ENVIRONMENT]",
                           "WINDIR=C:\\windows\\",
                           "SYSDIR=C:\\windows\\system32\\",
                           "USERDIR=C:\\Users\\u\\AppData\\Local\\",
                           "PROGDATADIR=C:\\ProgramData\\Altavy\\",
                           "TCACHEPARENTDIR=C:\\Users\\u\\Oskelt\\Orvanta\\",
                           "OVWINDEBUGLOG=C:\\App\\OvwinDebug.log",
                           "OVWINERRORLOG=C:\\App\\OvwinError.log",
                           "[METRICS]",
                           "USERNAME=alice",
                           "OSNAME=Windows 10 Pro 22H2 (2022 Update)",
                           "OSVERSION=10.0.19045",
                           "COMPUTERNAME=DESK1",
                           "CPUNAME=Some CPU",
                           "IPADDRESS=10.0.0.5",
                           "ISUSERLOCALADMIN=Y",
                           "ISUSERDOMAINADMIN=N",
                           "ISPROCESSELEVATED=N",
                           "ISUACENABLED=Y",
                           "ADMININVOKED=N"}));
    EXPECT_EQ(lines.size(), 28u);
}

TEST_F(InstanceFile, NoEngineCommandsLeaveAnEmptyCommandLine)
{
    facts_.engineCommands = "";
    EXPECT_EQ(BuildInstanceFileLines(facts_)[6], "CMDLINE=");
}
