#include "sysinfo/os_identity.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
// Version tests as VerifyVersionInfoA answers them on each kind of system.
constexpr OsVersionTests kXp = {false, false, false, false, false};
constexpr OsVersionTests kVista = {true, false, false, false, false};
constexpr OsVersionTests kWin7 = {true, true, false, false, false};
constexpr OsVersionTests kWin7Sp1 = {true, true, true, false, false};
constexpr OsVersionTests kWin7Sp1Server = {true, true, true, false, true};
constexpr OsVersionTests kWin8 = {true, true, true, false, false};
constexpr OsVersionTests kWin10 = {true, true, true, true, false};
constexpr OsVersionTests kWin10Server = {true, true, true, true, true};

struct Case
{
    uint32_t major;
    uint32_t minor;
    uint32_t build;
    uint16_t servicePack;
    uint8_t productType;
    uint32_t platformId;
    OsVersionTests tests;
    uint32_t productCode;
    const char* releaseLabel;
    const char* name;
    bool supported;
    bool windows7;
};

std::string Describe(const Case& c)
{
    return std::to_string(c.major) + "." + std::to_string(c.minor) + "." + std::to_string(c.build) +
           " code " + std::to_string(c.productCode) + " label \"" + c.releaseLabel + "\"";
}

SystemInfoRecord Identify(const Case& c, bool& windows7)
{
    SystemInfoRecord record = {};
    record.OsVersion.MajorVersion = c.major;
    record.OsVersion.MinorVersion = c.minor;
    record.OsVersion.BuildNumber = c.build;
    record.OsVersion.ServicePackMajor = c.servicePack;
    record.OsVersion.ProductType = c.productType;
    record.OsVersion.PlatformId = c.platformId;
    windows7 = IdentifyOperatingSystem(record, c.tests, c.productCode, c.releaseLabel);
    return record;
}

std::string Edition(uint32_t code)
{
    char edition[64];
    EditionNameForProductCode(code, edition, sizeof(edition));
    return edition;
}
} // namespace

TEST(OsIdentity, EditionNamesByProductCode)
{
    // The first and last rows, a row of several codes, and the fallback.
    EXPECT_EQ(Edition(0), "");
    EXPECT_EQ(Edition(1), "Ultimate");
    EXPECT_EQ(Edition(4), "Enterprise");
    EXPECT_EQ(Edition(140), "Enterprise");
    EXPECT_EQ(Edition(161), "Pro for Workstations");
    EXPECT_EQ(Edition(5), "(ProductCode 0X5)");
    EXPECT_EQ(Edition(0xABCD), "(ProductCode 0XABCD)");
}

TEST(OsIdentity, NamesSupportAndTheWindows7Statement)
{
    // The first and last rows of each table, both forms of a name, and every
    // boundary and fallback.
    const Case cases[] = {
        // Windows 10 and 11 workstations by build.
        {10, 0, 19045, 0, 1, 2, kWin10, 48, "", "Windows 10 Professional 22H2 (2022 Update)", true, false},
        {10, 0, 19045, 0, 1, 2, kWin10, 0, "", "Windows 10 22H2 (2022 Update)", true, false},
        {10, 0, 10240, 0, 1, 2, kWin10, 4, "", "Windows 10 Enterprise 1507 (RTM)", true, false},
        {10, 0, 22000, 0, 1, 2, kWin10, 101, "", "Windows 11 Home 21H2", true, false},
        {10, 0, 22631, 0, 1, 2, kWin10, 121, "", "Windows 11 Education 23H2 (2023 Update)", true, false},
        {10, 0, 19046, 0, 1, 2, kWin10, 0, "", "Windows 10 (22H2 Or Newer)", true, false},
        {10, 0, 19050, 0, 1, 2, kWin10, 0, "", "Windows 10 (22H2 Or Newer)", true, false},
        {10, 0, 21999, 0, 1, 2, kWin10, 48, "", "Windows 10 Professional (22H2 Or Newer)", true, false},
        {10, 0, 22632, 0, 1, 2, kWin10, 0, "", "Windows 11 (23H2 Or Newer)", true, false},
        {10, 0, 22635, 0, 1, 2, kWin10, 0x11, "", "Windows 11 (ProductCode 0X11) (23H2 Or Newer)", true,
         false},
        {10, 0, 22500, 0, 1, 2, kWin10, 0, "Dev", "Windows 10/11 CodeName Dev (Unknown Update Channel)", true,
         false},
        // 63 characters fill the name's 64 bytes; a longer name is not written.
        {10, 0, 22500, 0, 1, 2, kWin10, 48, "De",
         "Windows 10/11 Professional CodeName De (Unknown Update Channel)", true, false},
        {10, 0, 22500, 0, 1, 2, kWin10, 48, "Dev", "", true, false},
        {10, 0, 22500, 0, 1, 2, kWin10, 0, "", "Windows 10/11 Build 22500 (Unknown Update Channel)", true,
         false},
        {10, 0, 18000, 0, 1, 2, kWin10, 48, "",
         "Windows 10/11 Professional Build 18000 (Unknown Update Channel)", true, false},
        // Servers of Windows 10 builds.
        {10, 0, 14393, 0, 3, 2, kWin10Server, 7, "", "Windows Server Standard 2016", true, false},
        {10, 0, 17763, 0, 3, 2, kWin10Server, 0, "", "Windows Server 2019", true, false},
        {10, 0, 20348, 0, 3, 2, kWin10Server, 8, "21H2", "Windows Server Datacenter 2022", true, false},
        {10, 0, 26100, 0, 3, 2, kWin10Server, 8, "24H2", "Windows Server 2022 Or Newer", true, false},
        {10, 0, 18000, 0, 3, 2, kWin10Server, 8, "", "Windows Server", true, false},
        // Windows 8 and 8.1 (which reports 6.2), Windows 7 and its server.
        {6, 2, 9200, 0, 1, 2, kWin8, 48, "", "Windows 8 Or Newer", true, false},
        {6, 3, 9600, 0, 1, 2, kWin8, 48, "", "Windows 8 Or Newer", true, false},
        {6, 1, 7601, 1, 1, 2, kWin7Sp1, 1, "", "Windows 7 SP1 Ultimate", true, true},
        {6, 1, 7601, 1, 1, 2, kWin7Sp1, 0, "", "Windows 7 SP1", true, true},
        {6, 1, 7600, 0, 1, 2, kWin7, 3, "", "Windows 7 Home Premium", true, true},
        {6, 1, 7601, 1, 3, 2, kWin7Sp1Server, 8, "", "Windows Server 2008 R2 Datacenter", true, false},
        // Off the list. (Of the systems before XP x64, which reports 5.2, a
        // 64-bit program meets none.)
        {6, 0, 6002, 2, 1, 2, kVista, 6, "", "Windows Vista Business", false, false},
        {6, 0, 6002, 2, 3, 2, kVista, 7, "", "Windows Server 2008", false, false},
        {5, 2, 3790, 2, 3, 2, kXp, 0, "", "Windows Server 2003", false, false},
        {0, 0, 0, 0, 0, 0, kXp, 0, "", "Unknown", false, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(Describe(c));
        bool windows7 = false;
        const SystemInfoRecord record = Identify(c, windows7);
        EXPECT_STREQ(record.OsName, c.name);
        EXPECT_EQ(record.OsSupported, c.supported);
        EXPECT_EQ(windows7, c.windows7);
        EXPECT_TRUE(record.OsNamed);
    }
}

TEST(OsIdentity, RecordsFlagsEditionAndReleaseLabel)
{
    bool windows7 = false;
    SystemInfoRecord record = Identify({10, 0, 22500, 0, 1, 2, kWin10, 48, "Dev", "", true, false}, windows7);
    EXPECT_TRUE(record.IsWin10OrGreater && record.IsWin7Sp1OrGreater && record.IsXpSp3OrGreater);
    EXPECT_FALSE(record.IsServer);
    EXPECT_TRUE(record.HasEdition);
    EXPECT_STREQ(record.EditionName, "Professional");
    EXPECT_TRUE(record.HasReleaseName);
    EXPECT_STREQ(record.ReleaseName, "Dev");

    // A label read on a listed build is kept but not shown.
    record = Identify({10, 0, 19045, 0, 1, 2, kWin10, 0, "22H2", "", true, false}, windows7);
    EXPECT_STREQ(record.ReleaseName, "22H2");
    EXPECT_FALSE(record.HasEdition);

    // Systems before Vista have no product code, whatever was passed.
    record = Identify({5, 2, 3790, 2, 3, 2, kXp, 48, "", "", false, false}, windows7);
    EXPECT_FALSE(record.HasEdition);
    EXPECT_FALSE(record.HasReleaseName);
    EXPECT_STREQ(record.OsName, "Windows Server 2003");
}

TEST(OsIdentity, OnlyWindows10AndLaterReadTheReleaseLabel)
{
    EXPECT_TRUE(ReleaseLabelWanted({156, 10, 0, 22500, 2, "", 0, 0, 0, 1}, kWin10));
    EXPECT_FALSE(ReleaseLabelWanted({156, 6, 3, 9600, 2, "", 0, 0, 0, 1}, kWin8));
    EXPECT_FALSE(ReleaseLabelWanted({156, 6, 1, 7601, 2, "", 1, 0, 0, 1}, kWin7Sp1));
    // Without version numbers the name is chosen among the oldest systems.
    EXPECT_FALSE(ReleaseLabelWanted({}, kWin10));
}
