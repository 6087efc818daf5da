#include "environment/administrative_rights.h"
#include "support/rights_facts.h"

#include <gtest/gtest.h>

TEST(AdministrativeRights, StepsNeedAnAdministratorOrAnElevationRequest)
{
    using D = AdministrativeRightsDecision;
    struct Row
    {
        bool win7;
        bool adminInvoked;
        bool uac;
        bool elevated;
        D decision;
    };
    const Row rows[] = {
        // Before Windows 7 only an administrator may go on.
        {false, true, false, false, D::Proceed},
        {false, true, true, true, D::Proceed},
        {false, false, true, false, D::Refuse},
        {false, false, false, true, D::Refuse},
        {true, true, false, false, D::Proceed},
        {true, true, true, false, D::Proceed},
        {true, true, true, true, D::Proceed},
        {true, false, false, false, D::Refuse},
        {true, false, false, true, D::Refuse},
        // Elevated, and still no administrator: asking cannot help.
        {true, false, true, true, D::Refuse},
        {true, false, true, false, D::AskForElevation},
    };
    for (const Row& row : rows)
    {
        const SystemInfoRecord facts = RightsFacts(row.win7, row.uac, row.elevated, row.adminInvoked);
        EXPECT_EQ(DecideAdministrativeRights(facts), row.decision)
            << row.win7 << row.adminInvoked << row.uac << row.elevated;
    }
}
