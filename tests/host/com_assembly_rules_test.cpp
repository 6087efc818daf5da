#include "foundation/format_buffer.h"
#include "install/com_assembly_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{
LibraryVersion Version(uint32_t major, uint32_t minor, uint32_t build, uint32_t revision,
                       const char* product = "", const char* company = "")
{
    LibraryVersion version;
    std::memset(&version, 0, sizeof(version));
    version.Major = major;
    version.Minor = minor;
    version.Build = build;
    version.Revision = revision;
    CopyToBuffer(version.ProductName, sizeof(version.ProductName), product);
    CopyToBuffer(version.CompanyName, sizeof(version.CompanyName), company);
    return version;
}
} // namespace

TEST(ComAssemblyRules, NewerByFileVersionTheFirstDifferenceDeciding)
{
    struct Row
    {
        LibraryVersion candidate;
        LibraryVersion installed;
        bool newer;
    };
    const Row rows[] = {
        {Version(2, 1, 0, 6), Version(2, 1, 0, 5), true},
        {Version(2, 0, 9, 9), Version(2, 1, 0, 5), false},
        {Version(2, 1, 0, 5), Version(2, 1, 0, 5), false}, // equal is not newer
        {Version(3, 0, 0, 0), Version(2, 65535, 65535, 65535), true},
        {Version(2, 1, 1, 0), Version(2, 1, 0, 9), true},
        {Version(2, 1, 0, 9), Version(2, 1, 1, 0), false},
        {Version(0, 0, 0, 1), Version(0, 0, 0, 0), true}, // an installed copy without a version resource
        {Version(0, 0, 0, 0), Version(0, 0, 0, 0), false},
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(IsNewerFileVersion(row.candidate, row.installed), row.newer)
            << row.candidate.Major << "." << row.candidate.Minor << "." << row.candidate.Build << "."
            << row.candidate.Revision << " vs " << row.installed.Major << "." << row.installed.Minor << "."
            << row.installed.Build << "." << row.installed.Revision;
    }
}

TEST(ComAssemblyRules, ProductLabelNamesCompanyAndProduct)
{
    char label[kProductLabelCapacity];
    BuildProductLabel(Version(1, 0, 0, 0, "Orvanta Rating Objects", "Altavy Solutions Inc."), label,
                      sizeof(label));
    EXPECT_STREQ(label, "((Altavy Solutions Inc., Orvanta Rating Objects))");
    BuildProductLabel(Version(1, 0, 0, 0, "Orvanta Charts"), label, sizeof(label));
    EXPECT_STREQ(label, "((Orvanta Charts))");
    BuildProductLabel(Version(1, 0, 0, 0, "", "Altavy Solutions Inc."), label, sizeof(label));
    EXPECT_STREQ(label, "");
    BuildProductLabel(Version(1, 0, 0, 0, "100%s sure", "%n"), label, sizeof(label));
    EXPECT_STREQ(label, "((%n, 100%s sure))");

    // Two names of 255 characters are cut to the label's 254.
    const std::string longName(255, 'n');
    BuildProductLabel(Version(1, 0, 0, 0, longName.c_str(), longName.c_str()), label, sizeof(label));
    EXPECT_EQ(std::string(label), "((" + std::string(252, 'n'));
}

TEST(ComAssemblyRules, UtilityExitCodesForUnregisteringAndRegistering)
{
    struct Row
    {
        int32_t code;
        const char* unregistering;
        const char* registering;
        bool failed;
    };
    const Row rows[] = {
        {0, "InstallComponent: DoziZUZ: Assembly un-registered successfully.",
         "InstallComponent: DoziZUZ: Assembly registered successfully.", false},
        {100, "InstallComponent: DoziZUZ: ERROR!!! Target file is invalid.",
         "InstallComponent: DoziZUZ: ERROR!!! Target file is invalid.", true},
        {200, "InstallComponent: DoziZUZ: ERROR!!! Target file does not exist.",
         "InstallComponent: DoziZUZ: ERROR!!! Target file does not exist.", true},
        {300, "InstallComponent: DoziZUZ: ERROR!!! Failed to load assembly.",
         "InstallComponent: DoziZUZ: ERROR!!! Failed to load assembly.", true},
        {400, "InstallComponent: DoziZUZ: ERROR!!! Failed to [un]register assembly.",
         "InstallComponent: DoziZUZ: ERROR!!! Failed to[un]register assembly.", true},
        {500, "InstallComponent: DoziZUZ: ERROR!!! Failed to [un]register assembly.",
         "InstallComponent: DoziZUZ: ERROR!!! Failed to[un]register assembly.", true},
        // Not started, a wait that ran out, or a code of no meaning: go on.
        {-1, nullptr, nullptr, false},
        {7, nullptr, nullptr, false},
        {101, nullptr, nullptr, false},
        {600, nullptr, nullptr, false},
    };
    const auto text = [](const char* line) {
        return line == nullptr ? std::string("(none)") : std::string(line);
    };
    for (const Row& row : rows)
    {
        const UtilityOutcome unregistered = RegistrationUtilityOutcome(row.code, true);
        const UtilityOutcome registered = RegistrationUtilityOutcome(row.code, false);
        EXPECT_EQ(text(unregistered.Line), text(row.unregistering)) << row.code;
        EXPECT_EQ(text(registered.Line), text(row.registering)) << row.code;
        EXPECT_EQ(unregistered.Failed, row.failed) << row.code;
        EXPECT_EQ(registered.Failed, row.failed) << row.code;
    }
}
