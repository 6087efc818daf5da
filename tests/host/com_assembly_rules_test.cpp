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
