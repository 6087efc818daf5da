#include "environment/config_repair.h"

#include <gtest/gtest.h>

TEST(ConfigRepair, IcodeRecordsHowFarTheRegistryRepairGot)
{
    struct Row
    {
        bool win7;
        bool virtualizationPassed;
        int32_t security;
        uint32_t stage;
    };
    const Row rows[] = {
        // Before Windows 7 neither step runs.
        {false, true, 1, kStageKeyExists},
        {true, false, 1, kStageKeyExists},
        {true, true, 0, kStageVirtualizationRemoved},
        {true, true, 1, kStageSecurityRemoved},
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(RegistryRepairStageFor(row.win7, row.virtualizationPassed, row.security), row.stage)
            << row.win7 << row.virtualizationPassed << row.security;
    }
}
