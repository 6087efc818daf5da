// The system information record on a real (Wine) system. What a start logs
// of it is read by the end-to-end tests; here only what no start shows.
#include "diagnostics/log.h"
#include "support/win_log_fixture.h"
#include "sysinfo/system_info.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace
{
class SystemInfoOnWindows : public WinLogTest
{
  protected:
    void SetUp() override
    {
        WinLogTest::SetUp();
        std::memset(&SystemInfoObject, 0, sizeof(SystemInfoObject));
    }
};
} // namespace

TEST_F(SystemInfoOnWindows, SecondLoadWritesOnlyTraces)
{
    EXPECT_TRUE(LoadSystemInfoObject());
    EXPECT_EQ(DebugMessagesWith("Detected Operating System: ").size(), 1u);
    ForgetLines();
    LoadSystemInfoObject();
    EXPECT_EQ(DebugLines(), (std::vector<std::string>{"DEBUG X  @ LoadSystemInfoObject() {",
                                                      "DEBUG X  @ } LoadSystemInfoObject"}));
}

TEST_F(SystemInfoOnWindows, UacSettingMissingOrUnreadable)
{
    const wchar_t* const policies = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    const struct
    {
        DWORD type; // REG_NONE: no value
        ULONGLONG value;
        bool enabled;
        const char* line;
    } rows[] = {
        // EnableLUA 1 and 0 are read in the scenarios' starts.
        {REG_NONE, 0, false,
         "IsUACEnabled: WARNING: UAC Registry key does not exist. This may be ok on older non-UAC Windows "
         "systems."},
        // A value too wide to be read counts as UAC on.
        {REG_QWORD, 1, true,
         "IsUACEnabled: ERROR: Unable to determine if UAC is active. Unable to retrieve registry value.; "
         "[WIN32 0x000000ea/C0234]"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.line);
        RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, policies, L"EnableLUA");
        if (row.type != REG_NONE)
        {
            ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, policies, L"EnableLUA", row.type, &row.value,
                                      row.type == REG_QWORD ? sizeof(ULONGLONG) : sizeof(DWORD)),
                      ERROR_SUCCESS);
        }
        std::memset(&SystemInfoObject, 0, sizeof(SystemInfoObject));
        ForgetLines();
        LoadSystemInfoObject();
        EXPECT_EQ(SystemInfoObject.IsUacEnabled, row.enabled);
        EXPECT_EQ(DebugMessagesWith(row.line).size(), 1u);
    }
    const DWORD wineDefault = 0;
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, policies, L"EnableLUA", REG_DWORD, &wineDefault, sizeof(wineDefault));
}
