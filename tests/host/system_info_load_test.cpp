#include "sysinfo/system_info.h"

#include "developer_log_fixture.h"
#include "diagnostics/log.h"
#include "support/fake_system_info_platform.h"
#include "support/log_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The lines of a whole load, in their order, are read in a real start's log by
// the end-to-end tests.
namespace
{
using fake_system_info::TokenQuery;

// A fresh record over the fake machine, with the debug log at the
// developer level.
class SystemInfoLoad : public DeveloperLogTest
{
  protected:
    void SetUp() override
    {
        DeveloperLogTest::SetUp();
        machine_ = &fake_system_info::Reset();
    }

    fake_system_info::Machine* machine_ = nullptr;
};
} // namespace

TEST_F(SystemInfoLoad, FirstLoadFillsEveryGroupAndASecondAsksNothing)
{
    EXPECT_TRUE(LoadSystemInfoObject());
    const SystemInfoRecord& record = SystemInfoObject;
    EXPECT_TRUE(record.OsNamed && record.VersionKnown && record.HardwareLoaded && record.NetworkLoaded &&
                record.UserLoaded);
    EXPECT_STREQ(record.OsName, "Windows 10 Professional 22H2 (2022 Update)");
    EXPECT_STREQ(record.IpAddress, "10.1.2.3");
    EXPECT_TRUE(record.Is64BitEdition);
    EXPECT_FALSE(record.IsWow64Eligible);
    EXPECT_STREQ(record.IntegrityLevelName, "High");
    EXPECT_TRUE(fake_system_info::Asked().LocalAdminAskedElevationType);
    EXPECT_EQ(ErrorCount, 0u);

    LoadSystemInfoObject();
    EXPECT_EQ(fake_system_info::Asked().Version, 1);
    EXPECT_EQ(fake_system_info::Asked().LocalAdmin, 1);
}

TEST_F(SystemInfoLoad, LocalAdminCheckLoadsTheVersionOnceAndNeverRecurses)
{
    // Called on its own before any load: it loads the record first, whose
    // user group asks once more from inside the load.
    EXPECT_TRUE(IsUserLocalAdmin());
    EXPECT_TRUE(SystemInfoObject.UserLoaded);
    EXPECT_EQ(fake_system_info::Asked().Version, 1);
    EXPECT_EQ(fake_system_info::Asked().LocalAdmin, 2);
    EXPECT_EQ(Count("Detected Operating System:"), 1);

    // With no version to be had, the load's own question must not start
    // another load.
    fake_system_info::Reset().VersionAvailable = false;
    Forget();
    LoadSystemInfoObject();
    EXPECT_EQ(fake_system_info::Asked().Version, 1);
    EXPECT_EQ(fake_system_info::Asked().LocalAdmin, 1);
    EXPECT_EQ(Count("@ LoadSystemInfoObject() {"), 1);

    // Outside a load it tries the version again, once.
    machine_->LocalAdmin = false;
    EXPECT_FALSE(IsUserLocalAdmin());
    EXPECT_EQ(fake_system_info::Asked().Version, 2);
    EXPECT_EQ(fake_system_info::Asked().LocalAdmin, 2);
}

TEST_F(SystemInfoLoad, TokenFailureStopsTheUserGroup)
{
    for (TokenQuery query :
         {TokenQuery::LocalAdmin, TokenQuery::Elevation, TokenQuery::AdminInvoked, TokenQuery::Integrity})
    {
        SCOPED_TRACE(static_cast<int>(query));
        fake_system_info::Reset().FailingQuery = query;
        Forget();
        LoadSystemInfoObject();
        ASSERT_EQ(fake_system_info::Stops().size(), 1u);
        EXPECT_EQ(fake_system_info::Stops()[0].Error, 5u);
        EXPECT_FALSE(SystemInfoObject.UserLoaded);
        EXPECT_TRUE(SystemInfoObject.HardwareLoaded);
        EXPECT_EQ(Count("Executing as"), 0);
        EXPECT_EQ(Count("@ } LoadSystemInfoObject"), 1);
    }
    // Asked on its own, too.
    fake_system_info::Current().FailingQuery = TokenQuery::LocalAdmin;
    EXPECT_FALSE(IsUserLocalAdmin());
    EXPECT_EQ(fake_system_info::Stops().size(), 2u);
}
