#include "sysinfo/os_identity.h"

#include "foundation/format_buffer.h"

#include <cstring>

namespace
{
struct EditionRow
{
    uint32_t productCode;
    const char* name;
};

constexpr EditionRow kEditions[] = {
    {1, "Ultimate"},
    {2, "Home Basic"},
    {3, "Home Premium"},
    {4, "Enterprise"},
    {6, "Business"},
    {7, "Standard"},
    {8, "Datacenter"},
    {10, "Enterprise"},
    {36, "Standard"},
    {37, "Datacenter"},
    {38, "Enterprise"},
    {42, "Hyper-V"},
    {48, "Professional"},
    {79, "Standard"},
    {80, "Datacenter"},
    {99, "Home (China)"},
    {101, "Home"},
    {112, "Pro Education"},
    {121, "Education"},
    {125, "Enterprise LTSC"},
    {127, "Professional LTSC"},
    {139, "Professional (China)"},
    {140, "Enterprise"},
    {161, "Pro for Workstations"},
};

// A release known by its build: the product, then (when there is one) the
// edition, then the release.
struct NamedBuild
{
    uint32_t build;
    const char* product;
    const char* release;
};

constexpr NamedBuild kWorkstationBuilds[] = {
    {10240, "Windows 10", "1507 (RTM)"},
    {10586, "Windows 10", "1511 (November Update)"},
    {14393, "Windows 10", "1607 (Anniversary Update)"},
    {15063, "Windows 10", "1703 (Creators Update)"},
    {16299, "Windows 10", "1709 (Fall Creators Update)"},
    {17134, "Windows 10", "1803 (April 2018 Update)"},
    {17763, "Windows 10", "1809 (October 2018 Update)"},
    {18362, "Windows 10", "1903 (May 2019 Update)"},
    {18363, "Windows 10", "1909 (November 2019 Update)"},
    {19041, "Windows 10", "2004 (May 2020 Update)"},
    {19042, "Windows 10", "20H2 (October 2020 Update)"},
    {19043, "Windows 10", "21H1 (May 2021 Update)"},
    {19044, "Windows 10", "21H2 (November 2021 Update)"},
    {19045, "Windows 10", "22H2 (2022 Update)"},
    {22000, "Windows 11", "21H2"},
    {22621, "Windows 11", "22H2 (2022 Update)"},
    {22631, "Windows 11", "23H2 (2023 Update)"},
};

constexpr NamedBuild kServerBuilds[] = {
    {14393, "Windows Server", "2016"},
    {17763, "Windows Server", "2019"},
    {20348, "Windows Server", "2022"},
};

constexpr uint32_t kLastNamedWindows10Build = 19045;
constexpr uint32_t kFirstWindows11Build = 22000;
constexpr uint32_t kLastNamedWindows11Build = 22631;
constexpr uint32_t kLastNamedServerBuild = 20348;

constexpr std::size_t kReleaseDetailCapacity = 128;

constexpr std::size_t kComposedNameCapacity = 256;

// Names without a place for the edition pass withEdition false. The name
// goes into its 64 bytes by the bounded print's rule: a long edition with an
// unlisted build can outgrow them, and such a name is not written at all.
void ComposeName(SystemInfoRecord& record, const char* product, const char* release, bool withEdition = true)
{
    const bool edition = withEdition && record.HasEdition;
    const bool hasRelease = release[0] != '\0';
    char name[kComposedNameCapacity];
    FormatToBuffer(name, sizeof(name), "%s%s%s%s%s", product, edition ? " " : "",
                   edition ? record.EditionName : "", hasRelease ? " " : "", release);
    FormatToBuffer(record.OsName, sizeof(record.OsName), "%s", name);
}

template <std::size_t N>
const NamedBuild* FindBuild(const NamedBuild (&table)[N], uint32_t build)
{
    for (const NamedBuild& row : table)
    {
        if (row.build == build)
        {
            return &row;
        }
    }
    return nullptr;
}

void NameWindows10Workstation(SystemInfoRecord& record)
{
    const uint32_t build = record.OsVersion.BuildNumber;
    if (const NamedBuild* row = FindBuild(kWorkstationBuilds, build))
    {
        ComposeName(record, row->product, row->release);
    }
    else if (build > kLastNamedWindows10Build && build < kFirstWindows11Build)
    {
        ComposeName(record, "Windows 10", "(22H2 Or Newer)");
    }
    else if (build > kLastNamedWindows11Build)
    {
        ComposeName(record, "Windows 11", "(23H2 Or Newer)");
    }
    else
    {
        char release[kReleaseDetailCapacity];
        if (record.HasReleaseName)
        {
            FormatToBuffer(release, sizeof(release), "CodeName %s (Unknown Update Channel)",
                           record.ReleaseName);
        }
        else
        {
            FormatToBuffer(release, sizeof(release), "Build %d (Unknown Update Channel)",
                           static_cast<int>(build));
        }
        ComposeName(record, "Windows 10/11", release);
    }
    record.OsSupported = true;
}

void NameWindows10Server(SystemInfoRecord& record)
{
    const uint32_t build = record.OsVersion.BuildNumber;
    if (const NamedBuild* row = FindBuild(kServerBuilds, build))
    {
        ComposeName(record, row->product, row->release);
    }
    else if (build > kLastNamedServerBuild)
    {
        ComposeName(record, "Windows Server 2022 Or Newer", "", false);
    }
    else
    {
        ComposeName(record, "Windows Server", "", false);
    }
    record.OsSupported = true;
}

// 6.0 and 6.1. Returns whether a Windows 7 workstation name was chosen.
bool NameVistaOrWindows7(SystemInfoRecord& record)
{
    if (record.OsVersion.MinorVersion == 1)
    {
        record.OsSupported = true;
        if (record.IsServer)
        {
            ComposeName(record, "Windows Server 2008 R2", "");
            return false;
        }
        ComposeName(record, record.IsWin7Sp1OrGreater ? "Windows 7 SP1" : "Windows 7", "");
        return true;
    }
    if (record.OsVersion.ProductType == 1)
    {
        ComposeName(record, "Windows Vista", "");
    }
    else
    {
        ComposeName(record, "Windows Server 2008", "", false);
    }
    return false;
}

// Before Vista; none of these is supported. The minor-version tests come
// before the test of major version 5 on purpose: 5.1 and 5.2 are taken
// first, and 4.10, 3.51 and 4.90 are told apart by their minor version.
const char* OlderSystemName(const SystemInfoRecord& record)
{
    const OsVersionRecord& version = record.OsVersion;
    if (version.MajorVersion == 5 && version.MinorVersion == 1)
    {
        return record.IsXpSp3OrGreater ? "Windows XP SP3" : "Windows XP";
    }
    if (version.MajorVersion == 5 && version.MinorVersion == 2)
    {
        return "Windows Server 2003";
    }
    switch (version.MinorVersion)
    {
        case 10:
            return "Windows 98";
        case 51:
            return "Windows NT 3.51";
        case 90:
            return "Windows ME";
        default:
            break;
    }
    if (version.MajorVersion == 5)
    {
        return "Windows 2000";
    }
    switch (version.PlatformId)
    {
        case 1:
            return "Windows 95";
        case 2:
            return "Windows NT";
        default:
            return "Unknown";
    }
}

bool IsVistaOrWindows7(const OsVersionRecord& version)
{
    return version.MajorVersion == 6 && version.MinorVersion <= 1;
}
} // namespace

void EditionNameForProductCode(uint32_t productCode, char* destination, std::size_t capacity)
{
    if (productCode == 0)
    {
        CopyToBuffer(destination, capacity, "");
        return;
    }
    for (const EditionRow& row : kEditions)
    {
        if (row.productCode == productCode)
        {
            CopyToBuffer(destination, capacity, row.name);
            return;
        }
    }
    FormatToBuffer(destination, capacity, "(ProductCode %#X)", static_cast<unsigned>(productCode));
}

bool ReleaseLabelWanted(const OsVersionRecord& version, const OsVersionTests& tests)
{
    return tests.Win10OrGreater && version.MajorVersion >= 6 && !IsVistaOrWindows7(version);
}

bool IdentifyOperatingSystem(SystemInfoRecord& record, const OsVersionTests& tests, uint32_t productCode,
                             const char* releaseLabel)
{
    const OsVersionRecord& version = record.OsVersion;
    record.HasReleaseName = false;
    record.HasEdition = false;
    record.OsSupported = false;
    record.ReleaseName[0] = '\0';
    record.OsName[0] = '\0';

    record.IsXpSp3OrGreater = tests.XpSp3OrGreater;
    record.IsWin7OrGreater = tests.Win7OrGreater;
    record.IsWin7Sp1OrGreater = tests.Win7Sp1OrGreater;
    record.IsWin10OrGreater = tests.Win10OrGreater;
    record.IsServer = tests.Server;

    // Systems before Vista have no product codes.
    EditionNameForProductCode(version.MajorVersion >= 6 ? productCode : 0, record.EditionName,
                              sizeof(record.EditionName));
    record.HasEdition = record.EditionName[0] != '\0';

    bool windows7 = false;
    if (IsVistaOrWindows7(version))
    {
        windows7 = NameVistaOrWindows7(record);
    }
    else if (version.MajorVersion < 6)
    {
        FormatToBuffer(record.OsName, sizeof(record.OsName), "%s", OlderSystemName(record));
    }
    else if (!record.IsWin10OrGreater)
    {
        // Windows 8.1 also lands here: without its GUID in the manifest it reports 6.2.
        FormatToBuffer(record.OsName, sizeof(record.OsName), "%s", "Windows 8 Or Newer");
        record.OsSupported = true;
    }
    else
    {
        if (releaseLabel != nullptr && releaseLabel[0] != '\0')
        {
            CopyToBuffer(record.ReleaseName, sizeof(record.ReleaseName), releaseLabel);
            record.HasReleaseName = true;
        }
        if (record.IsServer)
        {
            NameWindows10Server(record);
        }
        else
        {
            NameWindows10Workstation(record);
        }
    }
    record.OsNamed = true;
    return windows7;
}
