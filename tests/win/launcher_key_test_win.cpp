// The launcher's own key: settings read from it, and what a support engineer
// reads when the key refuses to be written. The values a start writes are
// read back by the end-to-end tests.
#include "diagnostics/log.h"
#include "launcher/launcher_identity.h"
#include "launcher/launcher_key.h"
#include "support/security_builder.h"
#include "support/win_log_fixture.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace
{
class LauncherKeyTest : public WinLogTest
{
  protected:
    bool HasMessage(const std::string& text) const { return !DebugMessagesWith(text).empty(); }
    void SetUp() override
    {
        WinLogTest::SetUp();
        FormatLauncherKeyPath(LauncherKey, sizeof(LauncherKey));
        std::strcpy(WorkingFolder, "C:\\Program Files\\Altavy\\Orvanta");
        DeleteKey();
    }
    void TearDown() override
    {
        AllowEveryone(KEY_ALL_ACCESS);
        DeleteKey();
        WinLogTest::TearDown();
    }

    static void DeleteKey() { RegDeleteKeyExA(HKEY_LOCAL_MACHINE, LauncherKey, KEY_WOW64_64KEY, 0); }

    static void SetText(const char* name, const char* value)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, LauncherKey, 0, nullptr, 0,
                                  KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       static_cast<DWORD>(std::strlen(value) + 1));
        RegCloseKey(key);
    }

    // With KEY_READ the key is readable, and nothing more, by everyone: the
    // launcher of a standard user meets such a key.
    static void AllowEveryone(ACCESS_MASK rights)
    {
        TestSid everyone = TestSid::WellKnown(WinWorldSid);
        TestDescriptor descriptor(everyone.Get());
        descriptor.Allow(everyone.Get(), rights);
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, LauncherKey, 0, WRITE_DAC | KEY_WOW64_64KEY, &key) ==
            ERROR_SUCCESS)
        {
            RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor.Get());
            RegCloseKey(key);
        }
    }
};

const std::string kKeyPath = "SOFTWARE\\Altavy Solutions Inc.\\Launcher";
} // namespace

TEST_F(LauncherKeyTest, SettingIsReadOrItsAbsenceExplained)
{
    char value[kLauncherSettingCapacity];
    EXPECT_FALSE(ReadLauncherSetting("NetFxMSIOpts", value));
    EXPECT_EQ(ErrorCount, 1u); // no key at all
    EXPECT_TRUE(HasMessage("ERROR !! OVWin registry access failed: Error while opening key \"" + kKeyPath +
                           "\"; [WIN32 0x00000002/C0002] "));

    SetText("VCRuntimeMSIOpts", "/quiet /norestart");
    ForgetLines();
    ASSERT_TRUE(ReadLauncherSetting("VCRuntimeMSIOpts", value));
    EXPECT_STREQ(value, "/quiet /norestart");
    EXPECT_TRUE(HasMessage("DEBUG    Registry access: Read success from key \"VCRuntimeMSIOpts\" in \"" +
                           kKeyPath + "\". Value=/quiet /norestart"));

    // A missing value is no error, only a debug line.
    EXPECT_FALSE(ReadLauncherSetting("NetFxMSIOpts", value));
    EXPECT_EQ(ErrorCount, 1u);
    EXPECT_TRUE(HasMessage("DEBUG    Registry access did not succeed: Key not found while reading key "
                           "\"NetFxMSIOpts\" from \"" +
                           kKeyPath + "\"; [WIN32 0x00000002/C0002] "));
}

TEST_F(LauncherKeyTest, KeyThatRefusesWritingIsReportedAndTheWorkingFolderWarned)
{
    SetText("Marker", "locked");
    AllowEveryone(KEY_READ);
    ForgetLines();
    SaveWorkingFolder();
    EXPECT_FALSE(SetUsingTCache(0));
    EXPECT_EQ(ErrorCount, 2u);
    const std::string refused = "ERROR !!  OVWin registry access failed: Error while opening key \"" +
                                kKeyPath + "\"; [WIN32 0x00000005/C0005] ";
    const std::vector<std::string> errors = ErrorLines();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0].rfind(refused, 0), 0u) << errors[0];
    EXPECT_EQ(errors[1].rfind(refused, 0), 0u) << errors[1];
    EXPECT_TRUE(HasDebugLine("DEBUG    Initialize: Warning: Failed to save working folder to registry."));

    // The warning is the working folder's alone.
    EXPECT_EQ(DebugMessagesWith("Warning: Failed to save working folder").size(), 1u);
}
