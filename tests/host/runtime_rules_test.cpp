#include "install/runtime_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{
SystemInfoRecord Facts()
{
    SystemInfoRecord facts;
    std::memset(&facts, 0, sizeof(facts));
    return facts;
}
} // namespace

TEST(RuntimeRules, VersionTextsAgainstTheMinimum)
{
    struct Row
    {
        const char* text;
        bool recent;
    };
    const Row rows[] = {
        {"v14.36.32532.00", true},
        {"v14.21.27702.2", true}, // the minimum itself
        {"v14.21.27702.1", false},
        {"v14.20.99999.9", false},
        {"v15.0.0.0", true},
        {"v13.99.99999.99", false},
        {"14.21.27703", true},       // a missing part is 0, and only the first difference counts
        {"v14.21.27702", false},     // 14.21.27702.0
        {"v14..21...27702.2", true}, // empty parts are skipped
        {"V14.36.32532.00", true},
        {"v 14.36.32532.00", false},   // a blank is no digit: the first part reads 0
        {"v1x4.36", true},             // wherever they stand in it
        {"v14.3a6.1.1", false},        // later parts keep their letters: 3
        {"v14.36x.1.1", true},         // and stop at them: 36
        {"v14.21.27702.2.9", true},    // a fifth part is not read
        {"v14.21.4294967301.0", true}, // saturates instead of wrapping to 5
        {"", false},
        {"...", false},
        {"v", false}, // a part, but 0
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(RuntimeVersionIsRecent(row.text), row.recent) << row.text;
    }
}

TEST(RuntimeRules, VersionTextsAreReadPartByPart)
{
    RuntimeVersion version;
    ASSERT_TRUE(ParseRuntimeVersion("v14.36.32532.00", version));
    EXPECT_EQ(version.Parts[0], 14u);
    EXPECT_EQ(version.Parts[1], 36u);
    EXPECT_EQ(version.Parts[2], 32532u);
    EXPECT_EQ(version.Parts[3], 0u);

    ASSERT_TRUE(ParseRuntimeVersion(".7.", version));
    EXPECT_EQ(version.Parts[0], 7u);
    EXPECT_EQ(version.Parts[1], 0u);

    ASSERT_TRUE(ParseRuntimeVersion("4294967296.1", version));
    EXPECT_EQ(version.Parts[0], UINT32_MAX);
    EXPECT_EQ(version.Parts[1], 1u);

    EXPECT_FALSE(ParseRuntimeVersion("..", version));
}

TEST(RuntimeRules, ReleaseThresholdIsThatOfNet48)
{
    EXPECT_FALSE(NetfxReleaseIsRecent(0));
    EXPECT_FALSE(NetfxReleaseIsRecent(528039));
    EXPECT_TRUE(NetfxReleaseIsRecent(528040));
    EXPECT_TRUE(NetfxReleaseIsRecent(533325));
}

TEST(RuntimeRules, Net48NeedsWindows10Version1909OrServer2019)
{
    struct Row
    {
        bool known;
        bool win10;
        bool server;
        uint32_t build;
        Net48Support support;
    };
    using S = Net48Support;
    const Row rows[] = {
        {false, true, false, 19045, S::SystemUnknown},  {true, false, false, 7601, S::BeforeWindows10},
        {true, false, true, 20348, S::BeforeWindows10}, // the flag decides, not the number
        {true, true, false, 18362, S::BuildTooOld},     {true, true, false, 18363, S::Supported},
        {true, true, false, 22631, S::Supported},       {true, true, true, 17762, S::BuildTooOld},
        {true, true, true, 17763, S::Supported},        {true, true, true, 14393, S::BuildTooOld},
    };
    for (const Row& row : rows)
    {
        SystemInfoRecord facts = Facts();
        facts.VersionKnown = row.known;
        facts.IsWin10OrGreater = row.win10;
        facts.IsServer = row.server;
        facts.OsVersion.BuildNumber = row.build;
        EXPECT_EQ(DecideNet48Support(facts), row.support)
            << row.known << row.win10 << row.server << " " << row.build;
    }
}

TEST(RuntimeRules, WhatIsLookedForAndInstalledByEdition)
{
    SystemInfoRecord facts = Facts();
    EXPECT_STREQ(Runtime32Key(facts), "SOFTWARE\\Microsoft\\VisualStudio\\14.0\\VC\\Runtimes\\x86");
    EXPECT_FALSE(LooksForRuntime64(facts));
    facts.Is64BitEdition = true;
    EXPECT_STREQ(Runtime32Key(facts),
                 "SOFTWARE\\Wow6432Node\\Microsoft\\VisualStudio\\14.0\\VC\\Runtimes\\x86");
    EXPECT_TRUE(LooksForRuntime64(facts));
    facts = Facts();
    facts.IsWow64Eligible = true;
    EXPECT_STREQ(Runtime32Key(facts), kRuntimeX86Key);
    EXPECT_TRUE(LooksForRuntime64(facts));

    struct Row
    {
        RuntimeSurvey survey;
        bool wow64;
        bool complete;
        bool installs64;
    };
    const Row rows[] = {
        {{true, true, kStateInstalled}, false, true, false},
        // The 64-bit edition does not act on the x64 runtime.
        {{true, false, kStateInstalled}, false, true, false},
        {{true, false, kStateInstalled}, true, false, true},
        {{false, true, kStateInstalled}, false, false, false},
        // A framework that cannot be installed here counts as present...
        {{true, true, kStateNotInstallable}, false, true, false},
        // ...unless something else is to be installed.
        {{false, true, kStateNotInstallable}, false, false, false},
        {{true, true, kStateAbsent}, false, false, false},
        {{true, true, kStateAbsent}, true, false, false},
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(DependenciesComplete(row.survey, row.wow64), row.complete)
            << row.survey.X86Present << row.survey.X64Present << row.survey.NetfxState << row.wow64;
        EXPECT_EQ(InstallsRuntime64(row.survey, row.wow64), row.installs64)
            << row.survey.X86Present << row.survey.X64Present << row.survey.NetfxState << row.wow64;
    }
}

TEST(RuntimeRules, StatesAreShownWithTheirMeaning)
{
    EXPECT_STREQ(InstallStateText(kStateInstalled), "5 Use default, local or source installation.");
    EXPECT_STREQ(InstallStateText(kStateAbsent), "2 Uninstalled (or action state absent but clients remain)");
    EXPECT_STREQ(InstallStateText(kStateNotInstallable), "-7 Component Disabled");
    EXPECT_STREQ(InstallStateText(0), "0 Broken Installation");
    EXPECT_STREQ(InstallStateText(-8), "? Unknown return code.");
    EXPECT_STREQ(InstallStateText(6), "? Unknown return code.");
    // Every state from -7 to 5 has a text of its own that begins with its number.
    for (int32_t state = -7; state <= 5; ++state)
    {
        EXPECT_EQ(std::string(InstallStateText(state)).rfind(std::to_string(state) + " ", 0), 0u) << state;
    }
}

TEST(RuntimeRules, OptionsCountWithMoreThanBlanksAndLoseTheirDoubleQuotes)
{
    struct Row
    {
        const char* options;
        bool counts;
        const char* prepared;
    };
    const Row rows[] = {
        {"", false, ""},
        {"   ", false, "   "},
        {" \t ", false, " \t "},
        {"REBOOT=ReallySuppress", true, "REBOOT=ReallySuppress"},
        {" INSTALLDIR=\"C:\\Program Files\\VC\" ", true, " INSTALLDIR='C:\\Program Files\\VC' "},
        {"\"", true, "'"},
    };
    for (const Row& row : rows)
    {
        char options[kInstallerOptionsCapacity];
        std::strcpy(options, row.options);
        EXPECT_EQ(PrepareInstallerOptions(options), row.counts) << row.options;
        EXPECT_STREQ(options, row.prepared);
    }
}

TEST(RuntimeRules, InstallerParametersWithAndWithoutOptions)
{
    const char* cache = "C:\\Users\\ann\\AppData\\Local\\Oskelt\\Orvanta\\_tcache1";
    char parameters[260];
    ASSERT_TRUE(BuildInstallerParameters(InstallerKind::VcRuntime, cache, "vc_redist.x86.exe", nullptr,
                                         parameters, sizeof(parameters)));
    EXPECT_EQ(std::string(parameters),
              std::string("/passive /promptrestart /log \"") + cache + "\\vc_redist.x86.exe.log\"");
    ASSERT_TRUE(BuildInstallerParameters(InstallerKind::VcRuntime, cache, "vc_redist.x64.exe", "A='1 2'",
                                         parameters, sizeof(parameters)));
    EXPECT_EQ(std::string(parameters), std::string("/passive /promptrestart /log \"") + cache +
                                           "\\vc_redist.x64.exe.log\" /msioptions \"A='1 2'\"");
    ASSERT_TRUE(BuildInstallerParameters(InstallerKind::NetFramework, cache, "ndp48-x86-x64-allos-enu.exe",
                                         nullptr, parameters, sizeof(parameters)));
    EXPECT_EQ(std::string(parameters),
              std::string("/passive /promptrestart /showrmui /chainingpackage ovwin /log \"") + cache +
                  "\\ndp48-x86-x64-allos-enu.exe.log\"");
    ASSERT_TRUE(BuildInstallerParameters(InstallerKind::NetFramework, cache, "ndp48-x86-x64-allos-enu.exe",
                                         "X=1", parameters, sizeof(parameters)));
    EXPECT_EQ(std::string(parameters),
              std::string("/passive /promptrestart /showrmui /chainingpackage ovwin /log \"") + cache +
                  "\\ndp48-x86-x64-allos-enu.exe.log\" /msioptions \"X=1\"");

    // 259 characters fit; one more and nothing is handed on, rather than a
    // line cut inside its quotes.
    const std::string fixed = "/passive /promptrestart /log \"C:\\c\\v.exe.log\" /msioptions \"\"";
    const std::string fits(259 - fixed.size(), 'o');
    ASSERT_TRUE(BuildInstallerParameters(InstallerKind::VcRuntime, "C:\\c", "v.exe", fits.c_str(), parameters,
                                         sizeof(parameters)));
    EXPECT_EQ(std::string(parameters).size(), 259u);
    EXPECT_FALSE(BuildInstallerParameters(InstallerKind::VcRuntime, "C:\\c", "v.exe", (fits + "o").c_str(),
                                          parameters, sizeof(parameters)));
    EXPECT_STREQ(parameters, "");
}
