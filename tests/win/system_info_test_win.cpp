// The system information record on a real (Wine) system: Windows 7 SP1, an
// elevated administrator, as the harness's clean machines report.
#include "diagnostics/log.h"
#include "support/win_log_fixture.h"
#include "sysinfo/network_address.h"
#include "sysinfo/system_info.h"
#include "sysinfo/system_info_platform.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace
{
constexpr char kCurrentVersionKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";
constexpr wchar_t kPoliciesSystemKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

class SystemInfoOnWindows : public WinLogTest
{
  protected:
    void SetUp() override
    {
        WinLogTest::SetUp();
        std::memset(&SystemInfoObject, 0, sizeof(SystemInfoObject));
    }

    // Debug lines from the tag on, without the indentation.
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> messages;
        for (const std::string& line : DebugLines())
        {
            const std::size_t start = line.find_first_not_of(' ', 9);
            messages.push_back(start == std::string::npos ? "" : line.substr(start));
        }
        return messages;
    }

    // How many lines hold this text.
    int Count(const std::string& text) const
    {
        const std::vector<std::string> messages = Messages();
        return static_cast<int>(
            std::count_if(messages.begin(), messages.end(), [&](const std::string& message) {
                return message.find(text) != std::string::npos;
            }));
    }
};

// REG_NONE deletes the value.
void SetEnableLua(DWORD type, ULONGLONG value)
{
    if (type == REG_NONE)
    {
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kPoliciesSystemKey, L"EnableLUA");
        return;
    }
    const DWORD size = type == REG_QWORD ? sizeof(ULONGLONG) : sizeof(DWORD);
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, kPoliciesSystemKey, L"EnableLUA", type, &value, size),
              ERROR_SUCCESS);
}
} // namespace

TEST_F(SystemInfoOnWindows, FirstLoadDescribesTheMachineAndASecondWritesOnlyTraces)
{
    EXPECT_TRUE(LoadSystemInfoObject());
    const SystemInfoRecord& record = SystemInfoObject;
    EXPECT_TRUE(record.VersionKnown && record.OsNamed && record.HardwareLoaded && record.NetworkLoaded &&
                record.UserLoaded);
    EXPECT_EQ(record.OsVersion.BuildNumber, 7601u);
    EXPECT_EQ(std::string(record.OsName).rfind("Windows 7 SP1", 0), 0u) << record.OsName;
    EXPECT_TRUE(record.IsWin7Sp1OrGreater && !record.IsWin10OrGreater && !record.IsServer);

    char computer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof(computer);
    ASSERT_TRUE(GetComputerNameA(computer, &size));
    EXPECT_STREQ(record.ComputerName, computer);
    EXPECT_EQ(record.SystemInfo.ProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
    EXPECT_GT(record.TotalPhysicalBytes, 0u);
    EXPECT_NE(record.CpuName[0], '\0');

    // Wine starts every process with an elevated administrator's token.
    EXPECT_TRUE(record.IsUserLocalAdmin && record.IsAdminInvoked && record.IsProcessElevated);
    EXPECT_EQ(record.IntegrityRid, 0x3000u);
    EXPECT_STREQ(record.IntegrityLevelName, "High");
    EXPECT_EQ(Count("*** WARNING!!! WINDOWS 7 END OF LIFE SUPPORT STATEMENT ***"), 1);
    EXPECT_EQ(Count("Detected Architecture: x86-64"), 1);

    // IsUserLocalAdmin closes its two token variables, hToken first.
    const std::vector<std::string> messages = Messages();
    const auto token = std::find_if(messages.begin(), messages.end(), [](const std::string& message) {
        return message.rfind("CloseAndDestroyHandle: Closing hToken=", 0) == 0;
    });
    ASSERT_NE(token, messages.end());
    ASSERT_NE(token + 1, messages.end());
    EXPECT_EQ((token + 1)->rfind("CloseAndDestroyHandle: Closing hTokenToCheck=", 0), 0u);
    EXPECT_EQ(ErrorCount, 0u);

    ForgetLines();
    LoadSystemInfoObject();
    EXPECT_EQ(DebugLines(), (std::vector<std::string>{"DEBUG X  @ LoadSystemInfoObject() {",
                                                      "DEBUG X  @ } LoadSystemInfoObject"}));
}

TEST_F(SystemInfoOnWindows, UacSettingFollowsEnableLua)
{
    struct Row
    {
        DWORD type;
        ULONGLONG value;
        bool enabled;
        const char* line;
        const char* sentence;
    };
    const Row rows[] = {
        {REG_DWORD, 1, true, "IsUACEnabled: UAC appears to be enabled on this machine.",
         "Process running elevated under UAC invoked as administrator with integrity level \"High\"."},
        {REG_DWORD, 0, false, "IsUACEnabled: UAC appears to be disabled on this machine.",
         "Process running elevated without UAC requirements invoked as administrator with integrity level "
         "\"High\"."},
        {REG_NONE, 0, false,
         "IsUACEnabled: WARNING: UAC Registry key does not exist. This may be ok on older non-UAC Windows "
         "systems.",
         "Process running elevated without UAC requirements invoked as administrator with integrity level "
         "\"High\"."},
        // A value too wide to be read counts as UAC on.
        {REG_QWORD, 1, true,
         "ERROR: Unable to determine if UAC is active. Unable to retrieve registry value.; [WIN32 "
         "0x000000ea/C0234]",
         "Process running elevated under UAC invoked as administrator with integrity level \"High\"."},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(row.type);
        SetEnableLua(row.type, row.value);
        std::memset(&SystemInfoObject, 0, sizeof(SystemInfoObject));
        ForgetLines();
        LoadSystemInfoObject();
        EXPECT_EQ(SystemInfoObject.IsUacEnabled, row.enabled);
        EXPECT_EQ(Count(row.line), 1);
        EXPECT_EQ(Count(row.sentence), 1);
        // An elevated administrator gets no note.
        EXPECT_EQ(Count("Note: "), 0);
    }
    EXPECT_EQ(ErrorCount, 1u);
    SetEnableLua(REG_DWORD, 0); // as Wine's prefixes have it
}

TEST_F(SystemInfoOnWindows, NetworkListingMarksTheDefaultInterface)
{
    char address[kIpAddressCapacity];
    GetNetworkAddress(address);
    const std::vector<std::string> messages = Messages();
    ASSERT_FALSE(messages.empty());
    ASSERT_EQ(messages[0].rfind("Network Interfaces: ", 0), 0u);
    const std::size_t rows = std::stoul(messages[0].substr(20));
    ASSERT_EQ(messages.size(), rows + 1);

    int defaults = 0;
    bool loopback = false;
    for (std::size_t i = 1; i < messages.size(); ++i)
    {
        SCOPED_TRACE(messages[i]);
        EXPECT_EQ(messages[i].rfind(std::to_string(i - 1) + ": Interface ", 0), 0u);
        loopback = loopback || messages[i].find("IP: 127.0.0.1, Mask: 255.0.0.0,") != std::string::npos;
        if (messages[i].find("Type/State: Default; ") != std::string::npos)
        {
            ++defaults;
            EXPECT_NE(messages[i].find(std::string("IP: ") + address + ","), std::string::npos);
        }
        EXPECT_EQ(messages[i].back(), ' '); // the state text ends in one space
    }
    EXPECT_TRUE(loopback);
    // The machines have a default route: one row leads to the internet.
    EXPECT_EQ(defaults, 1);
    EXPECT_STRNE(address, "0.0.0.0");
}

TEST_F(SystemInfoOnWindows, LocalAdminCheckAloneLoadsTheRecordOnce)
{
    EXPECT_TRUE(IsUserLocalAdmin());
    EXPECT_TRUE(SystemInfoObject.UserLoaded);
    EXPECT_EQ(Count("@ LoadSystemInfoObject() {"), 1);
    EXPECT_EQ(Count("Detected Operating System: "), 1);
    EXPECT_EQ(Count("Executing as "), 1);
    // Once the version is known it only asks the token.
    ForgetLines();
    EXPECT_TRUE(IsUserLocalAdmin());
    EXPECT_EQ(Count("@ LoadSystemInfoObject() {"), 0);
    EXPECT_EQ(Count("CloseAndDestroyHandle: Closing hTokenToCheck="), 1);
}

TEST_F(SystemInfoOnWindows, ReleaseLabelReadErrorsAreLoggedAndTheNextValueTried)
{
    // Values the clean machines do not have; removed again at the end.
    const DWORD number = 2009;
    const char tooLong[] = "a release label far longer than thirty-one characters";
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "DisplayVersion", REG_DWORD, &number,
                              sizeof(number)),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ReleaseId", REG_SZ, tooLong,
                              sizeof(tooLong)),
              ERROR_SUCCESS);
    char label[kReleaseNameCapacity] = "stale";
    QueryReleaseLabel(label, sizeof(label));
    const std::string failed = "ERROR !!  Registry access failed: Error while reading key ";
    const std::vector<std::string> errors = ErrorLines();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(
        errors[0].rfind(failed + "\"DisplayVersion\" from \"" + kCurrentVersionKey + "\"; [WIN32 0x", 0), 0u);
    EXPECT_EQ(errors[1].rfind(
                  failed + "\"ReleaseId\" from \"" + kCurrentVersionKey + "\"; [WIN32 0x000000ea/C0234] ", 0),
              0u);
    EXPECT_STREQ(label, "");

    const char release[] = "2009";
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ReleaseId", REG_SZ, release, sizeof(release));
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "DisplayVersion");
    ForgetLines();
    QueryReleaseLabel(label, sizeof(label));
    EXPECT_STREQ(label, "2009");
    EXPECT_TRUE(ErrorLines().empty()); // a missing value is no error
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ReleaseId");
}
