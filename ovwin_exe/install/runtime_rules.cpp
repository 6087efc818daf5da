#include "install/runtime_rules.h"

#include "foundation/format_buffer.h"

#include <cstring>

namespace
{
constexpr uint32_t kServer2019Build = 17763;
constexpr uint32_t kWindows10Version1909Build = 18363;

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The leading decimal digits of [begin, end), ignoring letters when asked.
uint32_t ReadPart(const char* begin, const char* end, bool skipLetters)
{
    uint64_t value = 0;
    for (const char* c = begin; c != end; ++c)
    {
        if (skipLetters && IsLetter(*c))
        {
            continue;
        }
        if (!IsDigit(*c))
        {
            break;
        }
        value = value * 10 + static_cast<uint64_t>(*c - '0');
        if (value > UINT32_MAX)
        {
            return UINT32_MAX;
        }
    }
    return static_cast<uint32_t>(value);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}
} // namespace

const char* Runtime32Key(const SystemInfoRecord& facts)
{
    return facts.IsWow64Eligible || facts.Is64BitEdition ? kRuntimeX86Key : kRuntimeX86KeyOn32BitWindows;
}

bool LooksForRuntime64(const SystemInfoRecord& facts)
{
    return facts.IsWow64Eligible || facts.Is64BitEdition;
}

bool ParseRuntimeVersion(const char* text, RuntimeVersion& version)
{
    version = RuntimeVersion{};
    std::size_t count = 0;
    const char* part = text;
    while (*part != '\0' && count < 4)
    {
        const char* end = std::strchr(part, '.');
        if (end == nullptr)
        {
            end = part + std::strlen(part);
        }
        if (end != part)
        {
            version.Parts[count] = ReadPart(part, end, count == 0);
            ++count;
        }
        part = *end == '.' ? end + 1 : end;
    }
    return count > 0;
}

bool RuntimeVersionIsRecent(const char* text)
{
    RuntimeVersion version;
    if (!ParseRuntimeVersion(text, version))
    {
        return false;
    }
    for (std::size_t i = 0; i < 4; ++i)
    {
        if (version.Parts[i] != kMinimumRuntimeVersion.Parts[i])
        {
            return version.Parts[i] > kMinimumRuntimeVersion.Parts[i];
        }
    }
    return true;
}

bool NetfxReleaseIsRecent(uint32_t release)
{
    return release >= kMinimumNetfxRelease;
}

Net48Support DecideNet48Support(const SystemInfoRecord& facts)
{
    if (!facts.VersionKnown)
    {
        return Net48Support::SystemUnknown;
    }
    if (!facts.IsWin10OrGreater)
    {
        return Net48Support::BeforeWindows10;
    }
    const uint32_t minimum = facts.IsServer ? kServer2019Build : kWindows10Version1909Build;
    return facts.OsVersion.BuildNumber >= minimum ? Net48Support::Supported : Net48Support::BuildTooOld;
}

const char* InstallStateText(int32_t state)
{
    switch (state)
    {
        case -7:
            return "-7 Component Disabled";
        case -6:
            return "-6 Configuration data corrupt";
        case -5:
            return "-5 Installation suspended or in progress";
        case -4:
            return "-4 Run from source, source is unavailable";
        case -3:
            return "-3 Return buffer overflow";
        case -2:
            return "-2 Invalid function argument";
        case -1:
            return "-1 Unrecognized product or feature";
        case 0:
            return "0 Broken Installation";
        case 1:
            return "1 Component being removed (action state, not settable)";
        case 2:
            return "2 Uninstalled (or action state absent but clients remain)";
        case 3:
            return "3 Installed on local drive";
        case 4:
            return "4 Run directly from source, CD or network location.";
        case 5:
            return "5 Use default, local or source installation.";
        default:
            return "? Unknown return code.";
    }
}

bool DependenciesComplete(const RuntimeSurvey& survey, bool wow64Eligible)
{
    return survey.NetfxState != kStateAbsent && survey.X86Present && (survey.X64Present || !wow64Eligible);
}

bool InstallsRuntime64(const RuntimeSurvey& survey, bool wow64Eligible)
{
    return wow64Eligible && !survey.X64Present;
}

bool PrepareInstallerOptions(char* options)
{
    bool counts = false;
    for (char* c = options; *c != '\0'; ++c)
    {
        if (*c == '"')
        {
            *c = '\'';
        }
        counts = counts || !IsBlank(*c);
    }
    return counts;
}

bool BuildInstallerParameters(InstallerKind kind, const char* cacheFolder, const char* installerFile,
                              const char* options, char* parameters, std::size_t capacity)
{
    int written = 0;
    if (kind == InstallerKind::VcRuntime)
    {
        written = options != nullptr
                      ? FormatToBuffer(parameters, capacity,
                                       "/passive /promptrestart /log \"%s\\%s.log\" /msioptions \"%s\"",
                                       cacheFolder, installerFile, options)
                      : FormatToBuffer(parameters, capacity, "/passive /promptrestart /log \"%s\\%s.log\"",
                                       cacheFolder, installerFile);
    }
    else
    {
        written = options != nullptr
                      ? FormatToBuffer(
                            parameters, capacity,
                            "/passive /promptrestart /showrmui /chainingpackage ovwin /log \"%s\\%s.log\" "
                            "/msioptions \"%s\"",
                            cacheFolder, installerFile, options)
                      : FormatToBuffer(
                            parameters, capacity,
                            "/passive /promptrestart /showrmui /chainingpackage ovwin /log \"%s\\%s.log\"",
                            cacheFolder, installerFile);
    }
    return written >= 0;
}

InstallerOutcome NetfxInstallerOutcome(int32_t exitCode)
{
    switch (exitCode)
    {
        case 0:
            return {" install succeeded.", false};
        case 1602:
            return {" install failed. The user cancelled installation.", false};
        case 1603:
            return {" install failed. A fatal error occurred during installation.", true};
        case 1641:
        case 3010:
            return {" install succeeded. A restart is required to complete the installation.", false};
        case 5100:
            return {" install failed. The user's computer does not meet system requirements.", true};
        default:
            return {nullptr, false};
    }
}
