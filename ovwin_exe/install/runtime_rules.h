// What the runtime dependency step decides on its own: whether the registry
// marks the Microsoft installers leave are recent enough, whether .NET
// Framework 4.8 can be installed on this system, which runtimes to install,
// the installers' parameters and what their exit codes mean.
#pragma once

#include "sysinfo/system_info.h"

#include <cstddef>
#include <cstdint>

// The registry marks, below HKEY_LOCAL_MACHINE in the 64-bit view. The x86
// runtime of 32-bit Windows writes its mark outside Wow6432Node.
constexpr const char* kRuntimeX86KeyOn32BitWindows =
    "SOFTWARE\\Microsoft\\VisualStudio\\14.0\\VC\\Runtimes\\x86";
constexpr const char* kRuntimeX86Key =
    "SOFTWARE\\Wow6432Node\\Microsoft\\VisualStudio\\14.0\\VC\\Runtimes\\x86";
constexpr const char* kRuntimeX64Key =
    "SOFTWARE\\Wow6432Node\\Microsoft\\VisualStudio\\14.0\\VC\\Runtimes\\x64";
constexpr const char* kNetfxKey = "Software\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full";

// The key of the x86 runtime's mark on this system.
[[nodiscard]] const char* Runtime32Key(const SystemInfoRecord& facts);
// The x64 runtime is looked for on 64-bit Windows only; elsewhere it counts
// as present.
[[nodiscard]] bool LooksForRuntime64(const SystemInfoRecord& facts);

// Four numbers compared in order, the first difference deciding.
struct RuntimeVersion
{
    uint32_t Parts[4];
};
constexpr RuntimeVersion kMinimumRuntimeVersion = {{14, 21, 27702, 2}};

// Reads a VC runtime's "Version" text ("v14.36.32532.00"): split at dots,
// empty parts skipped, letters removed from the first part, each of the
// first four parts read by its leading decimal digits (none gives 0, more
// than 32 bits the largest value), missing parts 0. False when the text has
// no part at all.
[[nodiscard]] bool ParseRuntimeVersion(const char* text, RuntimeVersion& version);
// The version text names the minimum or a later version.
[[nodiscard]] bool RuntimeVersionIsRecent(const char* text);

constexpr uint32_t kMinimumNetfxRelease = 528040; // .NET Framework 4.8
[[nodiscard]] bool NetfxReleaseIsRecent(uint32_t release);

// Whether the .NET Framework 4.8 installer can run here: Windows 10 1909
// (build 18363) and later workstations, Windows Server 2019 (build 17763)
// and later.
enum class Net48Support
{
    SystemUnknown,   // the version data were never obtained
    BeforeWindows10, // older systems cannot take it
    BuildTooOld,
    Supported,
};
[[nodiscard]] Net48Support DecideNet48Support(const SystemInfoRecord& facts);

// Dependency states, numbered as the Windows Installer numbers install
// states.
constexpr int32_t kStateInstalled = 5;
constexpr int32_t kStateAbsent = 2;
constexpr int32_t kStateNotInstallable = -7;
// The state with its meaning, as the installer's status line shows it.
[[nodiscard]] const char* InstallStateText(int32_t state);

// What the marks said. A .NET Framework that cannot be installed here
// counts as present unless a VC runtime is installed in the same start.
struct RuntimeSurvey
{
    bool X86Present;
    bool X64Present;
    int32_t NetfxState;
};
// Nothing to install: no rights are asked for.
[[nodiscard]] bool DependenciesComplete(const RuntimeSurvey& survey, bool wow64Eligible);
// The x64 runtime counts, and is installed, only for the 32-bit edition
// running on 64-bit Windows (under WOW64); the 64-bit edition looks for it
// and logs what it found, but does not act on it.
[[nodiscard]] bool InstallsRuntime64(const RuntimeSurvey& survey, bool wow64Eligible);

enum class InstallerKind
{
    VcRuntime,
    NetFramework,
};

// The options of the launcher key's "VCRuntimeMSIOpts" and "NetFxMSIOpts"
// values, in a buffer of this size.
constexpr std::size_t kInstallerOptionsCapacity = 100;

// Whether the options count (they hold something other than blanks); every
// double quote in them is turned into a single quote, so that they fit
// inside the quotes of /msioptions.
[[nodiscard]] bool PrepareInstallerOptions(char* options);

// The installer's parameters: passive, with its log named after the
// installer file in the cache folder, and the options (null when none
// count) passed on with /msioptions. False, with the buffer empty, when
// they would not fit.
[[nodiscard]] bool BuildInstallerParameters(InstallerKind kind, const char* cacheFolder,
                                            const char* installerFile, const char* options, char* parameters,
                                            std::size_t capacity);

// The .NET installer's exit code as the launcher reports it: the words
// after "InstallRedistFiles: <display name>", and whether they are an
// error. Null for a code that is not reported.
struct InstallerOutcome
{
    const char* Tail;
    bool Error;
};
[[nodiscard]] InstallerOutcome NetfxInstallerOutcome(int32_t exitCode);
