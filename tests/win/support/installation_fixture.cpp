#include "support/installation_fixture.h"

#include "foundation/format_buffer.h"
#include "support/system_facts.h"
#include "sysinfo/system_info.h"

#include <windows.h>

#include <filesystem>

void InstallationTest::SetUp()
{
    WinLogTest::SetUp();
    UseSystemFacts(true);
    SystemInfoObject.Is64BitEdition = true;
    SystemInfoObject.IsAdminInvoked = true;
    saved_ = KnownFoldersList;
    KnownFoldersList = KnownFoldersRecord{};
    install_ = folder_ + "install\\";
    redist_ = install_ + "redist\\";
    CopyToBuffer(KnownFoldersList.CurrDir, kPathCapacity, install_.c_str());
    std::filesystem::create_directories(redist_);
    record_ = folder_ + "calls.txt";
    SetEnvironmentVariableA("OVWIN_STANDIN_RECORD", record_.c_str());
}

void InstallationTest::TearDown()
{
    SetEnvironmentVariableA("OVWIN_STANDIN_RECORD", nullptr);
    KnownFoldersList = saved_;
    std::filesystem::remove_all(install_);
    DeleteFileA(record_.c_str());
    WinLogTest::TearDown();
}
